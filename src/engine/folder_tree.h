#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/folder_rules.h"
#include "ports/file_system.h"

namespace kelvaro {

// One folder a walk hands out, and whether the folders below it could be
// listed; what it is (when the listing told), so that its rename can make
// sure the path still leads to it.
struct WalkedFolder {
    std::wstring path;
    bool unlisted = false;
    std::optional<FileIdentity> identity;
};

// Every folder below `root` at every depth, then `root` itself: each folder
// after all the folders below it, so that renaming the folders in this order
// never changes the path of a folder still to come. Only a listing at a time
// is held per level, never the whole tree. Junctions and links to folders
// are handed out but never entered; hidden and system folders are left out
// with everything below them unless asked for; a folder still under the
// temporary name of an interrupted rename is never handed out nor entered.
// Each folder is entered only while it is still the folder its parent's
// listing showed: a link swapped in meanwhile is neither entered nor followed.
class FolderTreeWalk {
public:
    FolderTreeWalk(IFileSystem& fs, const std::wstring& root, bool withHidden);
    // The next folder, or nothing when the walk is over.
    std::optional<std::wstring> Next();
    // The same, with whether the folders below it could not be listed.
    std::optional<WalkedFolder> NextWalked();
    // The folders that could not be listed: what lies below them was not walked.
    const std::vector<std::wstring>& Unlisted() const { return unlisted_; }

private:
    struct Level {
        std::wstring path;
        std::optional<FileIdentity> identity;
        std::vector<TreeEntry> folders;
        size_t next = 0;
    };
    void Enter(std::wstring path, const std::optional<FileIdentity>& identity);
    std::optional<WalkedFolder> handedOut_;  // the last folder Next handed out, with what it is

    IFileSystem& fs_;
    bool withHidden_;
    std::vector<Level> levels_;
    std::optional<std::wstring> rootLink_;  // a root that is a link (or left by a rename): handed out alone
    std::vector<std::wstring> unlisted_;
};

// The same walk in a thread of its own, running at most `ahead` folders ahead
// of the caller, so that listing the next folders overlaps with renaming the
// last ones. Renaming each folder as it comes is safe: a folder comes only
// after every folder below it, so a rename never changes the path of a folder
// the walk has still to list. Asks `fs` for listings from that thread only,
// and only when it allows that (ListsFromAnyThread); else the walk is done in
// hand, a folder at each call.
class FolderTreeAhead {
public:
    static constexpr size_t kAhead = 4096;
    FolderTreeAhead(IFileSystem& fs, std::wstring root, bool withHidden, size_t ahead = kAhead);
    // Stops the walk where it is and waits for its thread.
    ~FolderTreeAhead();
    FolderTreeAhead(const FolderTreeAhead&) = delete;
    FolderTreeAhead& operator=(const FolderTreeAhead&) = delete;
    // The next folder, or nothing when the walk is over. Rethrows what stopped the walk.
    std::optional<WalkedFolder> Next();

private:
    void Walk(IFileSystem& fs, const std::wstring& root, bool withHidden);

    const size_t ahead_;
    std::unique_ptr<FolderTreeWalk> inHand_;  // the walk, when it has no thread
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<WalkedFolder> ready_;  // walked, not yet handed out
    bool over_ = false, quit_ = false;
    bool taking_ = false, giving_ = false;  // a side waiting for the other: only then is it woken
    std::exception_ptr failure_;
    std::thread thread_;
};


}  // namespace kelvaro
