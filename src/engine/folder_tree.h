#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ports/file_system.h"

namespace kelvaro {

// Every folder below `root` at every depth, then `root` itself: each folder
// after all the folders below it, so that renaming the folders in this order
// never changes the path of a folder still to come. Only a listing at a time
// is held per level, never the whole tree. Junctions and links to folders
// are handed out but never entered; hidden and system folders are left out
// with everything below them unless asked for; a folder still under the
// temporary name of an interrupted rename is never handed out nor entered.
class FolderTreeWalk {
public:
    FolderTreeWalk(IFileSystem& fs, const std::wstring& root, bool withHidden);
    // The next folder, or nothing when the walk is over.
    std::optional<std::wstring> Next();
    // The folders that could not be listed: what lies below them was not walked.
    const std::vector<std::wstring>& Unlisted() const { return unlisted_; }

private:
    struct Level {
        std::wstring path;
        std::vector<TreeEntry> folders;
        size_t next = 0;
    };
    void Enter(std::wstring path);

    IFileSystem& fs_;
    bool withHidden_;
    std::vector<Level> levels_;
    std::optional<std::wstring> rootLink_;  // a root that is a link: handed out alone
    std::vector<std::wstring> unlisted_;
};

// True when `name` is a folder name under the temporary suffix of a rename.
bool IsTempName(const std::wstring& name);

}  // namespace kelvaro
