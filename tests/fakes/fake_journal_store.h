#pragma once
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fakes/segmented_bytes.h"
#include "ports/journal_store.h"

namespace kelvaro::testing {

// The journal in memory; refuses to be written or read on demand, fills up
// like a disk, and knows which writers are still alive.
class FakeJournalStore : public IJournalStore {
public:
    // In small pieces, so that records are split between pieces as they are in a large file.
    bool ReadFrom(uint64_t from, const std::function<void(std::string_view)>& piece) override {
        if (unreadable) return false;
        readsFrom.push_back(from);
        for (size_t at = static_cast<size_t>(from); at < bytes.size(); at += kPiece)
            piece(std::string_view(bytes).substr(at, kPiece));
        return true;
    }
    std::optional<std::string> ReadAt(uint64_t at, size_t size) override {
        if (unreadable) return std::nullopt;
        return at < bytes.size() ? bytes.substr(static_cast<size_t>(at), size) : std::string();
    }
    std::optional<std::vector<JournalSegment>> Segments() override {
        if (unreadable) return std::nullopt;
        return ListSegments(bytes, parts);
    }
    // The tests change `bytes` at will: the journal is read whole every time
    // unless a test gives the file a number.
    std::optional<uint64_t> FileId() override { return id; }
    // Only under the turn, as the real journal's segments are begun and deleted.
    uint32_t StartSegment() override { return open ? BeginSegment(bytes, parts) : 0; }
    bool DeleteSegment(uint32_t number) override {
        if (busy || !open) return false;
        const auto cut = DeleteSegmentOf(bytes, parts, number);
        if (!cut) return false;
        if (cut->start == 0 && id) ++*id;  // another first file
        deleted += cut->size;
        return true;
    }
    std::string ReadIndex() override { return index; }
    void WriteIndex(std::string_view written) override { index.assign(written); }
    static constexpr size_t kPiece = 61;
    // While `held`, another copy holds the turn for the next `heldFor` tries.
    TurnTry TryOpenForAppend() override {
        if (held && heldFor-- > 0) {
            ++pauses;
            return TurnTry::Busy;
        }
        open = writable;
        return writable ? TurnTry::Taken : TurnTry::Failed;
    }
    void Sleep(unsigned) override { ++sleeps; }
    bool Flush() override {
        ++flushes;
        if (open) flushed = bytes.size();
        return open;
    }
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
    bool writable = true, unreadable = false, busy = false, open = false, held = false;
    int heldFor = 3, pauses = 0, sleeps = 0, flushes = 0;
    size_t flushed = 0;                // what a power cut leaves of `bytes`
    size_t limit = std::string::npos;  // the size the journal may not pass: a full disk
    ProcessStamp self{100, 5000};
    std::set<uint32_t> alive;
    uint64_t clock = 1000;
    std::optional<uint64_t> id;
    std::string index;                // the file beside the journal
    std::vector<uint64_t> readsFrom;  // where each reading began
    SegmentStarts parts{{1, 0}};
    size_t deleted = 0;  // bytes of deleted segments
};

}  // namespace kelvaro::testing
