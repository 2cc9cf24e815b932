#pragma once
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "ports/file_system.h"

namespace kelvaro {

// The folders of each parent a run touches, listed once and kept up to date
// as the run renames: a look at a parent per folder would list the parent
// each time (and under Wine every lookup of a name lists its folder). A run
// goes through a parent's folders together, so the listings of the last few
// hundred parents are enough.
class FolderListings {
public:
    explicit FolderListings(IFileSystem& fs) : fs_(fs) {}
    // The stored name of the entry `path` names (case ignored, its exact
    // spelling first); empty when none.
    std::wstring Stored(const std::wstring& path);
    // How many entries of the folder `path` lies in are named like its last
    // part, case ignored: more than one where the file system tells case apart.
    size_t Holders(const std::wstring& path);
    // A folder of the run moved from `from` to `to`.
    void Moved(const std::wstring& from, const std::wstring& to);
    // Forgets every listing: the next look lists afresh.
    void Clear() { parents_.clear(); }

private:
    using Names = std::unordered_map<std::wstring, std::vector<std::wstring>>;  // folded -> as stored
    Names& Of(const std::wstring& parent);
    IFileSystem& fs_;
    std::map<std::wstring, Names> parents_;
};

}  // namespace kelvaro
