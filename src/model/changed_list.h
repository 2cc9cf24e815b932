#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "ports/file_system.h"
#include "engine/rename_dir.h"
#include "model/list_observer.h"

namespace kelvaro {

// Folders a run left with the wanted name: at most 1000, one entry per folder
// (compared upper-cased), the newest spelling kept.
class ChangedList : public ILineSink, public ObservableList {
public:
    static constexpr size_t kCapacity = 1000;

    void AddLine(const std::wstring& path) override;
    // The folder's entry, if listed, now shows `to`, and entries below `from`
    // follow it; a folder not listed yet is added as AddLine adds it.
    void Moved(const std::wstring& from, const std::wstring& to) override;
    // Drops the entry of a folder no longer found under `path`.
    void Removed(const std::wstring& path) override;
    void Clear();
    // Drops entries whose folder is gone and respells the others as stored.
    void Refresh(IFileSystem& fs);

    size_t Count() const { return entries_.size(); }
    const std::wstring& Text(size_t index) const { return entries_[index]; }

private:
    void Reindex();
    void Erase(size_t index);

    std::vector<std::wstring> entries_;
    std::unordered_map<std::wstring, size_t> indexByUpper_;
};

}  // namespace kelvaro
