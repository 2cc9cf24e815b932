#pragma once
#include <cstdint>
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
    // Opens the file for appending, creating its folder and the file; false
    // when it cannot be written.
    virtual bool OpenForAppend() = 0;
    // Appends whole records in one write to the file opened for appending.
    virtual bool Append(const std::string& bytes) = 0;
    virtual void CloseAppend() = 0;

    virtual ProcessStamp Self() = 0;
    // True while the process `writer` runs.
    virtual bool IsAlive(const ProcessStamp& writer) = 0;
    // A number that grows with the time of day, for run names.
    virtual uint64_t Now() = 0;
};

}  // namespace kelvaro
