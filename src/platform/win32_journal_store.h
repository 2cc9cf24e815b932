#pragma once
#include <string>

#include "ports/journal_store.h"
#include "platform/unique_handle.h"

namespace kelvaro {

// The journal as a file, shared by every running copy of the program: records
// are appended in one write each to a file opened for shared appending, and
// the copies that record take turns (see TryOpenForAppend). A trimmed journal is
// written beside the file and swapped in whole.
class Win32JournalStore : public IJournalStore {
public:
    // The journal at `path`; its folder is created when the first record is written.
    explicit Win32JournalStore(std::wstring path);

    bool ReadFrom(uint64_t from, const std::function<void(std::string_view piece)>& piece) override;
    std::optional<std::string> ReadAt(uint64_t at, size_t size) override;
    std::optional<uint64_t> Size() override;
    std::optional<uint64_t> FileId() override;
    bool ReplaceWith(const std::function<bool(const Writer& write)>& produce) override;
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

    std::wstring path_;
    UniqueFileHandle turn_;    // the lock file beside the journal, locked while the turn is ours
    UniqueFileHandle append_;  // the journal, opened for appending
    uint64_t limit_ = 0;       // the size the journal may not pass; 0: none
};

}  // namespace kelvaro
