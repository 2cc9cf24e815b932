#include "platform/win32_file_system.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

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

// True when the system takes `path` for a device (NUL, COM1, nul.txt...): its
// own rule, which differs between versions of Windows, and under Wine, which
// answers attribute queries and lookups for such names as if a file were there.
bool IsDeviceName(const std::wstring& path) {
    using Query = ULONG(NTAPI*)(PCWSTR);
    static const Query query = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlIsDosDeviceName_U")))
                     : nullptr;
    }();
    return query && !path.empty() && query(path.c_str()) != 0;
}

// Errors of a folder that something holds open: an editor, Explorer, the
// indexer or a virus scanner usually lets go within a second or two.
bool InUse(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// One try: opens the folder itself, makes sure it is one, and renames that
// very object, so that a file or device that took its name is never moved.
DWORD RenameFolder(const std::wstring& from, const std::wstring& to) {
    if (IsDeviceName(from)) return ERROR_PATH_NOT_FOUND;
    UniqueFileHandle folder(CreateFileW(from.c_str(), DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!folder) return GetLastError();
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &basic, sizeof(basic)) ||
        !(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_PATH_NOT_FOUND;
    // A link is renamed only through a handle to the link itself. Wine 8 opens
    // the folder a Linux symbolic link leads to, and renaming that handle would
    // move that folder, from wherever it is, in place of the link.
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        const DWORD attributes = GetFileAttributesW(from.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return ERROR_NOT_SUPPORTED;
    }
    const size_t nameBytes = to.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(
        std::max(sizeof(FILE_RENAME_INFO), offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t)));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::copy(to.begin(), to.end(), rename->FileName);
    if (!SetFileInformationByHandle(folder.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())))
        return GetLastError();
    return ERROR_SUCCESS;
}

}  // namespace

MoveResult Win32FileSystem::MoveDir(const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty()) return {ERROR_INVALID_NAME};
    DWORD error = RenameFolder(from, to);
    for (const unsigned pause : kInUsePauses) {
        if (!InUse(error)) break;
        if (!pause_)
            Sleep(pause);
        else if (!pause_(pause))
            break;
        error = RenameFolder(from, to);
    }
    return {error};
}

std::wstring Win32FileSystem::ErrorText(uint32_t error) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    // One line: the message's own line breaks become blanks, the last ones go.
    for (auto& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\u3000')) text.pop_back();
    return text;
}

bool Win32FileSystem::IsFolder(const std::wstring& path) {
    if (path.empty() || IsDeviceName(path)) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring Win32FileSystem::CurrentDir() {
    return QueryText([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); });
}

bool Win32FileSystem::SetCurrentDir(const std::wstring& path) {
    return !path.empty() && !IsDeviceName(path) && SetCurrentDirectoryW(path.c_str()) != FALSE;
}

std::optional<std::wstring> Win32FileSystem::EntryName(const std::wstring& path) {
    if (IsDeviceName(path)) return std::nullopt;
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

namespace {

// A listing of everything in `dir`; with `foldersOnly`, of its folders
// (a hint the system may ignore) without short names. `data` gets the first entry.
UniqueFindHandle OpenListing(const std::wstring& dir, bool foldersOnly, WIN32_FIND_DATAW& data) {
    std::wstring pattern = dir;
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    return UniqueFindHandle(FindFirstFileExW(pattern.c_str(), foldersOnly ? FindExInfoBasic : FindExInfoStandard, &data,
                                             foldersOnly ? FindExSearchLimitToDirectories : FindExSearchNameMatch,
                                             nullptr, FIND_FIRST_EX_LARGE_FETCH));
}

bool IsLinkEntry(const WIN32_FIND_DATAW& data) {
    return kelvaro::IsFolderLink(data.dwFileAttributes, data.dwReserved0);
}

}  // namespace

std::vector<std::wstring> Win32FileSystem::SubFolders(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle find = OpenListing(dir, true, data);
    if (!find) return names;
    do {
        const std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find.get(), &data));
    return names;
}

bool IsFolderLink(unsigned long attributes, unsigned long reparseTag) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    // Junctions and symbolic links stand for another name; a cloud file's
    // placeholder (OneDrive) is a reparse point too but holds its own folders.
    // Wine gives its links no tag: a reparse point without one is a link.
    return reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag);
}

std::optional<std::vector<ListedEntry>> Win32FileSystem::Entries(const std::wstring& dir) {
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle find = OpenListing(dir, false, data);
    if (!find) return std::nullopt;
    std::vector<ListedEntry> entries;
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back({std::wstring(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               data.cAlternateFileName, IsLinkEntry(data)});
    } while (FindNextFileW(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;  // a listing cut short answers nothing
    return entries;
}

std::optional<std::vector<TreeEntry>> Win32FileSystem::TreeFolders(const std::wstring& dir) {
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle find = OpenListing(dir, true, data);
    if (!find) return std::nullopt;
    std::vector<TreeEntry> folders;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        folders.push_back({std::wstring(name), IsLinkEntry(data),
                           (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0});
    } while (FindNextFileW(find.get(), &data));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;  // a listing cut short answers nothing
    return folders;
}

bool Win32FileSystem::IsFolderLink(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    return find && IsLinkEntry(data);
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

namespace {

// Writes every byte, a megabyte at a time; false when a write fails.
bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        DWORD chunk = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1 << 20));
        if (!WriteFile(file, bytes.data() + written, want, &chunk, nullptr) || chunk == 0) return false;
        written += chunk;
    }
    return true;
}

}  // namespace

bool Win32FileSystem::WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.get(), bytes);
}

bool Win32FileSystem::AppendFileBytes(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.get(), bytes);
}

std::optional<std::string> Win32FileSystem::ReadFileBytes(const std::wstring& path) {
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    // A list of a million long paths is well below this; anything larger is not a list.
    constexpr LONGLONG kLargest = 1LL << 30;
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
