#include "engine/disk_paths.h"

#include <cwchar>
#include <unordered_map>
#include <unordered_set>

#include "engine/path_text.h"

namespace kelvaro {
namespace {

wchar_t UpperAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool HasDriveRoot(const std::wstring& path) {
    return path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
}

}  // namespace

std::wstring LongDirName(IFileSystem& fs, const std::wstring& path) {
    if (!HasDriveRoot(path)) return {};
    if (path.find_first_of(L"*?") != std::wstring::npos) return {};
    if (path.size() == 3) return std::wstring{UpperAscii(path[0]), L':', L'\\'};

    std::wstring result{UpperAscii(path[0]), L':'};
    size_t parts = 1;
    size_t start = 3;
    while (start < path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring component = path.substr(start, end - start);
        if (component.empty() || component == L"." || component == L"..") return {};
        if (++parts > 256) return {};
        const auto name = fs.EntryName(path.substr(0, end));
        if (!name || name->empty()) return {};
        result += L'\\';
        result += *name;
        start = end + 1;
    }
    return result;
}

bool DirExist(IFileSystem& fs, const std::wstring& path) {
    const std::wstring remembered = fs.CurrentDir();
    std::wstring target = path;
    if (target.size() > 3 && target.back() == L'\\') target.pop_back();
    const bool exists = !target.empty() && fs.SetCurrentDir(target);
    if (!fs.SetCurrentDir(remembered)) return false;
    return exists;
}

std::vector<std::wstring> ExistingDirNames(IFileSystem& fs, const std::vector<std::wstring>& names) {
    // A listing pays off only for a folder named as the parent of several names.
    constexpr size_t kListFrom = 8;
    auto parentOf = [](const std::wstring& name) -> std::wstring {
        const size_t slash = name.rfind(L'\\');
        if (!HasDriveRoot(name) || slash == std::wstring::npos || slash < 2 || slash + 1 >= name.size()) return {};
        return slash == 2 ? name.substr(0, 3) : name.substr(0, slash);
    };
    struct Parent {
        size_t names = 0;
        bool listed = false;
        std::wstring canonical;
        std::unordered_set<std::wstring> subFolders;
    };
    std::unordered_map<std::wstring, Parent> parents;
    for (const auto& name : names) {
        const std::wstring parent = parentOf(name);
        if (!parent.empty()) ++parents[parent].names;
    }

    std::vector<std::wstring> result;
    result.reserve(names.size());
    for (const auto& name : names) {
        const std::wstring parentText = parentOf(name);
        const auto found = parentText.empty() ? parents.end() : parents.find(parentText);
        if (found != parents.end() && found->second.names >= kListFrom) {
            Parent& parent = found->second;
            if (!parent.listed) {
                parent.listed = true;
                parent.canonical = LongDirName(fs, parentText);
                if (!parent.canonical.empty())
                    for (auto& sub : fs.SubFolders(parent.canonical)) parent.subFolders.insert(std::move(sub));
            }
            const std::wstring last = name.substr(name.rfind(L'\\') + 1);
            if (!parent.canonical.empty() && parent.subFolders.count(last)) {
                std::wstring path = parent.canonical;
                if (path.back() != L'\\') path += L'\\';
                result.push_back(path + last);
                continue;
            }
        }
        std::wstring canonical = LongDirName(fs, name);
        if (!canonical.empty() && !DirExist(fs, canonical)) canonical.clear();
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
    if (path.size() < 2) return {};
    const auto info = fs.DiskFree(path.substr(0, 2) + L"\\");
    if (!info || info->sectorsPerCluster == 0 || info->bytesPerSector == 0 || info->freeClusters == 0) return {};
    const uint64_t bytes = info->freeBytes != 0 ? info->freeBytes
                                                : uint64_t{info->bytesPerSector} * uint64_t{info->sectorsPerCluster} *
                                                      uint64_t{info->freeClusters};
    return L" (" + FormatMegabytes(bytes) + L"M Free)";
}

}  // namespace kelvaro
