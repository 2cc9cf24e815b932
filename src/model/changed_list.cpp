#include "model/changed_list.h"

#include "engine/disk_paths.h"
#include "engine/path_text.h"
#include "engine/rename_plan.h"

namespace kelvaro {

void ChangedList::AddLine(const std::wstring& path) {
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

void ChangedList::Moved(const std::wstring& from, const std::wstring& to) {
    bool below = false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (!FollowRename(entries_[i], from, to)) continue;
        below = true;
        Notify([&](IListObserver& o) { o.OnReplaced(i); });
    }
    if (below) Reindex();
    const auto it = indexByUpper_.find(FoldedName(from));
    if (it == indexByUpper_.end()) {
        AddLine(to);
        return;
    }
    const size_t index = it->second;
    const std::wstring toKey = FoldedName(to);
    if (const auto taken = indexByUpper_.find(toKey); taken != indexByUpper_.end() && taken->second != index) {
        // Listed twice now: the older entry of `to` takes the new spelling.
        entries_[taken->second] = to;
        Notify([&](IListObserver& o) { o.OnReplaced(taken->second); });
        Erase(index);
        return;
    }
    indexByUpper_.erase(it);
    indexByUpper_.emplace(toKey, index);
    entries_[index] = to;
    Notify([&](IListObserver& o) { o.OnReplaced(index); });
}

void ChangedList::Removed(const std::wstring& path) {
    if (const auto it = indexByUpper_.find(FoldedName(path)); it != indexByUpper_.end()) Erase(it->second);
}

void ChangedList::Erase(size_t index) {
    indexByUpper_.erase(FoldedName(entries_[index]));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    for (auto& [key, at] : indexByUpper_)
        if (at > index) --at;
    Notify([&](IListObserver& o) { o.OnRemoved(index); });
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
