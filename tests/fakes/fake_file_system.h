#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>

#include "ports/file_system.h"

namespace kelvaro::testing {

// An in-memory tree of folders, case-insensitive like Windows, that refuses
// chosen renames on demand.
class FakeFileSystem : public IFileSystem {
public:
    FakeFileSystem();

    // Adds a folder (and its parents) with the stored spelling given.
    void AddDir(const std::wstring& path);
    void AddFile(const std::wstring& path);
    bool Exists(const std::wstring& path) const;
    // The stored spelling of an existing entry, or empty text.
    std::wstring Stored(const std::wstring& path) const;

    // Called before each rename; returning false refuses it (access denied).
    std::function<bool(const std::wstring& from, const std::wstring& to)> allowMove;
    // Called before each rename; a code other than 0 refuses it with that error.
    std::function<uint32_t(const std::wstring& from, const std::wstring& to)> moveError;
    std::map<std::wstring, std::wstring> shortNames;  // stored path -> short path
    DiskFreeInfo diskFree{8, 512, 1000, 2000, 0};
    bool diskReady = true;
    bool longPaths = false;
    int moves = 0;

    MoveResult MoveDir(const std::wstring& from,
                       const std::wstring& to,
                       const std::optional<FileIdentity>& expected = std::nullopt) override;
    // "error N": the fake system's words for every code.
    std::wstring ErrorText(uint32_t error) override { return L"error " + std::to_wstring(error); }
    bool IsFolder(const std::wstring& path) override { return Exists(path) && !files_.count(Key(path)); }
    // The path a successful rename really stores, when a file system keeps
    // another name than the one asked for.
    std::function<std::wstring(const std::wstring& to)> storedAs;
    std::wstring CurrentDir() override { return current_; }
    bool SetCurrentDir(const std::wstring& path) override;
    std::optional<std::wstring> EntryName(const std::wstring& path) override;
    std::wstring ShortPath(const std::wstring& path) override;
    std::optional<DiskFreeInfo> DiskFree(const std::wstring& root) override;
    std::wstring TempPath() override { return L"C:\\TEMP\\"; }
    bool LongPathsEnabled() override { return longPaths; }
    std::vector<std::wstring> SubFolders(const std::wstring& dir) override;
    std::optional<std::vector<ListedEntry>> Entries(const std::wstring& dir) override;
    int entryLookups = 0;                  // calls of EntryName
    std::map<std::wstring, int> listings;  // calls of Entries by folder as asked
    int listingCalls = 0;                  // calls of Entries
    int dirChecks = 0;                     // calls of SetCurrentDir
    std::set<std::wstring> unlistable;     // folders (as given) whose listing fails
    std::set<std::wstring> links;          // folders (stored paths) listed as links
    int shortLookups = 0;                  // calls of ShortPath
    // Junctions or links to folders (entered as folders with AddDir) and hidden
    // folders: the paths as given.
    void MarkLink(const std::wstring& path) { links_.insert(Key(path)); }
    void MarkHidden(const std::wstring& path) { hidden_.insert(Key(path)); }
    std::optional<std::vector<TreeEntry>> TreeFolders(const std::wstring& dir,
                                                      const std::optional<FileIdentity>& expected = {}) override;
    bool IsFolderLink(const std::wstring& path) override { return links_.count(Key(path)) != 0; }
    bool ListsFromAnyThread() const override { return listsFromAnyThread; }
    bool listsFromAnyThread = false;  // a test that walks from a second thread touches nothing else meanwhile
    int treeListings = 0;  // calls of TreeFolders
    std::vector<std::wstring> Drives() override { return drives; }
    std::vector<std::wstring> drives{L"C:\\"};  // the roots the drive list offers
    bool IsOrdinaryFile(const std::wstring& path) override { return files_.count(Key(path)) != 0; }
    bool WriteFileBytes(const std::wstring& path, const std::string& bytes) override {
        if (Exists(path) && !IsOrdinaryFile(path)) return false;
        AddFile(path);
        written[path] = bytes;
        return true;
    }
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override {
        const auto found = written.find(path);
        if (found == written.end()) return std::nullopt;
        return found->second;
    }
    bool AppendFileBytes(const std::wstring& path, const std::string& bytes) override {
        if (Exists(path) && !IsOrdinaryFile(path)) return false;
        AddFile(path);
        written[path] += bytes;
        return true;
    }
    std::map<std::wstring, std::string> written;  // also what ReadFileBytes finds
    bool StoresNamesAsUtf8() const override { return utf8Names; }
    bool utf8Names = false;  // names limited to 255 UTF-8 bytes, as under Wine on Linux
    // Every entry is numbered when added; the number moves with it.
    std::optional<FileIdentity> IdentityOf(const std::wstring& path) override;

private:
    std::vector<std::wstring> Listing(const std::wstring& dir, bool withFiles) const;
    static std::wstring Key(const std::wstring& path);
    std::map<std::wstring, std::wstring> entries_;  // upper-cased path -> stored path
    std::set<std::wstring> files_;                  // upper-cased paths that are files
    std::set<std::wstring> links_, hidden_;         // upper-cased paths
    // Upper-cased path -> its number.
    std::map<std::wstring, uint64_t> ids_;
    uint64_t lastId_ = 0;
    std::wstring current_ = L"C:\\";
};

}  // namespace kelvaro::testing
