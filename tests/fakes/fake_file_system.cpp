#include "fakes/fake_file_system.h"

#include <windows.h>

namespace kelvaro::testing {

FakeFileSystem::FakeFileSystem() {
    entries_[L"C:\\"] = L"C:\\";
}

std::wstring FakeFileSystem::Key(const std::wstring& path) {
    std::wstring key = path;
    if (key.size() > 3 && key.back() == L'\\') key.pop_back();
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

void FakeFileSystem::AddDir(const std::wstring& path) {
    auto add = [&](const std::wstring& stored) {
        entries_[Key(stored)] = stored;
        if (!ids_.count(Key(stored))) ids_[Key(stored)] = ++lastId_;
    };
    add(path.substr(0, 3));
    for (size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
        if (!entries_.count(Key(path.substr(0, pos)))) add(path.substr(0, pos));
    }
    add(path);
}

std::optional<FileIdentity> FakeFileSystem::IdentityOf(const std::wstring& path) {
    const auto it = ids_.find(Key(path));
    if (it == ids_.end()) return std::nullopt;
    return FileIdentity{1, it->second};
}

void FakeFileSystem::AddFile(const std::wstring& path) {
    AddDir(path);
    files_.insert(Key(path));
}

bool FakeFileSystem::Exists(const std::wstring& path) const {
    return entries_.count(Key(path)) != 0;
}

std::wstring FakeFileSystem::Stored(const std::wstring& path) const {
    const auto it = entries_.find(Key(path));
    return it == entries_.end() ? std::wstring() : it->second;
}

MoveResult FakeFileSystem::MoveDir(const std::wstring& from,
                                   const std::wstring& asked,
                                   const std::optional<FileIdentity>&) {
    ++moves;
    if (moveError)
        if (const uint32_t error = moveError(from, asked)) return {error};
    if (allowMove && !allowMove(from, asked)) return {ERROR_ACCESS_DENIED};
    const std::wstring to = storedAs ? storedAs(asked) : asked;
    const std::wstring fromKey = Key(from), toKey = Key(to);
    // Only a folder is renamed, as the system's rename of an opened folder does.
    if (!entries_.count(fromKey) || files_.count(fromKey)) return {ERROR_PATH_NOT_FOUND};
    if (fromKey != toKey && entries_.count(toKey)) return {ERROR_ALREADY_EXISTS};
    const auto slash = to.rfind(L'\\');
    if (slash == std::wstring::npos || !entries_.count(Key(to.substr(0, slash == 2 ? 3 : slash))))
        return {ERROR_PATH_NOT_FOUND};
    // Move the folder and everything below it: the keys that begin with its own stand together.
    const MoveResult done{0, FileIdentity{1, ids_[fromKey]}};
    std::map<std::wstring, std::wstring> moved;
    std::map<std::wstring, uint64_t> movedIds;
    for (auto it = entries_.lower_bound(fromKey);
         it != entries_.end() && it->first.compare(0, fromKey.size(), fromKey) == 0;) {
        if (it->first.size() == fromKey.size() || it->first[fromKey.size()] == L'\\') {
            const std::wstring rest = it->second.substr(from.size());
            moved[Key(to + rest)] = to + rest;
            movedIds[Key(to + rest)] = ids_[it->first];
            ids_.erase(it->first);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    entries_.insert(moved.begin(), moved.end());
    for (const auto& [key, id] : movedIds) ids_[key] = id;
    return done;
}

bool FakeFileSystem::SetCurrentDir(const std::wstring& path) {
    ++dirChecks;
    const std::wstring key = Key(path);
    if (!entries_.count(key) || files_.count(key)) return false;
    current_ = entries_[key];
    return true;
}

std::optional<std::wstring> FakeFileSystem::EntryName(const std::wstring& path) {
    ++entryLookups;
    const auto it = entries_.find(Key(path));
    if (it != entries_.end()) return it->second.substr(it->second.rfind(L'\\') + 1);
    // A short spelling resolves to the long name it stands for.
    for (const auto& [stored, shortPath] : shortNames)
        if (Key(shortPath) == Key(path)) return stored.substr(stored.rfind(L'\\') + 1);
    return std::nullopt;
}

std::wstring FakeFileSystem::ShortPath(const std::wstring& path) {
    ++shortLookups;
    if (!Exists(path)) return {};
    const auto it = shortNames.find(Stored(path));
    return it == shortNames.end() ? Stored(path) : it->second;
}

std::optional<DiskFreeInfo> FakeFileSystem::DiskFree(const std::wstring&) {
    if (!diskReady) return std::nullopt;
    return diskFree;
}

std::vector<std::wstring> FakeFileSystem::Listing(const std::wstring& dir, bool withFiles) const {
    std::vector<std::wstring> names;
    std::wstring prefix = Key(dir);
    if (prefix.back() != L'\\') prefix += L'\\';
    for (const auto& [key, stored] : entries_) {
        if (key.size() > prefix.size() && key.rfind(prefix, 0) == 0 &&
            key.find(L'\\', prefix.size()) == std::wstring::npos && (withFiles || !files_.count(key)))
            names.push_back(stored.substr(stored.rfind(L'\\') + 1));
    }
    return names;
}

std::vector<std::wstring> FakeFileSystem::SubFolders(const std::wstring& dir) {
    return Listing(dir, false);
}

std::optional<std::vector<ListedEntry>> FakeFileSystem::Entries(const std::wstring& dir) {
    ++listings[dir];
    ++listingCalls;
    const std::wstring key = Key(dir);
    if (!entries_.count(key) || files_.count(key) || unlistable.count(dir)) return std::nullopt;
    const std::wstring parent = Stored(dir);
    std::vector<ListedEntry> entries;
    for (auto& name : Listing(dir, true)) {
        const std::wstring path = parent + (parent.back() == L'\\' ? L"" : L"\\") + name;
        const auto it = shortNames.find(path);
        entries.push_back({name, !files_.count(Key(path)),
                           it == shortNames.end() ? L"" : it->second.substr(it->second.rfind(L'\\') + 1),
                           links.count(path) != 0});
    }
    return entries;
}

std::optional<std::vector<TreeEntry>> FakeFileSystem::TreeFolders(const std::wstring& dir,
                                                                  const std::optional<FileIdentity>&) {
    ++treeListings;
    const std::wstring key = Key(dir);
    if (!entries_.count(key) || files_.count(key) || unlistable.count(dir)) return std::nullopt;
    std::vector<TreeEntry> folders;
    const std::wstring prefix = key.back() == L'\\' ? key : key + L'\\';
    for (auto& name : Listing(dir, false)) {
        const std::wstring child = Key(prefix + name);
        folders.push_back({name, links_.count(child) != 0, hidden_.count(child) != 0, std::nullopt});
    }
    return folders;
}

}  // namespace kelvaro::testing
