#include "model/alias_table.h"

#include <utility>

#include "settings/app_settings.h"

namespace kelvaro {
namespace {

std::wstring NameKey(int slot) {
    return L"Dir_In_DirName" + std::to_wstring(slot);
}
std::wstring DirKey(int slot) {
    return L"Dir_In_DirDir" + std::to_wstring(slot);
}

}  // namespace

void AliasTable::Load(ISettingsStore& store, const std::wstring& app) {
    names_ = {};
    dirs_ = {};
    last_ = kSlots - 1;
    for (int i = 0; i < kSlots; ++i) {
        const std::wstring name = ReadText(store, app, NameKey(i), L"");
        const std::wstring dir = ReadText(store, app, DirKey(i), L"");
        if (name.empty() || dir.empty()) {
            last_ = i - 1;
            break;
        }
        names_[static_cast<size_t>(i)] = name;
        dirs_[static_cast<size_t>(i)] = dir;
    }
}

void AliasTable::Save(ISettingsStore& store) const {
    for (int i = 0; i < kSlots; ++i) {
        const bool used = i <= last_;
        WriteText(store, NameKey(i), used ? Name(i) : L"");
        WriteText(store, DirKey(i), used ? Dir(i) : L"");
    }
}

AliasTable::AddResult AliasTable::Add(const std::wstring& name, const std::wstring& dir) {
    if (name.empty()) return AddResult::Empty;
    if (!CanAdd()) return AddResult::Full;
    for (int i = 0; i <= last_; ++i)
        if (Name(i) == name) return AddResult::Duplicate;
    ++last_;
    names_[static_cast<size_t>(last_)] = name;
    dirs_[static_cast<size_t>(last_)] = dir;
    return AddResult::Added;
}

void AliasTable::Assign(const std::array<std::wstring, kSlots>& names,
                        const std::array<std::wstring, kSlots>& dirs,
                        int last) {
    names_ = {};
    dirs_ = {};
    last_ = std::min(last, kSlots - 1);
    for (int i = 0; i <= last_; ++i) {
        names_[static_cast<size_t>(i)] = names[static_cast<size_t>(i)];
        dirs_[static_cast<size_t>(i)] = dirs[static_cast<size_t>(i)];
    }
}

void AliasEditor::SetEntry(int index, const std::wstring& name, const std::wstring& dir) {
    if (index < 0 || index >= kSlots) return;
    names_[static_cast<size_t>(index)] = name;
    dirs_[static_cast<size_t>(index)] = dir;
}

void AliasEditor::GetEntry(int index, std::wstring& name, std::wstring& dir) const {
    if (index < 0 || index >= kSlots || static_cast<size_t>(index) >= listed_) {
        name.clear();
        dir.clear();
        return;
    }
    name = names_[static_cast<size_t>(index)];
    dir = dirs_[static_cast<size_t>(index)];
}

void AliasEditor::Activate() {
    listed_ = 0;
    while (listed_ < kSlots && !names_[listed_].empty() && !dirs_[listed_].empty()) ++listed_;
    selected_ = listed_ > 0 ? 0 : -1;
}

void AliasEditor::Select(int position) {
    selected_ = (position >= 0 && static_cast<size_t>(position) < listed_) ? position : -1;
}

std::wstring AliasEditor::SelectedDir() const {
    return selected_ >= 0 ? dirs_[static_cast<size_t>(selected_)] : std::wstring();
}

AliasEditor::RenameResult AliasEditor::Rename(const std::wstring& answer) {
    if (selected_ < 0) return RenameResult::Unchanged;
    const auto s = static_cast<size_t>(selected_);
    if (answer.empty() || answer == names_[s]) return RenameResult::Unchanged;
    for (size_t i = 0; i < listed_; ++i)
        if (names_[i] == answer) return RenameResult::Duplicate;
    names_[s] = answer;
    return RenameResult::Renamed;
}

void AliasEditor::Up() {
    if (selected_ < 1) return;
    const auto s = static_cast<size_t>(selected_);
    std::swap(names_[s], names_[s - 1]);
    std::swap(dirs_[s], dirs_[s - 1]);
    --selected_;
}

void AliasEditor::Down() {
    if (selected_ < 0 || static_cast<size_t>(selected_) + 2 > listed_) return;
    const auto s = static_cast<size_t>(selected_);
    std::swap(names_[s], names_[s + 1]);
    std::swap(dirs_[s], dirs_[s + 1]);
    ++selected_;
}

void AliasEditor::Delete() {
    if (selected_ < 0) return;
    for (size_t i = static_cast<size_t>(selected_); i + 1 < kSlots; ++i) {
        names_[i] = names_[i + 1];
        dirs_[i] = dirs_[i + 1];
    }
    names_[kSlots - 1].clear();
    dirs_[kSlots - 1].clear();
    --listed_;
    const auto n = static_cast<int>(listed_);
    if (selected_ >= n) selected_ = n - 1;  // the new last, or none
}

void AliasEditor::DeleteAll() {
    if (listed_ == 0) return;
    names_ = {};
    dirs_ = {};
    listed_ = 0;
    selected_ = -1;
}

}  // namespace kelvaro
