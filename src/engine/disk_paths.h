#pragma once
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ports/file_system.h"

namespace kelvaro {

// The canonical spelling of a folder path (drive letter upper case, every
// component as stored on disk), or empty text when it names nothing. A "/"
// separates components like a backslash, as Windows reads it; an empty
// component (C:\a\\b), patterns and relative components are never resolved.
std::wstring LongDirName(IFileSystem& fs, const std::wstring& path);

// LongDirName for the many names of one drop or one command line. A folder
// asked for two or more of its entries is listed once and answers them all;
// every name a listing cannot answer exactly as LongDirName would is looked
// up the way LongDirName does, so the two always agree. Holds what it has
// read: use one resolver for one batch only.
class DirNameResolver {
public:
    explicit DirNameResolver(IFileSystem& fs) : fs_(fs) {}
    std::wstring LongDirName(const std::wstring& path);
    // Whether a canonical path names a folder rather than a file: as its
    // parent's listing says when there is one, otherwise by DirExist.
    bool IsFolder(const std::wstring& canonical);

private:
    struct Folder {
        std::wstring firstAsked;  // upper case: the listing waits for a second, other name
        bool listed = false;
        // Upper-case name -> the entries listed under it.
        std::unordered_map<std::wstring, std::vector<ListedEntry>> names;
    };
    std::optional<std::wstring> Lookup(const std::wstring& parent,
                                       const std::wstring& prefix,
                                       const std::wstring& component,
                                       bool listable);
    static const ListedEntry* FromListing(const Folder& folder,
                                          const std::wstring& component,
                                          const std::wstring& folded);

    IFileSystem& fs_;
    std::unordered_map<std::wstring, Folder> folders_;                      // by canonical path
    std::unordered_map<std::wstring, std::optional<std::wstring>> looked_;  // by path as written
};

// True when `path` can be made the current directory; the current directory
// is left as it was.
bool DirExist(IFileSystem& fs, const std::wstring& path);
// For each of many names, the canonical path of the existing folder it names,
// or empty text: one DirNameResolver for the whole batch.
std::vector<std::wstring> ExistingDirNames(IFileSystem& fs, const std::vector<std::wstring>& names);
std::wstring TempDirName(IFileSystem& fs);
// " (1,177.4M Free)" for the drive of `path`, or empty text.
std::wstring DriveFreeText(IFileSystem& fs, const std::wstring& path);
// Formats a count of bytes as megabytes in the pattern ###,##0.0.
std::wstring FormatMegabytes(uint64_t bytes);

}  // namespace kelvaro
