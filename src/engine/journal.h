#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ports/journal_store.h"

namespace kelvaro {

// Where a folder was when its record was closed.
enum class JournalOutcome : char {
    Open = 0,         // no outcome recorded: the run was cut short
    New = 'N',        // under its new name
    Old = 'O',        // under its old name
    Temp = 'T',       // under its temporary name
    Elsewhere = 'W',  // somewhere else, named by `where`
    Unknown = '?',    // nowhere to be found
};

enum class RunKind : char { Run = 'R', Undo = 'U' };

struct JournalFolder {
    uint32_t seq = 0;
    std::wstring oldPath, tempPath, newPath;
    JournalOutcome outcome = JournalOutcome::Open;
    std::wstring where;
};

struct JournalRun {
    std::string id;
    RunKind kind = RunKind::Run;
    ProcessStamp writer;
    std::string target;  // the run an undo takes back
    std::vector<JournalFolder> folders;
};

// The runs a journal holds, oldest first; lines that make no sense are skipped.
std::vector<JournalRun> ParseJournal(const std::string& bytes);
// True when some folder record of the journal has no outcome.
bool HasOpenFolders(const std::string& bytes);
// The journal without the runs before the last `keep` ones; runs with folders
// still open are kept whatever their age.
std::string TrimJournal(const std::string& bytes, size_t keep);

// One record each, as written to the journal.
std::string RunRecord(const std::string& run, RunKind kind, const ProcessStamp& writer, const std::string& target);
std::string FolderRecord(const std::string& run,
                         uint32_t seq,
                         const std::wstring& oldPath,
                         const std::wstring& tempPath,
                         const std::wstring& newPath);
std::string DoneRecord(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where);

// The runs whose records a journal keeps when a new run starts.
inline constexpr size_t kJournalRuns = 10;

// Records every rename of the program's runs, so that a run cut short can be
// put right at the next start and the last run can be taken back. A journal
// that cannot be written records nothing and never stops a run.
class RenameJournal {
public:
    explicit RenameJournal(IJournalStore& store) : store_(store) {}
    RenameJournal(const RenameJournal&) = delete;
    RenameJournal& operator=(const RenameJournal&) = delete;
    ~RenameJournal() { EndRun(); }

    // Starts a run: drops the oldest runs and writes the run's record. False
    // when the journal cannot be written; the run then goes unrecorded.
    bool BeginRun(RunKind kind, const std::string& target = {});
    void EndRun();
    bool Recording() const { return recording_; }

    // Before the first rename of a folder; gives the folder's number in the run.
    uint32_t FolderBegin(const std::wstring& oldPath,
                         const std::wstring& tempPath,
                         const std::wstring& newPath,
                         uint32_t seq = 0);
    void FolderEnd(uint32_t seq, JournalOutcome outcome, const std::wstring& where);
    // Closes a folder record of another (ended) run.
    void Close(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where);

    std::vector<JournalRun> Runs();
    IJournalStore& Store() { return store_; }

private:
    IJournalStore& store_;
    std::string run_;
    uint32_t next_ = 0;
    bool recording_ = false;
    bool appending_ = false;
};

}  // namespace kelvaro
