#include "engine/folder_tree.h"

#include <algorithm>
#include <utility>

#include "engine/folder_rules.h"

namespace kelvaro {

bool IsTempName(const std::wstring& name) {
    const size_t suffix = std::char_traits<wchar_t>::length(kTempSuffix);
    return name.size() > suffix && name.compare(name.size() - suffix, suffix, kTempSuffix) == 0;
}

FolderTreeWalk::FolderTreeWalk(IFileSystem& fs, const std::wstring& root, bool withHidden)
    : fs_(fs), withHidden_(withHidden) {
    if (fs_.IsFolderLink(root))
        rootLink_ = root;
    else
        Enter(root);
}

void FolderTreeWalk::Enter(std::wstring path) {
    Level level{std::move(path), {}, 0};
    if (auto folders = fs_.TreeFolders(level.path)) {
        std::erase_if(*folders,
                      [&](const TreeEntry& entry) { return (entry.hidden && !withHidden_) || IsTempName(entry.name); });
        level.folders = std::move(*folders);
    } else {
        unlisted_.push_back(level.path);
    }
    levels_.push_back(std::move(level));
}

std::optional<std::wstring> FolderTreeWalk::Next() {
    if (rootLink_) return std::exchange(rootLink_, std::nullopt);
    while (!levels_.empty()) {
        Level& level = levels_.back();
        if (level.next == level.folders.size()) {
            std::wstring done = std::move(level.path);
            levels_.pop_back();
            return done;
        }
        const TreeEntry& entry = level.folders[level.next++];
        std::wstring child = level.path + (level.path.back() == L'\\' ? L"" : L"\\") + entry.name;
        if (entry.link) return child;
        Enter(std::move(child));
    }
    return std::nullopt;
}

}  // namespace kelvaro
