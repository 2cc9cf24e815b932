#include "platform/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "platform/unique_handle.h"

namespace kelvaro {
namespace {

// Calls `query(buffer, size)` until the buffer is large enough; empty on failure.
template <typename Query>
std::wstring QueryText(Query query) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = query(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length + 1, L'\0');
    }
    return {};
}

}  // namespace

bool Win32FileSystem::MoveDir(const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty()) return false;
    return MoveFileW(from.c_str(), to.c_str()) != FALSE;
}

bool Win32FileSystem::IsFolder(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring Win32FileSystem::CurrentDir() {
    return QueryText([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
}

bool Win32FileSystem::SetCurrentDir(const std::wstring& path) {
    return !path.empty() && SetCurrentDirectoryW(path.c_str()) != FALSE;
}

std::optional<std::wstring> Win32FileSystem::EntryName(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileW(path.c_str(), &data));
    if (!find) return std::nullopt;
    return std::wstring(data.cFileName);
}

std::wstring Win32FileSystem::ShortPath(const std::wstring& path) {
    return QueryText([&](wchar_t* b, DWORD n) { return GetShortPathNameW(path.c_str(), b, n); });
}

std::optional<DiskFreeInfo> Win32FileSystem::DiskFree(const std::wstring& root) {
    DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceW(root.c_str(), &sectors, &bytes, &freeClusters, &totalClusters)) return std::nullopt;
    DiskFreeInfo info{sectors, bytes, freeClusters, totalClusters, 0};
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree)) info.freeBytes = totalFree.QuadPart;
    return info;
}

std::wstring Win32FileSystem::TempPath() {
    return QueryText([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
}

bool Win32FileSystem::LongPathsEnabled() {
    using Query = BOOLEAN(WINAPI*)();
    static const bool enabled = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        const auto query = ntdll ? reinterpret_cast<Query>(GetProcAddress(ntdll, "RtlAreLongPathsEnabled")) : nullptr;
        return query != nullptr && query() != FALSE;
    }();
    return enabled;
}

std::vector<std::wstring> Win32FileSystem::SubFolders(const std::wstring& dir) {
    std::vector<std::wstring> names;
    std::wstring pattern = dir;
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchLimitToDirectories,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return names;
    do {
        const std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

std::optional<std::vector<ListedEntry>> Win32FileSystem::Entries(const std::wstring& dir) {
    std::wstring pattern = dir;
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return std::nullopt;
    std::vector<ListedEntry> entries;
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back(
                {std::wstring(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, data.cAlternateFileName});
    } while (FindNextFileW(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;  // a listing cut short answers nothing
    return entries;
}

std::vector<std::wstring> Win32FileSystem::Drives() {
    std::vector<std::wstring> roots;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (mask & (1u << i)) roots.push_back(std::wstring{static_cast<wchar_t>(L'A' + i), L':', L'\\'});
    }
    return roots;
}

bool Win32FileSystem::IsOrdinaryFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

bool Win32FileSystem::WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    size_t written = 0;
    while (written < bytes.size()) {
        DWORD chunk = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1 << 20));
        if (!WriteFile(file.get(), bytes.data() + written, want, &chunk, nullptr) || chunk == 0) return false;
        written += chunk;
    }
    return true;
}

std::optional<std::string> Win32FileSystem::ReadFileBytes(const std::wstring& path) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    // A list of 1000 long paths is well below this; anything larger is not a list.
    constexpr LONGLONG kLargest = 64LL << 20;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargest) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t read = 0;
    while (read < bytes.size()) {
        DWORD chunk = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - read, 1 << 20));
        if (!ReadFile(file.get(), bytes.data() + read, want, &chunk, nullptr)) return std::nullopt;
        if (chunk == 0) break;
        read += chunk;
    }
    bytes.resize(read);
    return bytes;
}

}  // namespace kelvaro
