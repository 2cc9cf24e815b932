#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ports/file_system.h"
#include "model/list_observer.h"
#include "model/target_list.h"

namespace kelvaro {

// The subfolders of the source folder, by name in listing order, each with a
// selection flag, and the four ways of moving them into the target list.
class FolderChooser : public ObservableList {
public:
    explicit FolderChooser(IFileSystem& fs) : fs_(fs) {}

    // Lists the subfolders of `dir` (the text as handed over). The same text
    // again is not listed anew unless `force` is set.
    void SetDirName(const std::wstring& dir, bool force = false);
    void Refresh();
    const std::wstring& DirText() const { return dirName_; }
    // The listed folder in its spelling on disk, or empty text.
    std::wstring DirName() const;

    size_t Count() const { return names_.size(); }
    const std::wstring& Name(size_t index) const { return names_[index]; }
    bool Selected(size_t index) const { return selected_[index]; }
    void SetSelected(size_t index, bool selected);
    void TakeSelection(size_t index, bool selected) { selected_[index] = selected; }
    void SelectAll();
    void SelectClear();

    // Each stops at the target list's first refusal; the refused entry stays selected.
    void AddSelected(TargetList& targets);
    void AddAll(TargetList& targets);
    void AddAllSubfolders(TargetList& targets);
    // Every folder below the listed one at every depth, deepest first, so that
    // a run renames children before their parents. A link to a folder is added
    // but not entered; a folder an interrupted run left under its temporary
    // name is not added.
    void AddEveryLevel(TargetList& targets);
    // The folder to open on a double click: the first selected entry that still exists.
    std::wstring FolderToOpen() const;

private:
    std::wstring Base() const;
    void Fill();
    void Add(TargetList& targets, bool selectedOnly);

    IFileSystem& fs_;
    std::wstring dirName_;
    bool filled_ = false;
    std::vector<std::wstring> names_;
    std::vector<bool> selected_;
};

}  // namespace kelvaro
