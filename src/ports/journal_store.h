#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kelvaro {

// A process as the journal names it: its id and the moment it started, so
// that a reused process id is not taken for the writer.
struct ProcessStamp {
    uint32_t pid = 0;
    uint64_t started = 0;
    bool operator==(const ProcessStamp&) const = default;
};

// How one try to take the journal's turn ended.
enum class TurnTry {
    Taken,   // the turn is this copy's and the file is open for appending
    Busy,    // another running copy holds the turn: try again later
    Failed,  // the journal cannot be written (read-only, a folder, no room...)
};

// The journal file. One Win32 implementation; tests use an in-memory fake.
class IJournalStore {
public:
    virtual ~IJournalStore() = default;
    // Hands the file's bytes from `from` on to `piece`, a part at a time and
    // in order, never all of a large file at once. True when all of it was
    // read (a file that is not there yet reads as empty); false when it
    // exists but cannot be read.
    virtual bool ReadFrom(uint64_t from, const std::function<void(std::string_view piece)>& piece) = 0;
    // The bytes from `at` on, `size` of them (fewer at the end of the file);
    // nullopt when the file cannot be read.
    virtual std::optional<std::string> ReadAt(uint64_t at, size_t size) = 0;
    // The file's size in bytes: 0 when there is none yet, nullopt when it cannot be read.
    virtual std::optional<uint64_t> Size() = 0;
    // What tells this file from the one a swap puts in its place; nullopt
    // when that cannot be told.
    virtual std::optional<uint64_t> FileId() = 0;
    // Replaces the whole file by the bytes `produce` hands to the writer it
    // is given (the writer gives false once a write failed), unless another
    // program has the file open or `produce` gives false; false when the
    // file was left as it was.
    using Writer = std::function<bool(std::string_view bytes)>;
    virtual bool ReplaceWith(const std::function<bool(const Writer& write)>& produce) = 0;

    // The whole file at once (for small journals and tests).
    std::optional<std::string> ReadAll() {
        std::string bytes;
        if (!ReadFrom(0, [&](std::string_view piece) { bytes.append(piece); })) return std::nullopt;
        return bytes;
    }
    bool Replace(const std::string& bytes) {
        return ReplaceWith([&](const Writer& write) { return write(bytes); });
    }
    // A small file kept beside the journal: what a reading of the journal
    // found up to some size, so that the next copy reads on from there. Empty
    // when there is none; writing it may fail without harm.
    virtual std::string ReadIndex() = 0;
    virtual void WriteIndex(std::string_view bytes) = 0;
    // Tries once to take the journal's turn and open the file for appending,
    // creating its folder and the file. The turn is the copy's until
    // CloseAppend, or until the copy ends: a copy that dies gives it up.
    virtual TurnTry TryOpenForAppend() = 0;
    // Waits `ms` milliseconds (between two tries for the turn).
    virtual void Sleep(unsigned ms) = 0;
    // Appends whole records in one write to the file opened for appending.
    virtual bool Append(const std::string& bytes) = 0;
    // Makes what was appended so far outlast a power cut; false when it could not.
    virtual bool Flush() = 0;
    virtual void CloseAppend() = 0;

    virtual ProcessStamp Self() = 0;
    // True while the process `writer` runs.
    virtual bool IsAlive(const ProcessStamp& writer) = 0;
    // A number that grows with the time of day, for run names.
    virtual uint64_t Now() = 0;
};

}  // namespace kelvaro
