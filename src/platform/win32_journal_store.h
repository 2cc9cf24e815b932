#pragma once
#include <string>
#include <vector>

#include "ports/journal_store.h"
#include "platform/unique_handle.h"

namespace kelvaro {

// The journal as files, shared by every running copy of the program: records
// are appended in one write each to the file at the journal's path, opened
// for shared appending, and the copies that record take turns (see
// TryOpenForAppend). A new segment renames that file to its path plus a dot
// and its number, and the journal goes on in a new file at its path.
class Win32JournalStore : public IJournalStore {
public:
    // The journal at `path`; its folder is created when the first record is written.
    explicit Win32JournalStore(std::wstring path);

    bool ReadFrom(uint64_t from, const std::function<void(std::string_view piece)>& piece) override;
    std::optional<std::string> ReadAt(uint64_t at, size_t size) override;
    std::optional<std::vector<JournalSegment>> Segments() override;
    std::optional<uint64_t> FileId() override;
    uint32_t StartSegment() override;
    bool DeleteSegment(uint32_t number) override;
    std::string ReadIndex() override;
    void WriteIndex(std::string_view bytes) override;
    TurnTry TryOpenForAppend() override;
    void Sleep(unsigned ms) override;
    bool Append(const std::string& bytes) override;
    bool Flush() override;
    void CloseAppend() override;
    ProcessStamp Self() override;
    bool IsAlive(const ProcessStamp& writer) override;
    uint64_t Now() override;

private:
    bool OpenJournal();
    // The file of segment `number` when `last` is the last one's number.
    std::wstring SegmentPath(uint32_t number, uint32_t last) const;
    struct OpenSegment {
        UniqueFileHandle file;
        uint64_t at = 0, size = 0;  // where it begins in the journal, and its size when listed
    };
    bool OpenSegments(uint64_t from, std::vector<OpenSegment>& open);
    bool ReadSpan(uint64_t from, uint64_t most, const std::function<void(std::string_view piece)>& piece);

    std::wstring path_;
    UniqueFileHandle turn_;    // the lock file beside the journal, locked while the turn is ours
    UniqueFileHandle append_;  // the journal, opened for appending
    uint64_t limit_ = 0;       // the size the journal may not pass; 0: none
};

}  // namespace kelvaro
