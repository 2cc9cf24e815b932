#include "engine/disk_paths.h"

#include <cwchar>

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
