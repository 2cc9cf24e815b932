#pragma once
#include <set>
#include <string>

#include "ports/journal_store.h"

namespace kelvaro::testing {

// The journal in memory; refuses to be written or read on demand, fills up
// like a disk, and knows which writers are still alive.
class FakeJournalStore : public IJournalStore {
public:
    std::optional<std::string> ReadAll() override {
        if (unreadable) return std::nullopt;
        return bytes;
    }
    // Only under the turn, as the real journal must be trimmed.
    bool Replace(const std::string& replaced) override {
        if (busy || !open) return false;
        bytes = replaced;
        return true;
    }
    bool OpenForAppend() override { return open = writable; }
    bool Append(const std::string& record) override {
        if (!open || bytes.size() + record.size() > limit) return false;
        bytes += record;
        return true;
    }
    void CloseAppend() override { open = false; }
    ProcessStamp Self() override { return self; }
    bool IsAlive(const ProcessStamp& writer) override { return alive.count(writer.pid) != 0; }
    uint64_t Now() override { return ++clock; }

    std::string bytes;
    bool writable = true, unreadable = false, busy = false, open = false;
    size_t limit = std::string::npos;  // the size the journal may not pass: a full disk
    ProcessStamp self{100, 5000};
    std::set<uint32_t> alive;
    uint64_t clock = 1000;
};

}  // namespace kelvaro::testing
