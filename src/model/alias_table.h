#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "ports/settings_store.h"

namespace kelvaro {

// Up to ten folder aliases (a name standing for a folder), kept in slots
// 0..last without gaps, as the source folder browser offers them.
class AliasTable {
public:
    static constexpr int kSlots = 10;

    enum class AddResult { Added, Empty, Duplicate, Full };

    // Reads the slots of `app`, stopping at the first slot whose name or folder is empty.
    void Load(ISettingsStore& store, const std::wstring& app);
    // Writes the used slots and empties the rest.
    void Save(ISettingsStore& store) const;

    AddResult Add(const std::wstring& name, const std::wstring& dir);
    // Replaces the whole table (the outcome of the maintenance dialog).
    void Assign(const std::array<std::wstring, kSlots>& names, const std::array<std::wstring, kSlots>& dirs, int last);

    int Last() const { return last_; }  // last: -1 when there is no alias
    int Count() const { return last_ + 1; }
    const std::wstring& Name(int slot) const { return names_[static_cast<size_t>(slot)]; }
    const std::wstring& Dir(int slot) const { return dirs_[static_cast<size_t>(slot)]; }

    // The menu's state: maintenance and separator with at least one alias, adding below ten.
    bool CanMaintain() const { return last_ >= 0; }
    bool CanAdd() const { return last_ < kSlots - 1; }

private:
    std::array<std::wstring, kSlots> names_{};
    std::array<std::wstring, kSlots> dirs_{};
    int last_ = -1;
};

// The alias maintenance dialog's working copy: a list shown in slot order,
// edited by rename, up, down, delete and delete all.
class AliasEditor {
public:
    static constexpr int kSlots = AliasTable::kSlots;
    enum class RenameResult { Unchanged, Duplicate, Renamed };

    void SetEntry(int index, const std::wstring& name, const std::wstring& dir);
    void GetEntry(int index, std::wstring& name, std::wstring& dir) const;
    int LastMenuIndex() const { return static_cast<int>(listed_) - 1; }

    // Lists the slots up to the first incomplete one and selects the first.
    void Activate();
    int Selected() const { return selected_; }
    void Select(int position);
    // The folder of the selected alias, or empty text.
    std::wstring SelectedDir() const;
    bool ControlsEnabled() const { return listed_ > 0; }

    RenameResult Rename(const std::wstring& answer);
    void Up();
    void Down();
    void Delete();
    void DeleteAll();

private:
    std::array<std::wstring, kSlots> names_{};
    std::array<std::wstring, kSlots> dirs_{};
    size_t listed_ = 0;
    int selected_ = -1;
};

}  // namespace kelvaro
