#include "platform/win32_file_system.h"

#include <windows.h>
#include <winioctl.h>

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

// A wait the user stopped is slept in steps this long, the window answering between them.
constexpr unsigned kStoppedStep = 20;

// A try worth repeating: a folder that something holds open (an editor,
// Explorer, the indexer or a virus scanner usually lets go within a second or
// two) refuses to be opened with a sharing violation, and refuses the rename
// itself with an access denial when a file below it is open. An access
// denial when opening is the folder's permissions: no wait changes those.
bool InUse(DWORD error, bool atOpen) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           (error == ERROR_ACCESS_DENIED && !atOpen);
}

// What an open handle is, as a walk and a rename compare it: the file's
// number on its volume (FileInternalInformation, which under Wine costs a
// fraction of GetFileInformationByHandle). A walk never leaves its volume, so
// the number alone tells its folders apart.
std::optional<FileIdentity> WalkIdentity(HANDLE handle) {
    using Query = LONG(NTAPI*)(HANDLE, void* status, void* info, ULONG length, int kind);
    static const Query query = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")))
                     : nullptr;
    }();
    struct {
        void* pointer;
        ULONG_PTR information;
    } status{};
    LARGE_INTEGER index{};
    constexpr int kFileInternalInformation = 6;
    if (!query || query(handle, &status, &index, sizeof(index), kFileInternalInformation) < 0) return std::nullopt;
    return FileIdentity{0, static_cast<uint64_t>(index.QuadPart)};
}

}  // namespace

uint32_t Win32FileSystem::TryRename(const std::wstring& from,
                                    const std::wstring& to,
                                    const std::optional<FileIdentity>& expected,
                                    MoveResult& result,
                                    FailedStep& failed,
                                    HeldFolder* held) {
    HeldFolder opened;
    HeldFolder& folder = held ? *held : opened;
    if (!folder.handle) {
        failed = FailedStep::Open;
        if (IsDeviceName(from)) return ERROR_PATH_NOT_FOUND;
        // Wine renames the path the handle was opened with instead of the object:
        // `identity` tells what was opened, so that the caller can look.
        UniqueFileHandle handle(CreateFileW(from.c_str(), DELETE | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                            nullptr));
        if (!handle) return GetLastError();
        result.identity = WalkIdentity(handle.get());
        // The path leads elsewhere than to the folder a walk listed: a link put
        // above it, or another folder moved in. Never renamed.
        if (expected && (!result.identity || !SameInFolder(*result.identity, *expected))) return kNotTheListedFolder;
        FILE_BASIC_INFO basic{};
        if (!GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof(basic)) ||
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
        folder.handle = std::move(handle);
        folder.identity = result.identity;
    }
    result.identity = folder.identity;
    failed = FailedStep::Rename;
    const size_t nameBytes = to.size() * sizeof(wchar_t);
    std::vector<std::byte> buffer(
        std::max(sizeof(FILE_RENAME_INFO), offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t)));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::copy(to.begin(), to.end(), rename->FileName);
    if (!SetFileInformationByHandle(folder.handle.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())))
        return GetLastError();
    failed = FailedStep::None;
    if (!folder.readStored) return ERROR_SUCCESS;
    // The name the file system stored, from the folder itself: one question
    // of the folder instead of a look-up of its new name among its siblings.
    const std::wstring now = QueryText([&](wchar_t* b, DWORD n) {
        return GetFinalPathNameByHandleW(folder.handle.get(), b, n, FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
    });
    if (const size_t slash = now.find_last_of(L'\\'); slash != std::wstring::npos && slash + 1 < now.size())
        result.stored = now.substr(slash + 1);
    return ERROR_SUCCESS;
}

MoveResult Win32FileSystem::Move(const std::wstring& from,
                                 const std::wstring& to,
                                 const std::optional<FileIdentity>& expected,
                                 bool stoppable,
                                 HeldFolder* held) {
    if (from.empty() || to.empty()) return {ERROR_INVALID_NAME, std::nullopt};
    MoveResult result;
    FailedStep failed = FailedStep::None;
    uint32_t error = TryRename(from, to, expected, result, failed, held);
    bool stopped = false;
    for (const unsigned pause : kInUsePauses) {
        if (!InUse(error, failed == FailedStep::Open)) break;
        if (!pause_) {
            ::Sleep(pause);
        } else if (!stopped && !pause_(pause)) {
            // Stopped by the user: a rename gives up, a rename back waits on.
            if (stoppable) break;
            stopped = true;
        }
        // The pause gives up at once once stopped: the wait is slept here, in
        // short steps that let the window answer.
        for (unsigned slept = 0; stopped && slept < pause; slept += kStoppedStep) {
            if (pause_) pause_(0);
            ::Sleep(std::min(kStoppedStep, pause - slept));
        }
        result = {};
        error = TryRename(from, to, expected, result, failed, held);
    }
    result.error = error;
    return result;
}

MoveResult Win32FileSystem::MoveDir(const std::wstring& from,
                                    const std::wstring& to,
                                    const std::optional<FileIdentity>& expected) {
    return Move(from, to, expected, true);
}

IFileSystem::ThroughTemp Win32FileSystem::MoveDirThrough(const std::wstring& from,
                                                         const std::wstring& temp,
                                                         const std::wstring& to,
                                                         const std::optional<FileIdentity>& expected) {
    HeldFolder held;
    held.readStored = false;
    ThroughTemp moves{Move(from, temp, expected, true, &held), {}};
    if (!moves.first) return moves;
    held.readStored = true;
    moves.second = Move(temp, to, moves.first.identity, true, &held);
    return moves;
}

MoveResult Win32FileSystem::MoveDirBack(const std::wstring& from, const std::wstring& to) {
    return Move(from, to, std::nullopt, false);
}

MoveResult Win32FileSystem::MoveEntry(const std::wstring& from, const std::wstring& to) {
    if (from.empty() || to.empty() || IsDeviceName(from) || IsDeviceName(to)) return {ERROR_INVALID_NAME, std::nullopt};
    return {MoveFileExW(from.c_str(), to.c_str(), 0) ? ERROR_SUCCESS : GetLastError(), std::nullopt};
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

uint32_t Win32FileSystem::ShortPathError(const std::wstring& path) {
    if (path.empty() || IsDeviceName(path)) return 0;
    wchar_t shortPath[MAX_PATH];
    return GetShortPathNameW(path.c_str(), shortPath, MAX_PATH) == 0 ? GetLastError() : 0;
}

bool Win32FileSystem::KeepsShortNames(const std::wstring& path) {
    wchar_t volume[MAX_PATH] = {}, fileSystem[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(path.c_str(), volume, MAX_PATH) ||
        !GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
        return true;                                         // cannot tell: only the folder is said to have none
    if (GetDriveTypeW(volume) == DRIVE_REMOTE) return true;  // the server's settings are its own
    const std::wstring_view kind = fileSystem;
    if (kind == L"FAT" || kind == L"FAT32") return true;
    if (kind != L"NTFS") return false;  // exFAT, ReFS, UDF... keep none
    // NTFS makes them as the system says: 0 on every volume, 1 on none, 2 as
    // each volume says, 3 on the system volume only.
    DWORD setting = 2, size = sizeof(setting);
    RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\FileSystem", L"NtfsDisable8dot3NameCreation",
                 RRF_RT_REG_DWORD, nullptr, &setting, &size);
    if (setting == 0 || setting == 1) return setting == 0;
    if (setting == 3) {
        wchar_t windows[MAX_PATH] = {}, systemVolume[MAX_PATH] = {};
        return GetWindowsDirectoryW(windows, MAX_PATH) && GetVolumePathNameW(windows, systemVolume, MAX_PATH) &&
               CompareStringOrdinal(volume, -1, systemVolume, -1, TRUE) == CSTR_EQUAL;
    }
    // The volume's own setting, as "fsutil 8dot3name set D: 1" leaves it,
    // asked of the volume itself (\\?\Volume{...} without the last backslash).
    wchar_t device[MAX_PATH] = {};
    if (!GetVolumeNameForVolumeMountPointW(volume, device, MAX_PATH)) return true;
    std::wstring name = device;
    if (!name.empty() && name.back() == L'\\') name.pop_back();
    UniqueFileHandle opened(CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    FILE_FS_PERSISTENT_VOLUME_INFORMATION query{}, answer{};
    query.Version = 1;
    query.FlagMask = PERSISTENT_VOLUME_STATE_SHORT_NAME_CREATION_DISABLED;
    DWORD returned = 0;
    if (!opened || !DeviceIoControl(opened.get(), FSCTL_QUERY_PERSISTENT_VOLUME_STATE, &query, sizeof(query), &answer,
                                    sizeof(answer), &returned, nullptr))
        return true;
    return !(answer.VolumeFlags & PERSISTENT_VOLUME_STATE_SHORT_NAME_CREATION_DISABLED);
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

std::optional<std::vector<TreeEntry>> Win32FileSystem::TreeFolders(const std::wstring& dir,
                                                                   const std::optional<FileIdentity>& expected) {
    UniqueFileHandle folder(CreateFileW(dir.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return std::nullopt;
    if (const auto opened = WalkIdentity(folder.get()); expected && (!opened || !SameInFolder(*opened, *expected)))
        return std::nullopt;
    std::vector<TreeEntry> folders;
    std::vector<std::byte> buffer(64 * 1024);
    for (auto kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(folder.get(), kind, buffer.data(), static_cast<DWORD>(buffer.size()))) {
            // A listing cut short answers nothing.
            if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
            return folders;
        }
        for (size_t at = 0;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
            const std::wstring_view name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            // A reparse point's tag stands where its extended attributes' size would.
            if ((entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
                folders.push_back({std::wstring(name), kelvaro::IsFolderLink(entry->FileAttributes, entry->EaSize),
                                   (entry->FileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0,
                                   FileIdentity{0, static_cast<uint64_t>(entry->FileId.QuadPart)}});
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
}

bool Win32FileSystem::IsFolderLink(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    UniqueFindHandle find(FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    return find && IsLinkEntry(data);
}

std::optional<FileIdentity> Win32FileSystem::IdentityOf(const std::wstring& path) {
    // A \\?\ path is taken as it is: no name in it is a device.
    if (path.empty() || (path.compare(0, 4, L"\\\\?\\") != 0 && IsDeviceName(path))) return std::nullopt;
    UniqueFileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

bool Win32FileSystem::TellsCaseApart(const std::wstring& dir) {
    if (utf8Names) return true;  // Wine: folders of a Linux file system
    // A folder marked case-sensitive (Windows 10 1803 and later): the flag of FILE_CASE_SENSITIVE_INFO.
    struct CaseSensitiveInfo {
        ULONG flags;
    } info{};
    constexpr auto kFileCaseSensitiveInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(23);
    UniqueFileHandle folder(CreateFileW(dir.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder && GetFileInformationByHandleEx(folder.get(), kFileCaseSensitiveInfo, &info, sizeof info) &&
           (info.flags & 1) != 0;
}

void Win32FileSystem::SetOwnFolders(const std::vector<std::wstring>& folders) {
    own_.Assign(folders, [this](const std::wstring& path) { return IdentityOf(path); });
}

bool Win32FileSystem::IsOwnFolder(const std::wstring& path) {
    return own_.Contains(path, [this](const std::wstring& path) { return IdentityOf(path); });
}

bool Win32FileSystem::IsWindowsFolder(const std::wstring& path) {
    if (path.size() <= 3 || IsDeviceName(path)) return false;
    const auto identityOf = [this](const std::wstring& folder) { return IdentityOf(folder); };
    std::call_once(windowsRead_, [&] { windows_.Assign(KnownFolderPaths(), identityOf); });
    return windows_.Contains(path, identityOf) || HasLocalizedName(path) || IsSyncRoot(path, identityOf);
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
