#include "model/changed_list.h"

#include "engine/disk_paths.h"
#include "engine/path_text.h"

namespace kelvaro {

void ChangedList::ListInAdd(const std::wstring& path) {
    const std::wstring upper = FoldedName(path);
    if (const auto it = indexByUpper_.find(upper); it != indexByUpper_.end()) {
        entries_[it->second] = path;
        Notify([&](IListObserver& o) { o.OnReplaced(it->second); });
        return;
    }
    if (entries_.size() >= kCapacity) return;
    indexByUpper_.emplace(upper, entries_.size());
    entries_.push_back(path);
    Notify([&](IListObserver& o) { o.OnInserted(entries_.size() - 1); });
}

void ChangedList::Clear() {
    entries_.clear();
    indexByUpper_.clear();
    Notify([](IListObserver& o) { o.OnReset(); });
}

void ChangedList::Refresh(IFileSystem& fs) {
    std::vector<std::wstring> kept;
    for (const auto& entry : entries_) {
        const std::wstring canonical = LongDirName(fs, entry);
        if (!canonical.empty() && DirExist(fs, canonical)) kept.push_back(canonical);
    }
    entries_ = std::move(kept);
    Reindex();
    Notify([](IListObserver& o) { o.OnReset(); });
}

void ChangedList::Reindex() {
    indexByUpper_.clear();
    for (size_t i = 0; i < entries_.size(); ++i) indexByUpper_.emplace(FoldedName(entries_[i]), i);
}

}  // namespace kelvaro
