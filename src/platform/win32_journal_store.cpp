#include "platform/win32_journal_store.h"

#include <windows.h>

namespace kelvaro {
namespace {

uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

uint64_t ProcessStart(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return FileTimeValue(created);
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

std::optional<std::string> Win32JournalStore::ReadAll() {
    if (path_.empty()) return std::nullopt;
    UniqueFileHandle file(CreateFileW(path_.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::string();
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (256 << 20)) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::nullopt;
    bytes.resize(read);
    return bytes;
}

bool Win32JournalStore::Replace(const std::string& bytes) {
    if (path_.empty()) return false;
    // No sharing: while another copy of the program has the journal open for
    // its run, the journal stays as it is.
    UniqueFileHandle file(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 && WriteAll(file.get(), bytes) &&
           SetEndOfFile(file.get());
}

bool Win32JournalStore::OpenForAppend() {
    if (path_.empty()) return false;
    const size_t slash = path_.rfind(L'\\');
    if (slash != std::wstring::npos) CreateDirectoryW(path_.substr(0, slash).c_str(), nullptr);
    // Read access too: Windows locks a range only for a handle that may read or write.
    append_.reset(CreateFileW(path_.c_str(), GENERIC_READ | FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!append_) return false;
    // Windows appends each write whole, but Wine finds the end and writes
    // there in two steps, so two copies of the program appending at the same
    // moment could overwrite each other's records. The copy that is recording
    // holds a lock on a byte far beyond any journal's end until it closes the
    // journal: the runs of two copies take turns. A copy that does not get
    // the turn within two minutes records all the same.
    OVERLAPPED turn{};
    turn.Offset = 0xFFFFFFFE;
    turn.OffsetHigh = 0x7FFFFFFF;
    for (int attempt = 0; attempt < 2400; ++attempt) {
        if (LockFileEx(append_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &turn)) break;
        if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) break;
        Sleep(50);
    }
    return true;
}

bool Win32JournalStore::Append(const std::string& bytes) {
    return append_ && WriteAll(append_.get(), bytes);
}

ProcessStamp Win32JournalStore::Self() {
    return {GetCurrentProcessId(), ProcessStart(GetCurrentProcess())};
}

bool Win32JournalStore::IsAlive(const ProcessStamp& writer) {
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, writer.pid));
    if (!process) return false;
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code) || code != STILL_ACTIVE) return false;
    return ProcessStart(process.get()) == writer.started;
}

uint64_t Win32JournalStore::Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return FileTimeValue(now);
}

}  // namespace kelvaro
