#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvaro {

// One entry of a folder listing: its stored name, whether it is a folder, and
// its short name when the volume keeps one that differs; whether it is a link
// (a junction or symbolic link: a reparse point) rather than a folder of its own.
struct ListedEntry {
    std::wstring name;
    bool folder = false;
    std::wstring shortName;
    bool link = false;
};

struct DiskFreeInfo {
    uint32_t sectorsPerCluster = 0;
    uint32_t bytesPerSector = 0;
    uint32_t freeClusters = 0;
    uint32_t totalClusters = 0;
    // Free bytes as the volume reports them in 64 bits; 0 when unknown.
    uint64_t freeBytes = 0;
};

// What tells one file or folder from every other: its volume and its number there.
// A rename and a walk tell only the number (volume 0): they never leave a volume.
struct FileIdentity {
    uint64_t volume = 0, file = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The same object, for two identities of entries on one volume (a folder, its
// entries, a root and the tree below it), whichever way each was read.
inline bool SameInFolder(const FileIdentity& a, const FileIdentity& b) {
    return a.file == b.file && (a.volume == 0 || b.volume == 0 || a.volume == b.volume);
}

// One subfolder as a walk down a tree sees it.
struct TreeEntry {
    std::wstring name;
    bool link = false;    // a junction or symbolic link to a folder: renamed itself, never entered
    bool hidden = false;  // marked hidden or system
    // What it is, when the listing tells: comparable with what a rename
    // opened (MoveResult), not always with IdentityOf.
    std::optional<FileIdentity> identity;
};

// The error of a rename a file system cannot make (ERROR_CALL_NOT_IMPLEMENTED).
inline constexpr uint32_t kNotImplementedError = 120;

// How a rename ended: the system's error code, 0 when the rename was done;
// and what was renamed, when the file system can tell.
struct MoveResult {
    MoveResult() = default;
    MoveResult(uint32_t code, std::optional<FileIdentity> what = std::nullopt) : error(code), identity(what) {}
    uint32_t error = 0;
    std::optional<FileIdentity> identity;
    // After a rename: the name the file system stored for the folder, read
    // through the very handle that renamed it; none when it could not say
    // (the caller then looks the new name up).
    std::optional<std::wstring> stored;
    explicit operator bool() const { return error == 0; }
};
// The error of a rename refused because the path no longer names the folder
// a walk listed (something was swapped in, or a link put above it).
inline constexpr uint32_t kNotTheListedFolder = 0x20000001;

// Everything the program asks of the disk. One Win32 implementation; tests
// substitute fakes that refuse on demand.
class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // Renames the folder `from`; fails when no folder answers to `from` (a file
    // or a device is never renamed), when `to` exists, or when `expected` is
    // given and `from` names another folder now (kNotTheListedFolder). A
    // folder in use is tried again for a moment before the rename gives up.
    virtual MoveResult MoveDir(const std::wstring& from,
                               const std::wstring& to,
                               const std::optional<FileIdentity>& expected = std::nullopt) = 0;
    // Both renames of a folder through its temporary name: `from` to `temp`
    // (as MoveDir with `expected`) and then, when that was done, `temp` to
    // `to`, of that very folder (kNotTheListedFolder when `temp` names
    // another now). Only the second tells the name stored. A file system that
    // can keeps the folder open from the first rename to the second.
    struct ThroughTemp {
        MoveResult first;
        MoveResult second;  // not tried unless the first was done
    };
    virtual ThroughTemp MoveDirThrough(const std::wstring& from,
                                       const std::wstring& temp,
                                       const std::wstring& to,
                                       const std::optional<FileIdentity>& expected = std::nullopt) {
        ThroughTemp moves{MoveDir(from, temp, expected), {}};
        if (moves.first) moves.second = MoveDir(temp, to, moves.first.identity);
        return moves;
    }
    // Renames whatever entry `from` names, a file as well as a folder: only to
    // put back what took a folder's name at the wrong moment.
    virtual MoveResult MoveEntry(const std::wstring& from, const std::wstring& to) {
        (void)from;
        (void)to;
        return {kNotImplementedError, std::nullopt};
    }
    // The system's own words for an error code, in the user's language; empty
    // when it has none.
    virtual std::wstring ErrorText(uint32_t error) {
        (void)error;
        return {};
    }
    // True when a folder answers to `path`: one attribute query, no listing.
    // A device name (NUL, COM1, nul.txt...) never names a folder.
    virtual bool IsFolder(const std::wstring& path) = 0;
    virtual std::wstring CurrentDir() = 0;
    virtual bool SetCurrentDir(const std::wstring& path) = 0;
    // The stored name of the entry `path` names (its long name, stored case).
    virtual std::optional<std::wstring> EntryName(const std::wstring& path) = 0;
    // The short (8.3) spelling of a whole path; empty when there is none.
    virtual std::wstring ShortPath(const std::wstring& path) = 0;
    virtual std::optional<DiskFreeInfo> DiskFree(const std::wstring& root) = 0;
    virtual std::wstring TempPath() = 0;
    // Names of the subfolders of `dir`, in listing order.
    virtual std::vector<std::wstring> SubFolders(const std::wstring& dir) = 0;
    // Every entry of `dir` (files and folders, without "." and "..") with its
    // stored name, in listing order; nothing when `dir` cannot be listed.
    virtual std::optional<std::vector<ListedEntry>> Entries(const std::wstring& dir) = 0;
    // The subfolders of `dir` for a walk down a tree, in listing order, read in
    // one pass without short names; nothing when `dir` cannot be listed, or
    // when `expected` is given and `dir` names another folder now (a link
    // swapped in since the walk listed it is never entered).
    virtual std::optional<std::vector<TreeEntry>> TreeFolders(const std::wstring& dir,
                                                              const std::optional<FileIdentity>& expected = {}) {
        (void)expected;
        auto entries = Entries(dir);
        if (!entries) return std::nullopt;
        std::vector<TreeEntry> folders;
        for (auto& entry : *entries)
            if (entry.folder) folders.push_back({std::move(entry.name), false, false, std::nullopt});
        return folders;
    }
    // True when TreeFolders and IsFolderLink may be called from a second thread
    // while this one renames: a walk then runs ahead of the renames.
    virtual bool ListsFromAnyThread() const { return false; }
    // True when `path` is a junction or a symbolic link to a folder, not a folder of its own.
    virtual bool IsFolderLink(const std::wstring& path) {
        (void)path;
        return false;
    }
    // True when Windows lets this program (it declares itself long-path aware)
    // use paths beyond MAX_PATH.
    virtual bool LongPathsEnabled() = 0;
    // Roots of the drives present, such as C:\.
    virtual std::vector<std::wstring> Drives() = 0;
    // True for an existing file that is neither a folder nor hidden nor a system file.
    virtual bool IsOrdinaryFile(const std::wstring& path) = 0;
    // Creates or truncates a file and writes `bytes` to it.
    virtual bool WriteFileBytes(const std::wstring& path, const std::string& bytes) = 0;
    // Appends `bytes` to a file, creating it when there is none.
    virtual bool AppendFileBytes(const std::wstring& path, const std::string& bytes) {
        (void)path;
        (void)bytes;
        return false;
    }
    // True when names are stored as UTF-8 bytes, at most 255 of them (Wine on
    // a Linux file system), rather than as up to 255 UTF-16 code units.
    virtual bool StoresNamesAsUtf8() const { return false; }
    // The identity of what `path` names, links followed; nothing when it cannot be had.
    virtual std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
        (void)path;
        return std::nullopt;
    }
    // True when the folder `dir` may hold two names differing in case only
    // (a Linux file system under Wine, a folder marked case-sensitive on Windows).
    virtual bool TellsCaseApart(const std::wstring& dir) {
        (void)dir;
        return false;
    }
    // True for a folder the program itself needs: the folder it keeps its
    // journal in, every folder above that, and the folder it runs from.
    // Such a folder is never renamed, whatever path names it.
    virtual bool IsOwnFolder(const std::wstring& path) {
        (void)path;
        return false;
    }
    // True for a folder Windows itself names or needs: one of the user's known
    // folders (the profile, Documents, Pictures...) or a folder above one, a
    // cloud sync root (OneDrive), the Windows and Program Files folders, and a
    // folder Explorer shows under a localized name (its desktop.ini says so).
    virtual bool IsWindowsFolder(const std::wstring& path) {
        (void)path;
        return false;
    }
    // Puts a folder back under its old name: as MoveDir, but a folder in use
    // is waited for through the whole retry schedule even when the user has
    // stopped the run meanwhile, so that no folder is left under its
    // temporary name by a Cancel.
    virtual MoveResult MoveDirBack(const std::wstring& from, const std::wstring& to) { return MoveDir(from, to); }
    // False when the volume of `path` keeps no short (8.3) names at all
    // (exFAT, ReFS, NTFS with their creation switched off). A file system that
    // cannot tell answers false: a folder without a short name is then taken
    // to lie on such a volume.
    virtual bool KeepsShortNames(const std::wstring& path) {
        (void)path;
        return false;
    }
    // Why ShortPath finds nothing for `path`: the system's error code, 0 when
    // it cannot tell.
    virtual uint32_t ShortPathError(const std::wstring& path) {
        (void)path;
        return 0;
    }
    // The whole content of an ordinary file; nothing when it cannot be read.
    virtual std::optional<std::string> ReadFileBytes(const std::wstring& path) {
        (void)path;
        return std::nullopt;
    }
};

}  // namespace kelvaro
