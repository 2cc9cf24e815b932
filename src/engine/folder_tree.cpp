#include "engine/folder_tree.h"

#include <algorithm>
#include <utility>

namespace kelvaro {

FolderTreeWalk::FolderTreeWalk(IFileSystem& fs, const std::wstring& root, bool withHidden)
    : fs_(fs), withHidden_(withHidden) {
    // Neither a link nor what an interrupted rename left is entered, even when
    // named. What the root is, asked before it is found to be no link, is
    // what its listing and its rename must find: a link swapped in for it
    // after the look leads nowhere.
    const auto identity = fs_.IdentityOf(root);
    const size_t slash = root.find_last_of(L'\\');
    if (fs_.IsFolderLink(root) || IsTempName(slash == std::wstring::npos ? root : root.substr(slash + 1)))
        rootLink_ = root;
    else
        Enter(root, identity);
}

void FolderTreeWalk::Enter(std::wstring path, const std::optional<FileIdentity>& identity) {
    Level level{std::move(path), identity, {}, 0};
    if (auto folders = fs_.TreeFolders(level.path, identity)) {
        std::erase_if(*folders,
                      [&](const TreeEntry& entry) { return (entry.hidden && !withHidden_) || IsTempName(entry.name); });
        level.folders = std::move(*folders);
    } else {
        unlisted_.push_back(level.path);
    }
    levels_.push_back(std::move(level));
}

std::optional<std::wstring> FolderTreeWalk::Next() {
    handedOut_.reset();
    if (rootLink_) return std::exchange(rootLink_, std::nullopt);
    while (!levels_.empty()) {
        Level& level = levels_.back();
        if (level.next == level.folders.size()) {
            handedOut_ = WalkedFolder{level.path, false, level.identity};
            levels_.pop_back();
            return handedOut_->path;
        }
        const TreeEntry& entry = level.folders[level.next++];
        std::wstring child = level.path + (level.path.back() == L'\\' ? L"" : L"\\") + entry.name;
        if (entry.link) {
            handedOut_ = WalkedFolder{child, false, entry.identity};
            return child;
        }
        Enter(std::move(child), entry.identity);
    }
    return std::nullopt;
}

std::optional<WalkedFolder> FolderTreeWalk::NextWalked() {
    auto path = Next();
    if (!path) return std::nullopt;
    const bool unlisted = !unlisted_.empty() && unlisted_.back() == *path;
    return WalkedFolder{std::move(*path), unlisted, handedOut_ ? handedOut_->identity : std::nullopt};
}

FolderTreeAhead::FolderTreeAhead(IFileSystem& fs, std::wstring root, bool withHidden, size_t ahead)
    : ahead_(std::max<size_t>(ahead, 2)) {
    if (fs.ListsFromAnyThread())
        thread_ = std::thread([this, &fs, root = std::move(root), withHidden] { Walk(fs, root, withHidden); });
    else
        inHand_ = std::make_unique<FolderTreeWalk>(fs, root, withHidden);
}

FolderTreeAhead::~FolderTreeAhead() {
    if (inHand_) return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void FolderTreeAhead::Walk(IFileSystem& fs, const std::wstring& root, bool withHidden) {
    try {
        FolderTreeWalk walk(fs, root, withHidden);
        // Handed over a few at a time, and the other side woken only when it
        // waits: every wake-up costs a call into the system.
        std::vector<WalkedFolder> walked;
        auto handOver = [&](bool last) {
            std::unique_lock lock(mutex_);
            for (auto& folder : walked) ready_.push_back(std::move(folder));
            walked.clear();
            over_ = last;
            if (taking_) changed_.notify_all();
            if (!last && ready_.size() >= ahead_) {
                giving_ = true;
                changed_.wait(lock, [&] { return quit_ || ready_.size() <= ahead_ / 2; });
                giving_ = false;
            }
            return !quit_;
        };
        while (auto folder = walk.NextWalked()) {
            walked.push_back(std::move(*folder));
            if (walked.size() >= 64 && !handOver(false)) return;
        }
        handOver(true);
    } catch (...) {
        {
            std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            over_ = true;
        }
        changed_.notify_all();
    }
}

std::optional<WalkedFolder> FolderTreeAhead::Next() {
    if (inHand_) return inHand_->NextWalked();
    std::unique_lock lock(mutex_);
    if (ready_.empty() && !over_) {
        taking_ = true;
        changed_.wait(lock, [&] { return !ready_.empty() || over_; });
        taking_ = false;
    }
    if (ready_.empty()) {
        if (failure_) std::rethrow_exception(failure_);
        return std::nullopt;
    }
    WalkedFolder folder = std::move(ready_.front());
    ready_.pop_front();
    const bool wake = giving_ && ready_.size() <= ahead_ / 2;
    lock.unlock();
    if (wake) changed_.notify_all();
    return folder;
}

}  // namespace kelvaro
