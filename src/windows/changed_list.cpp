#include "windows/changed_list.h"

#include "engine/disk_paths.h"
#include "engine/path_text.h"

namespace kelvaro {

void ChangedList::ListInAdd(const std::wstring& path) {
    const std::wstring upper = UpperCaseName(path);
    if (const auto it = indexByUpper_.find(upper); it != indexByUpper_.end()) {
        entries_[it->second] = path;
        return;
    }
    if (entries_.size() >= kCapacity) return;
    indexByUpper_.emplace(upper, entries_.size());
    entries_.push_back(path);
}

void ChangedList::Clear() {
    entries_.clear();
    indexByUpper_.clear();
}

void ChangedList::Refresh(IFileSystem& fs) {
    std::vector<std::wstring> kept;
    for (const auto& entry : entries_) {
        const std::wstring canonical = LongDirName(fs, entry);
        if (!canonical.empty() && DirExist(fs, canonical)) kept.push_back(canonical);
    }
    entries_ = std::move(kept);
    Reindex();
}

void ChangedList::Reindex() {
    indexByUpper_.clear();
    for (size_t i = 0; i < entries_.size(); ++i) indexByUpper_.emplace(UpperCaseName(entries_[i]), i);
}

}  // namespace kelvaro
