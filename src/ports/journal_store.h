#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A file of the journal: the journal is its segments read one after the
// other, oldest first, as one run of bytes.
struct JournalSegment {
    uint32_t number = 0;  // grows with each segment begun
    uint64_t size = 0;
};

// The journal's files. One Win32 implementation; tests use an in-memory fake.
class IJournalStore {
public:
    virtual ~IJournalStore() = default;
    // Hands the journal's bytes from `from` on to `piece`, a part at a time
    // and in order, never all of a large journal at once. True when all of it
    // was read (a journal that is not there yet reads as empty); false when
    // it exists but cannot be read.
    virtual bool ReadFrom(uint64_t from, const std::function<void(std::string_view piece)>& piece) = 0;
    // The bytes from `at` on, `size` of them (fewer at the end of the
    // journal); nullopt when the journal cannot be read.
    virtual std::optional<std::string> ReadAt(uint64_t at, size_t size) = 0;
    // The segments, oldest first, the one appended to last: none when there
    // is no journal yet, nullopt when they cannot be listed.
    virtual std::optional<std::vector<JournalSegment>> Segments() = 0;
    // What tells the journal from one put in its place (its first file);
    // nullopt when that cannot be told.
    virtual std::optional<uint64_t> FileId() = 0;
    // Under the turn, with everything appended flushed: what is appended
    // from here on goes to a new segment. Gives the number of the segment
    // appended to from now on (the same one when it was still empty, or a
    // new one could not be begun).
    virtual uint32_t StartSegment() = 0;
    // Under the turn: deletes a segment that is neither the last nor the one
    // before it, so that the bytes after it move up. False when it stays.
    virtual bool DeleteSegment(uint32_t number) = 0;

    // The size of the journal in bytes: 0 when there is none yet, nullopt when it cannot be told.
    std::optional<uint64_t> Size() {
        const auto segments = Segments();
        if (!segments) return std::nullopt;
        uint64_t size = 0;
        for (const JournalSegment& segment : *segments) size += segment.size;
        return size;
    }
    // The whole journal at once (for small journals and tests).
    std::optional<std::string> ReadAll() {
        std::string bytes;
        if (!ReadFrom(0, [&](std::string_view piece) { bytes.append(piece); })) return std::nullopt;
        return bytes;
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
