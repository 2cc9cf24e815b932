#include "model/folder_browser.h"

#include <utility>

#include "engine/disk_paths.h"
#include "engine/path_text.h"

namespace kelvaro {

bool DirectoryListModel::SetPath(IFileSystem& fs, const std::wstring& path) {
    const std::wstring canonical = LongDirName(fs, path);
    if (canonical.empty() || !DirExist(fs, canonical)) return false;
    std::vector<DirEntry> entries;
    std::wstring chain = PathRoot(canonical);
    entries.push_back({chain, chain, 0, true});
    size_t start = chain.size();
    int level = 0;
    while (start < canonical.size()) {
        size_t end = canonical.find(L'\\', start);
        if (end == std::wstring::npos) end = canonical.size();
        const std::wstring name = canonical.substr(start, end - start);
        chain = canonical.substr(0, end);
        entries.push_back({chain, name, ++level, true});
        start = end + 1;
    }
    const size_t current = entries.size() - 1;
    const std::wstring prefix = WithSeparator(canonical);
    for (const auto& sub : fs.SubFolders(canonical)) entries.push_back({prefix + sub, sub, level + 1, false});
    path_ = canonical;
    entries_ = std::move(entries);
    current_ = current;
    return true;
}

std::wstring FolderBrowser::DirName() const {
    return LongDirName(fs_, list_.Path());
}

std::wstring FolderBrowser::Drive() const {
    return PathRoot(list_.Path());
}

std::wstring FolderBrowser::DirText() const {
    return DirNameAbbrev(LongDirName(fs_, list_.Path()));
}

bool FolderBrowser::Show(const std::wstring& path) {
    return list_.SetPath(fs_, path);
}

void FolderBrowser::Changed(bool force) {
    if (onChange_) onChange_(list_.Path(), force);
}

void FolderBrowser::SetDirName(const std::wstring& path) {
    drives_ = fs_.Drives();
    if (!Show(path)) Show(fs_.CurrentDir());
    // Asked for explicitly (an alias, the target list, a double click): the
    // chooser lists the folder anew even when it already shows it.
    Changed(true);
}

void FolderBrowser::Refresh(bool evenUnchanged) {
    const std::vector<std::wstring> drives = std::exchange(drives_, fs_.Drives());
    const std::vector<DirEntry> entries = list_.Entries();
    if (!Show(list_.Path())) {
        // The folder shown has gone (renamed by the run): its nearest existing parent.
        std::wstring path = list_.Path();
        while (!path.empty() && !IsDriveRoot(path) && !Show(path)) path = ParentDirName(path);
        if (list_.Path() != path && !Show(path)) Show(fs_.CurrentDir());
    }
    if (evenUnchanged || drives_ != drives || list_.Entries() != entries) Changed(true);
}

bool FolderBrowser::ChooseDrive(const std::wstring& root) {
    if (root.size() < 2) return false;
    // A drive opens at its current folder.
    std::wstring current = root.substr(0, 2);
    const std::wstring remembered = fs_.CurrentDir();
    if (fs_.SetCurrentDir(current)) current = fs_.CurrentDir();
    fs_.SetCurrentDir(remembered);
    if (!Show(current) && !Show(root.substr(0, 2) + L"\\")) return false;
    Changed(false);
    return true;
}

void FolderBrowser::OpenEntry(size_t index) {
    const auto& entries = list_.Entries();
    if (index >= entries.size()) return;
    const std::wstring path = entries[index].path;
    if (Show(path)) Changed(false);
}

void FolderBrowser::OpenAbove(size_t highlighted) {
    if (highlighted == 0 || highlighted >= list_.Entries().size()) return;
    OpenEntry(highlighted - 1);
}

}  // namespace kelvaro
