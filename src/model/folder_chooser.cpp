#include "model/folder_chooser.h"

#include <unordered_map>

#include "engine/disk_paths.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"

namespace kelvaro {
namespace {

// The subfolders of `dir` as it lists them now, found by their upper-case name.
std::unordered_map<std::wstring, std::wstring> CurrentNames(IFileSystem& fs, const std::wstring& dir) {
    std::unordered_map<std::wstring, std::wstring> names;
    if (dir.empty()) return names;
    for (auto& name : fs.SubFolders(dir)) names.emplace(FoldedName(name), std::move(name));
    return names;
}

}  // namespace

void FolderChooser::SetDirName(const std::wstring& dir, bool force) {
    if (!force && filled_ && dir == dirName_) return;
    dirName_ = dir;
    Refresh();
}

void FolderChooser::Refresh() {
    Fill();
    Notify([](IListObserver& o) { o.OnReset(); });
}

std::wstring FolderChooser::DirName() const {
    return LongDirName(fs_, dirName_);
}

std::wstring FolderChooser::Base() const {
    return WithSeparator(dirName_);
}

void FolderChooser::Fill() {
    names_ = dirName_.empty() ? std::vector<std::wstring>() : fs_.SubFolders(dirName_);
    selected_.assign(names_.size(), false);
    filled_ = true;
}

void FolderChooser::SetSelected(size_t index, bool selected) {
    selected_[index] = selected;
    Notify([&](IListObserver& o) { o.OnSelectionChanged(index); });
}

void FolderChooser::SelectAll() {
    selected_.assign(names_.size(), true);
    Notify([](IListObserver& o) { o.OnSelectionChanged(IListObserver::kAll); });
}

void FolderChooser::SelectClear() {
    selected_.assign(names_.size(), false);
    Notify([](IListObserver& o) { o.OnSelectionChanged(IListObserver::kAll); });
}

// The canonical path of base & name is the canonical base and the name as
// the folder lists it now; a folder gone since the list was filled is skipped.
// One listing of the folder replaces a lookup of every entry on disk.
void FolderChooser::Add(TargetList& targets, bool selectedOnly) {
    const std::wstring base = LongDirName(fs_, Base());
    const auto present = CurrentNames(fs_, base);
    const std::wstring prefix = WithSeparator(base);
    for (size_t i = 0; i < names_.size(); ++i) {
        if (selectedOnly && !selected_[i]) continue;
        const auto it = present.find(FoldedName(names_[i]));
        if (it != present.end() && !targets.AddLine(prefix + it->second)) {
            SetSelected(i, true);
            return;
        }
        SetSelected(i, false);
    }
}

void FolderChooser::AddSelected(TargetList& targets) {
    Add(targets, true);
}

void FolderChooser::AddAll(TargetList& targets) {
    Add(targets, false);
}

void FolderChooser::AddAllSubfolders(TargetList& targets) {
    const std::wstring base = LongDirName(fs_, Base());
    const auto present = CurrentNames(fs_, base);
    const std::wstring prefix = WithSeparator(base);
    bool stopped = false;
    for (size_t i = 0; i < names_.size() && !stopped; ++i) {
        const auto it = present.find(FoldedName(names_[i]));
        if (it == present.end()) continue;
        const std::wstring folder = prefix + it->second;
        for (const auto& sub : fs_.SubFolders(folder)) {
            if (!targets.AddLine(folder + L"\\" + sub)) {
                stopped = true;
                break;
            }
        }
    }
    SelectClear();
}

void FolderChooser::AddEveryLevel(TargetList& targets) {
    // Level by level, each folder's subfolders in listing order. Past the
    // target list's capacity the list refuses one anyway: the walk ends there.
    std::vector<std::vector<std::wstring>> levels;
    std::vector<std::wstring> enter;
    if (const std::wstring base = LongDirName(fs_, Base()); !base.empty()) enter.push_back(base);
    size_t found = 0;
    while (!enter.empty() && found <= TargetList::kCapacity) {
        std::vector<std::wstring> level, next;
        for (const auto& dir : enter) {
            const auto entries = fs_.Entries(dir);
            if (!entries) continue;
            const std::wstring prefix = dir.back() == L'\\' ? dir : dir + L"\\";
            for (const auto& entry : *entries) {
                if (!entry.folder || IsTempName(entry.name)) continue;
                level.push_back(prefix + entry.name);
                if (!entry.link) next.push_back(level.back());
                if (++found > TargetList::kCapacity) break;
            }
            if (found > TargetList::kCapacity) break;
        }
        levels.push_back(std::move(level));
        enter = std::move(next);
    }
    [&] {
        for (auto level = levels.rbegin(); level != levels.rend(); ++level)
            for (const auto& path : *level)
                if (!targets.AddLine(path)) return;
    }();
    SelectClear();
}

std::wstring FolderChooser::FolderToOpen() const {
    for (size_t i = 0; i < names_.size(); ++i) {
        if (!selected_[i]) continue;
        const std::wstring path = LongDirName(fs_, Base() + names_[i]);
        if (!path.empty()) return path;
    }
    return {};
}

}  // namespace kelvaro
