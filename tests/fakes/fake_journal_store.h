#pragma once
#include <set>
#include <string>

#include "ports/journal_store.h"

namespace kelvaro::testing {

// The journal in memory; refuses to be written or read on demand, and knows
// which writers are still alive.
class FakeJournalStore : public IJournalStore {
public:
    std::optional<std::string> ReadAll() override {
        if (unreadable) return std::nullopt;
        return bytes;
    }
    bool Replace(const std::string& replaced) override {
        if (busy) return false;
        bytes = replaced;
        return true;
    }
    bool OpenForAppend() override { return open = writable; }
    bool Append(const std::string& record) override {
        if (!open) return false;
        bytes += record;
        return true;
    }
    void CloseAppend() override { open = false; }
    ProcessStamp Self() override { return self; }
    bool IsAlive(const ProcessStamp& writer) override { return alive.count(writer.pid) != 0; }
    uint64_t Now() override { return ++clock; }

    std::string bytes;
    bool writable = true, unreadable = false, busy = false, open = false;
    ProcessStamp self{100, 5000};
    std::set<uint32_t> alive;
    uint64_t clock = 1000;
};

}  // namespace kelvaro::testing
