#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/disk_paths.h"
#include "ports/file_system.h"
#include "operations/folder_queue.h"
#include "model/list_observer.h"

namespace kelvaro {

// The folders the next run renames: at most 1000 distinct paths in insertion
// order, each with a selection flag that the run uses as its keep marker.
class TargetList : public ObservableList, public IFolderQueue {
public:
    static constexpr size_t kCapacity = 1000;

    // `limitNotice` is told each time a folder is refused because the list is full.
    explicit TargetList(std::function<void()> limitNotice = {});

    // Appends `path` as given. A duplicate (exact text) is accepted silently,
    // also when full; a new path on a full list is refused with the notice.
    bool AddLine(const std::wstring& path);
    // For names from outside: canonicalises and checks the folder first;
    // unusable names are skipped (true). False only when the list is full.
    // The names of one drop or one command line share one resolver.
    bool AddFromOutside(DirNameResolver& names, const std::wstring& path);
    bool AddFromOutside(IFileSystem& fs, const std::wstring& path);

    void Refresh();  // empties the list
    void SelectAll();
    void SelectClear();

    size_t Count() const override { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    const std::wstring& Text(size_t index) const override { return entries_[index].text; }
    bool Selected(size_t index) const { return entries_[index].selected; }
    void SetSelected(size_t index, bool selected);
    // Takes a selection the user made on screen, without telling the observer.
    void TakeSelection(size_t index, bool selected) { entries_[index].selected = selected; }
    void Remove(size_t index);
    // Removes every entry whose selection flag equals `selected`, keeping the order of the rest.
    void RemoveWhere(bool selected);
    void FollowRenamed(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) override;
    // The first selected entry's text, or empty text.
    std::wstring FirstSelectedDir() const;

    size_t TopIndex() const { return topIndex_; }
    void SetTopIndex(size_t index);

private:
    struct Entry {
        std::wstring text;
        bool selected = false;
    };
    std::vector<Entry> entries_;
    std::unordered_set<std::wstring> texts_;
    std::function<void()> limitNotice_;
    size_t topIndex_ = 0;
};

}  // namespace kelvaro
