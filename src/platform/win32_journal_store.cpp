#include "platform/win32_journal_store.h"

#include <windows.h>

#include <cwchar>

#include "platform/user_locations.h"
#include "platform/win32_file_system.h"

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

// Tries `step` (which gives the system's error, 0 when done) again while a
// virus scanner, the indexer or a backup holds the file it writes, with the
// pauses of a rename that meets a folder in use. A rename onto a file that
// is open, even for reading, is refused as access denied (`deniedInUse`).
template <typename Step>
DWORD WhileInUse(bool deniedInUse, Step step) {
    DWORD error = step();
    for (const unsigned pause : Win32FileSystem::kInUsePauses) {
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION &&
            !(deniedInUse && error == ERROR_ACCESS_DENIED))
            break;
        ::Sleep(pause);
        error = step();
    }
    return error;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

Win32JournalStore::Win32JournalStore(std::wstring path) : path_(std::move(path)) {
    // A journal on a full disk, for the tests of the program: the size the
    // journal may not pass, in bytes.
    limit_ = TestSetting(L"KELVARO2_JOURNAL_LIMIT");
}

namespace {

UniqueFileHandle OpenToRead(const std::wstring& path) {
    return UniqueFileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool Absent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The file at `path`, open for reading from byte `at`; none when it cannot be
// (GetLastError then says why).
UniqueFileHandle OpenToReadAt(const std::wstring& path, uint64_t at) {
    UniqueFileHandle file = OpenToRead(path);
    LARGE_INTEGER from{};
    from.QuadPart = static_cast<LONGLONG>(at);
    if (file && at != 0 && !SetFilePointerEx(file.get(), from, nullptr, FILE_BEGIN)) return UniqueFileHandle();
    return file;
}

// Up to `size` bytes of the file at `path` from byte `at` (fewer at its end);
// nullopt when it cannot be read.
std::optional<std::string> ReadBytes(const std::wstring& path, uint64_t at, size_t size) {
    UniqueFileHandle file = OpenToReadAt(path, at);
    if (!file) return std::nullopt;
    std::string bytes(size, '\0');
    size_t got = 0;
    while (got < size) {
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + got, static_cast<DWORD>(size - got), &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        got += read;
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace

bool Win32JournalStore::ReadFrom(uint64_t from, const std::function<void(std::string_view piece)>& piece) {
    if (path_.empty()) return false;
    UniqueFileHandle file = OpenToReadAt(path_, from);
    if (!file) return Absent(GetLastError());
    // A few megabytes at a time: a journal of a run of a million folders is never held whole.
    std::string buffer(4 << 20, '\0');
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
        if (read == 0) return true;
        piece(std::string_view(buffer.data(), read));
    }
}

std::optional<std::string> Win32JournalStore::ReadAt(uint64_t at, size_t size) {
    if (path_.empty()) return std::nullopt;
    return ReadBytes(path_, at, size);
}

std::optional<uint64_t> Win32JournalStore::Size() {
    if (path_.empty()) return std::nullopt;
    UniqueFileHandle file = OpenToRead(path_);
    if (!file) return Absent(GetLastError()) ? std::optional<uint64_t>(0) : std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return std::nullopt;
    return static_cast<uint64_t>(size.QuadPart);
}

std::optional<uint64_t> Win32JournalStore::FileId() {
    if (path_.empty()) return std::nullopt;
    UniqueFileHandle file = OpenToRead(path_);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    // The swap puts another file in its place: another index on the same volume.
    return (uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow) ^ (uint64_t{info.dwVolumeSerialNumber} << 48);
}

bool Win32JournalStore::ReplaceWith(const std::function<bool(const Writer& write)>& produce) {
    if (path_.empty()) return false;
    // Written beside the journal and swapped in whole: a reader sees the old
    // journal or the new one, never a mixture, and a cut leaves the old one.
    const std::wstring fresh = path_ + L".new";
    {
        UniqueFileHandle file(
            CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        const bool written = produce([&](std::string_view bytes) { return WriteAll(file.get(), bytes); });
        if (!written || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(fresh.c_str());
            return false;
        }
    }
    const bool appending = static_cast<bool>(append_);
    append_.reset();
    const bool swapped =
        WhileInUse(true, [&]() -> DWORD {
            return MoveFileExW(fresh.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                       ? ERROR_SUCCESS
                       : GetLastError();
        }) == ERROR_SUCCESS;
    // Still held: the journal stays as it was, whole, and is trimmed another time.
    if (!swapped) DeleteFileW(fresh.c_str());
    if (appending) OpenJournal();
    return swapped;
}

std::string Win32JournalStore::ReadIndex() {
    if (path_.empty()) return {};
    // It is small: anything larger is not one this program wrote.
    constexpr size_t kLargest = 1 << 20;
    auto bytes = ReadBytes(path_ + L".index", 0, kLargest + 1);
    return bytes && bytes->size() <= kLargest ? std::move(*bytes) : std::string();
}

void Win32JournalStore::WriteIndex(std::string_view bytes) {
    if (path_.empty()) return;
    // Not flushed: an index a power cut damaged fails its checksum, and the
    // journal is then read from its start.
    UniqueFileHandle file;
    WhileInUse(false, [&]() -> DWORD {
        file.reset(CreateFileW((path_ + L".index").c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        return file ? ERROR_SUCCESS : GetLastError();
    });
    if (file) WriteAll(file.get(), bytes);
}

bool Win32JournalStore::OpenJournal() {
    append_.reset(CreateFileW(path_.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(append_);
}

TurnTry Win32JournalStore::TryOpenForAppend() {
    if (path_.empty()) return TurnTry::Failed;
    CloseAppend();
    const size_t slash = path_.rfind(L'\\');
    if (slash != std::wstring::npos) CreateDirectoryW(path_.substr(0, slash).c_str(), nullptr);
    // Windows appends each write whole, but Wine finds the end and writes
    // there in two steps, and a trim swaps the journal file: the copies of
    // the program take turns, by a lock on a file of its own beside the
    // journal (the journal file itself is swapped). The turn is held from
    // the first record of a run to the last; the system gives it up when the
    // copy holding it ends, however it ends.
    turn_.reset(CreateFileW((path_ + L".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!turn_) return TurnTry::Failed;  // no turn, no record: a run is never recorded beside another
    OVERLAPPED turn{};
    if (!LockFileEx(turn_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &turn)) {
        const DWORD error = GetLastError();
        turn_.reset();
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? TurnTry::Busy : TurnTry::Failed;
    }
    if (OpenJournal()) return TurnTry::Taken;
    turn_.reset();
    return TurnTry::Failed;
}

void Win32JournalStore::Sleep(unsigned ms) {
    ::Sleep(ms);
}

void Win32JournalStore::CloseAppend() {
    append_.reset();
    turn_.reset();  // closing gives the turn up
}

bool Win32JournalStore::Append(const std::string& bytes) {
    if (!append_) return false;
    if (limit_ != 0) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(append_.get(), &size) || static_cast<uint64_t>(size.QuadPart) + bytes.size() > limit_)
            return false;
    }
    return WriteAll(append_.get(), bytes);
}

bool Win32JournalStore::Flush() {
    return append_ && FlushFileBuffers(append_.get());
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
