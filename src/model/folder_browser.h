#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ports/file_system.h"

namespace kelvaro {

// What a classic directory list shows for a folder: the chain of folders
// from the drive root down to it (open), then its subfolders (closed).
struct DirEntry {
    std::wstring path;
    std::wstring label;
    int level = 0;
    bool open = false;
    bool operator==(const DirEntry&) const = default;
};

class DirectoryListModel {
public:
    // Shows `path`; false (and nothing changed) when it cannot be listed.
    bool SetPath(IFileSystem& fs, const std::wstring& path);
    const std::wstring& Path() const { return path_; }
    const std::vector<DirEntry>& Entries() const { return entries_; }
    // Index of the folder shown (the last open entry).
    size_t CurrentIndex() const { return current_; }

private:
    std::wstring path_;
    std::vector<DirEntry> entries_;
    size_t current_ = 0;
};

// The state behind the source folder browser: the drive, the folder shown,
// and whom to tell when it changes.
class FolderBrowser {
public:
    using ChangeHandler = std::function<void(const std::wstring& path, bool force)>;

    FolderBrowser(IFileSystem& fs, ChangeHandler onChange) : fs_(fs), onChange_(std::move(onChange)) {}

    // Shows `path`; a folder that cannot be shown gives the process's current folder.
    void SetDirName(const std::wstring& path);
    // The folder shown, spelled as on disk; empty text if that fails.
    std::wstring DirName() const;
    // Re-reads the drives and the folder shown and tells the chooser again;
    // unless `evenUnchanged`, only when it found something new.
    void Refresh(bool evenUnchanged = true);
    // A drive chosen in the drive list; one that cannot be read changes nothing.
    bool ChooseDrive(const std::wstring& root);
    // Opens entry `index` of the directory list.
    void OpenEntry(size_t index);
    // Backspace: opens the entry above `highlighted`.
    void OpenAbove(size_t highlighted);

    const std::vector<std::wstring>& Drives() const { return drives_; }
    // The drive of the folder shown, such as C:\.
    std::wstring Drive() const;
    const DirectoryListModel& List() const { return list_; }
    // The abbreviated text of the folder shown.
    std::wstring DirText() const;

private:
    bool Show(const std::wstring& path);
    void Changed(bool force);

    IFileSystem& fs_;
    ChangeHandler onChange_;
    std::vector<std::wstring> drives_;
    DirectoryListModel list_;
};

}  // namespace kelvaro
