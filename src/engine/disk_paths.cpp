#include "engine/disk_paths.h"

#include <windows.h>

#include <cwchar>
#include <unordered_map>

#include "engine/path_text.h"

namespace kelvaro {
namespace {

wchar_t UpperAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// A component that Windows looks up exactly as written: nothing it would trim
// (a trailing dot or blank) and no character with a meaning of its own in a
// lookup. Only such components, below only such components, are answered
// from a listing.
bool IsPlainComponent(const std::wstring& component) {
    if (component.back() == L'.' || component.back() == L' ') return false;
    for (wchar_t c : component)
        if (c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'|') return false;
    return true;
}

// Paths this long are left to the lookup, which alone knows whether the
// system takes them.
constexpr size_t kListableLength = 248;

}  // namespace

std::wstring LongDirName(IFileSystem& fs, const std::wstring& path) {
    return DirNameResolver(fs).LongDirName(path);
}

std::wstring DirNameResolver::LongDirName(const std::wstring& given) {
    std::wstring path = given;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    // Only paths on a drive letter: a share or a "\\?\" path has no long name to look up here.
    if (PathRoot(path).size() != 3) return {};
    if (path.find_first_of(L"*?") != std::wstring::npos) return {};
    if (IsDriveRoot(path)) return std::wstring{UpperAscii(path[0]), L':', L'\\'};

    std::wstring result{UpperAscii(path[0]), L':'};
    size_t parts = 1;
    size_t start = 3;
    bool plain = true;
    while (start < path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring component = path.substr(start, end - start);
        if (component.empty() || component == L"." || component == L"..") return {};
        if (++parts > 256) return {};
        plain = plain && IsPlainComponent(component);
        const auto name = Lookup(result, path.substr(0, end), component, plain && end < kListableLength);
        if (!name || name->empty()) return {};
        result += L'\\';
        result += *name;
        start = end + 1;
    }
    return result;
}

std::optional<std::wstring> DirNameResolver::Lookup(const std::wstring& parent,
                                                    const std::wstring& prefix,
                                                    const std::wstring& component,
                                                    bool listable) {
    const auto known = looked_.find(prefix);
    if (known != looked_.end()) return known->second;
    if (listable) {
        Folder& folder = folders_[parent];
        const std::wstring folded = FoldedName(component);
        if (!folder.listed && folder.firstAsked.empty()) {
            folder.firstAsked = folded;
        } else if (!folder.listed && folded != folder.firstAsked) {
            folder.listed = true;
            const std::wstring dir = parent.size() == 2 ? parent + L"\\" : parent;
            if (auto entries = fs_.Entries(dir)) {
                for (auto& entry : *entries) folder.names[FoldedName(entry.name)].push_back(std::move(entry));
            }
        }
        if (folder.listed) {
            if (const ListedEntry* entry = FromListing(folder, component, folded)) return looked_[prefix] = entry->name;
        }
    }
    return looked_[prefix] = fs_.EntryName(prefix);
}

// The entry a lookup of `component` finds: the one spelled exactly so, or
// the only one equal to it but for case. Anything else (a short name, an
// ambiguous or unlisted name) is left to the lookup itself.
const ListedEntry* DirNameResolver::FromListing(const Folder& folder,
                                                const std::wstring& component,
                                                const std::wstring& folded) {
    const auto it = folder.names.find(folded);
    if (it == folder.names.end()) return nullptr;
    const ListedEntry* found = nullptr;
    for (const auto& entry : it->second) {
        if (entry.name == component) return &entry;
        if (CompareStringOrdinal(entry.name.c_str(), static_cast<int>(entry.name.size()), component.c_str(),
                                 static_cast<int>(component.size()), TRUE) != CSTR_EQUAL)
            continue;
        if (found) return nullptr;
        found = &entry;
    }
    return found;
}

bool DirNameResolver::IsFolder(const std::wstring& canonical) {
    const auto slash = canonical.rfind(L'\\');
    if (slash != std::wstring::npos && slash + 1 < canonical.size()) {
        const auto folder = folders_.find(canonical.substr(0, slash));
        if (folder != folders_.end() && folder->second.listed) {
            const std::wstring name = canonical.substr(slash + 1);
            if (const ListedEntry* entry = FromListing(folder->second, name, FoldedName(name))) return entry->folder;
        }
    }
    return DirExist(fs_, canonical);
}

bool DirExist(IFileSystem& fs, const std::wstring& path) {
    const std::wstring remembered = fs.CurrentDir();
    std::wstring target = path;
    // "C:\" keeps its backslash: "C:" is the current folder of drive C.
    if (target.size() > 1 && !IsDriveRoot(target) && target.back() == L'\\') target.pop_back();
    const bool exists = !target.empty() && fs.SetCurrentDir(target);
    if (!fs.SetCurrentDir(remembered)) return false;
    return exists;
}

std::vector<std::wstring> ExistingDirNames(IFileSystem& fs, const std::vector<std::wstring>& names) {
    DirNameResolver resolver(fs);
    std::vector<std::wstring> result;
    result.reserve(names.size());
    for (const auto& name : names) {
        std::wstring canonical = resolver.LongDirName(name);
        if (!canonical.empty() && !resolver.IsFolder(canonical)) canonical.clear();
        result.push_back(std::move(canonical));
    }
    return result;
}

std::wstring TempDirName(IFileSystem& fs) {
    return fs.TempPath();
}

std::wstring FormatMegabytes(uint64_t bytes) {
    // One decimal, rounded half away from zero, then thousands separators.
    constexpr uint64_t kMega = 1048576;
    const uint64_t tenths = bytes / kMega * 10 + ((bytes % kMega) * 10 + kMega / 2) / kMega;
    std::wstring whole = std::to_wstring(tenths / 10);
    for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3) whole.insert(static_cast<size_t>(i), L",");
    return whole + L"." + std::to_wstring(tenths % 10);
}

std::wstring DriveFreeText(IFileSystem& fs, const std::wstring& path) {
    const std::wstring root = PathRoot(path);
    if (root.empty()) return {};
    const auto info = fs.DiskFree(root);
    if (!info || info->sectorsPerCluster == 0 || info->bytesPerSector == 0 || info->freeClusters == 0) return {};
    const uint64_t bytes = info->freeBytes != 0 ? info->freeBytes
                                                : uint64_t{info->bytesPerSector} * uint64_t{info->sectorsPerCluster} *
                                                      uint64_t{info->freeClusters};
    return L" (" + FormatMegabytes(bytes) + L"M Free)";
}

}  // namespace kelvaro
