#include "model/target_list.h"

#include <algorithm>
#include <utility>

#include "engine/disk_paths.h"
#include "engine/rename_plan.h"

namespace kelvaro {

TargetList::TargetList(std::function<void()> limitNotice) : limitNotice_(std::move(limitNotice)) {}

bool TargetList::AddLine(const std::wstring& path) {
    if (texts_.count(path)) return true;
    if (entries_.size() >= kCapacity) {
        if (limitNotice_) limitNotice_();
        return false;
    }
    entries_.push_back({path, false});
    texts_.insert(path);
    Notify([&](IListObserver& o) { o.OnInserted(entries_.size() - 1); });
    return true;
}

bool TargetList::AddFromOutside(DirNameResolver& names, const std::wstring& path) {
    if (path.empty()) return true;
    const std::wstring canonical = names.LongDirName(path);
    if (canonical.empty()) return true;
    if (!names.IsFolder(canonical)) return true;
    return AddLine(canonical);
}

bool TargetList::AddFromOutside(IFileSystem& fs, const std::wstring& path) {
    DirNameResolver names(fs);
    return AddFromOutside(names, path);
}

void TargetList::Refresh() {
    entries_.clear();
    texts_.clear();
    topIndex_ = 0;
    Notify([](IListObserver& o) { o.OnReset(); });
}

void TargetList::SelectAll() {
    for (auto& entry : entries_) entry.selected = true;
    Notify([](IListObserver& o) { o.OnSelectionChanged(IListObserver::kAll); });
}

void TargetList::SelectClear() {
    for (auto& entry : entries_) entry.selected = false;
    Notify([](IListObserver& o) { o.OnSelectionChanged(IListObserver::kAll); });
}

void TargetList::SetSelected(size_t index, bool selected) {
    entries_[index].selected = selected;
    Notify([&](IListObserver& o) { o.OnSelectionChanged(index); });
}

void TargetList::SetTopIndex(size_t index) {
    topIndex_ = index;
    Notify([&](IListObserver& o) { o.OnTopIndexChanged(index); });
}

void TargetList::Remove(size_t index) {
    if (index >= entries_.size()) return;
    texts_.erase(entries_[index].text);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    Notify([&](IListObserver& o) { o.OnRemoved(index); });
}

void TargetList::RemoveWhere(bool selected) {
    const auto firstRemoved = std::stable_partition(entries_.begin(), entries_.end(),
                                                    [selected](const Entry& e) { return e.selected != selected; });
    for (auto it = firstRemoved; it != entries_.end(); ++it) texts_.erase(it->text);
    entries_.erase(firstRemoved, entries_.end());
    Notify([](IListObserver& o) { o.OnReset(); });
}

void TargetList::FollowRenamed(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) {
    for (size_t k = first; k < entries_.size(); ++k) {
        std::wstring text = entries_[k].text;
        if (!FollowRename(text, from, to, exactCase)) continue;
        texts_.erase(entries_[k].text);
        entries_[k].text = text;
        texts_.insert(text);
        Notify([&](IListObserver& o) { o.OnReplaced(k); });
    }
}

std::wstring TargetList::FirstSelectedDir() const {
    for (const auto& entry : entries_)
        if (entry.selected) return entry.text;
    return {};
}

}  // namespace kelvaro
