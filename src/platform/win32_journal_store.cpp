#include "platform/win32_journal_store.h"

#include <windows.h>

#include <algorithm>
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

// Up to the first `size` bytes of the file at `path` (fewer at its end);
// nullopt when it cannot be read.
std::optional<std::string> ReadBytes(const std::wstring& path, size_t size) {
    UniqueFileHandle file = OpenToRead(path);
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

std::wstring Win32JournalStore::SegmentPath(uint32_t number, uint32_t last) const {
    return number == last ? path_ : path_ + L"." + std::to_wstring(number);
}

// The segments: the files beside the journal named for their number, and
// the journal itself, appended to, after them.
std::optional<std::vector<JournalSegment>> Win32JournalStore::Segments() {
    if (path_.empty()) return std::nullopt;
    std::vector<JournalSegment> segments;
    WIN32_FIND_DATAW found{};
    const std::wstring name = path_.substr(path_.rfind(L'\\') + 1) + L".";
    UniqueFindHandle find(FindFirstFileExW((path_ + L".*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                           nullptr, 0));
    if (!find && !Absent(GetLastError())) return std::nullopt;
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &found)) {
        const std::wstring_view suffix = std::wstring_view(found.cFileName).substr(std::min(name.size(), wcslen(found.cFileName)));
        if (_wcsnicmp(found.cFileName, name.c_str(), name.size()) != 0 || suffix.empty() || suffix.size() > 9 ||
            suffix.find_first_not_of(L"0123456789") != std::wstring_view::npos ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        segments.push_back({static_cast<uint32_t>(std::wcstoul(std::wstring(suffix).c_str(), nullptr, 10)),
                            uint64_t{found.nFileSizeHigh} << 32 | found.nFileSizeLow});
    }
    std::sort(segments.begin(), segments.end(),
              [](const JournalSegment& a, const JournalSegment& b) { return a.number < b.number; });
    // The size of the file appended to, from the file: the folder's listing
    // may not know it yet.
    UniqueFileHandle live = OpenToRead(path_);
    if (!live && !Absent(GetLastError())) return std::nullopt;
    if (live) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(live.get(), &size)) return std::nullopt;
        segments.push_back({segments.empty() ? 1 : segments.back().number + 1, static_cast<uint64_t>(size.QuadPart)});
    }
    return segments;
}

// The segments from the one holding byte `from` on, each open for reading,
// with where each begins in the journal: a deletion or a new segment after
// the listing makes a reader list them again, so that it reads one journal, whole.
bool Win32JournalStore::OpenSegments(uint64_t from, std::vector<OpenSegment>& open) {
    for (int tries = 0; tries < 5; ++tries) {
        open.clear();
        const auto segments = Segments();
        if (!segments) return false;
        bool whole = true;
        uint64_t at = 0;
        for (const JournalSegment& segment : *segments) {
            at += segment.size;
            if (at <= from && &segment != &segments->back()) continue;  // wholly before what is read
            UniqueFileHandle file = OpenToRead(SegmentPath(segment.number, segments->back().number));
            if (!file) {
                whole = false;
                if (!Absent(GetLastError())) return false;
                break;
            }
            open.push_back({std::move(file), at - segment.size, segment.size});
        }
        const auto again = Segments();
        if (!again) return false;
        if (whole && again->size() == segments->size() &&
            std::equal(again->begin(), again->end(), segments->begin(),
                       [](const JournalSegment& a, const JournalSegment& b) { return a.number == b.number; }))
            return true;
    }
    return false;
}

// At most `most` bytes of the journal from byte `from` on, handed to `piece`
// a few megabytes at a time: a journal of a run of a million folders is never
// held whole. False when a segment cannot be read.
bool Win32JournalStore::ReadSpan(uint64_t from,
                                 uint64_t most,
                                 const std::function<void(std::string_view piece)>& piece) {
    std::vector<OpenSegment> open;
    if (!OpenSegments(from, open)) return false;
    std::string buffer(static_cast<size_t>(std::min<uint64_t>(4 << 20, most)), '\0');
    for (size_t i = 0; i < open.size() && most > 0; ++i) {
        const bool last = i + 1 == open.size();
        if (!last && open[i].at + open[i].size <= from) continue;
        LARGE_INTEGER skip{};
        skip.QuadPart = static_cast<LONGLONG>(from > open[i].at ? from - open[i].at : 0);
        if (skip.QuadPart != 0 && !SetFilePointerEx(open[i].file.get(), skip, nullptr, FILE_BEGIN)) return false;
        // A segment before the last holds what the listing said; the last one may grow.
        uint64_t left = last ? most : std::min(most, open[i].size - static_cast<uint64_t>(skip.QuadPart));
        while (left > 0) {
            DWORD read = 0;
            const DWORD ask = static_cast<DWORD>(std::min<uint64_t>(buffer.size(), left));
            if (!ReadFile(open[i].file.get(), buffer.data(), ask, &read, nullptr)) return false;
            if (read == 0) {
                if (!last) return false;  // shorter than listed
                break;
            }
            left -= read;
            most -= read;
            piece(std::string_view(buffer.data(), read));
        }
    }
    return true;
}

bool Win32JournalStore::ReadFrom(uint64_t from, const std::function<void(std::string_view piece)>& piece) {
    return ReadSpan(from, UINT64_MAX, piece);
}

std::optional<std::string> Win32JournalStore::ReadAt(uint64_t at, size_t size) {
    std::string bytes;
    if (!ReadSpan(at, size, [&](std::string_view piece) { bytes.append(piece); })) return std::nullopt;
    return bytes;
}

std::optional<uint64_t> Win32JournalStore::FileId() {
    const auto segments = Segments();
    if (!segments) return std::nullopt;
    if (segments->empty()) return 0;
    UniqueFileHandle file = OpenToRead(SegmentPath(segments->front().number, segments->back().number));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    // Another journal put in its place: another index on the same volume.
    return (uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow) ^ (uint64_t{info.dwVolumeSerialNumber} << 48);
}

uint32_t Win32JournalStore::StartSegment() {
    const auto segments = Segments();
    if (!segments || !append_) return 0;
    const uint32_t live = segments->empty() ? 1 : segments->back().number;
    if (segments->empty() || segments->back().size == 0) return live;
    // The journal goes on in a new file; the one appended to so far keeps its
    // number beside it.
    append_.reset();
    const std::wstring kept = path_ + L"." + std::to_wstring(live);
    const bool moved = WhileInUse(true, [&]() -> DWORD {
                           return MoveFileExW(path_.c_str(), kept.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS
                                                                                                    : GetLastError();
                       }) == ERROR_SUCCESS;
    if (!OpenJournal()) return 0;
    return moved ? live + 1 : live;
}

bool Win32JournalStore::DeleteSegment(uint32_t number) {
    if (path_.empty() || !append_) return false;
    const std::wstring segment = path_ + L"." + std::to_wstring(number);
    // A reader that has it open reads on: the file goes when the last one closes it.
    return WhileInUse(true, [&]() -> DWORD {
               return DeleteFileW(segment.c_str()) || Absent(GetLastError()) ? ERROR_SUCCESS : GetLastError();
           }) == ERROR_SUCCESS;
}

std::string Win32JournalStore::ReadIndex() {
    if (path_.empty()) return {};
    // It is small: anything larger is not one this program wrote.
    constexpr size_t kLargest = 1 << 20;
    auto bytes = ReadBytes(path_ + L".index", kLargest + 1);
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
        const auto size = Size();
        if (!size || *size + bytes.size() > limit_) return false;
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
