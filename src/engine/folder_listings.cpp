#include "engine/folder_listings.h"

#include <algorithm>

#include "engine/path_text.h"

namespace kelvaro {

FolderListings::Names& FolderListings::Of(const std::wstring& parent) {
    // Kept by the parent's path as spelled: two folders differing in case only are two folders.
    if (parents_.size() >= 256 && !parents_.count(parent)) parents_.clear();
    auto [it, added] = parents_.try_emplace(parent);
    if (added)
        for (auto& entry : fs_.Entries(parent).value_or(std::vector<ListedEntry>{}))
            it->second[FoldedName(entry.name)].push_back(std::move(entry.name));
    return it->second;
}

std::wstring FolderListings::Stored(const std::wstring& path) {
    const Names& names = Of(ParentWithSeparator(path));
    const std::wstring name = LastPathName(path);
    const auto it = names.find(FoldedName(name));
    if (it == names.end()) return {};
    const auto exact = std::find(it->second.begin(), it->second.end(), name);
    return exact != it->second.end() ? *exact : it->second.front();
}

size_t FolderListings::Holders(const std::wstring& path) {
    const Names& names = Of(ParentWithSeparator(path));
    const auto it = names.find(FoldedName(LastPathName(path)));
    return it == names.end() ? 0 : it->second.size();
}

void FolderListings::Moved(const std::wstring& from, const std::wstring& to) {
    auto& before = Of(ParentWithSeparator(from))[FoldedName(LastPathName(from))];
    if (const auto it = std::find(before.begin(), before.end(), LastPathName(from)); it != before.end())
        before.erase(it);
    else if (!before.empty())
        before.pop_back();
    Of(ParentWithSeparator(to))[FoldedName(LastPathName(to))].push_back(LastPathName(to));
}

}  // namespace kelvaro
