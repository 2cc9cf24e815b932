#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kelvaro {

// A process as the journal names it: its id and the moment it started, so
// that a reused process id is not taken for the writer.
struct ProcessStamp {
    uint32_t pid = 0;
    uint64_t started = 0;
    bool operator==(const ProcessStamp&) const = default;
};

// How a copy waits while another copy holds the journal's turn.
struct TurnWait {
    // Called once, when the turn is found taken.
    std::function<void()> begins;
    // Waits `ms` milliseconds between two tries; false gives the wait up.
    // The store sleeps when there is none.
    std::function<bool(unsigned ms)> pause;
};

// The journal file. One Win32 implementation; tests use an in-memory fake.
class IJournalStore {
public:
    virtual ~IJournalStore() = default;
    // The whole file; empty text when there is none yet, nullopt when it
    // exists but cannot be read.
    virtual std::optional<std::string> ReadAll() = 0;
    // Replaces the whole file unless another program has it open; false when
    // it was left as it was.
    virtual bool Replace(const std::string& bytes) = 0;
    // Opens the file for appending, creating its folder and the file, after
    // the turn (see `wait`); false when it cannot be written or the wait was
    // given up.
    virtual bool OpenForAppend(const TurnWait& wait = {}) = 0;
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
