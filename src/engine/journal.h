#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

// What a run was asked to do: the mode, its flags and the folders named (for
// a run of every depth, the roots only: never the folders below them).
struct RunRequest {
    int16_t mode = -1;
    std::string flags;   // one letter each, see kHiraganaFlag
    uint64_t total = 0;  // the folders to do; 0 when not known beforehand
    std::vector<std::wstring> targets;
    bool Has(char flag) const { return flags.find(flag) != std::string::npos; }
};
// Half-width conversion turns hiragana into katakana too.
inline constexpr char kHiraganaFlag = 'H';
// Every named folder stands for itself and all folders below it.
inline constexpr char kEveryDepthFlag = 'S';
// With kEveryDepthFlag: hidden and system folders are walked too.
inline constexpr char kHiddenFlag = 'A';

// How a run ended. A run without an end was killed, or written by a version
// of the program that recorded no ends.
enum class RunEnd : char {
    Open = 0,
    Done = 'D',     // every folder tried
    Stopped = 'S',  // Cancel, Ctrl+C, or a record that could not be written
    Killed = 'K',   // found without an end by the recovery at a later start
};

struct JournalRun {
    std::string id;
    RunKind kind = RunKind::Run;
    ProcessStamp writer;
    std::string target;  // the run an undo takes back, or the run a resumed run finishes
    std::vector<JournalFolder> folders;
    std::optional<RunRequest> request;
    RunEnd end = RunEnd::Open;
    uint64_t reached = 0;  // with an end: the folders tried (named ones, in order)
    // The moment the run began, from its name: a FILETIME value.
    uint64_t Started() const;
};

// The lines a reading of the journal skipped as damaged: not a sealed record,
// a record of a run whose run record is gone, or a folder record that no run
// of this program could have written. The line a killed writer left cut short
// is not damage: the next writer marks it.
struct JournalDamage {
    size_t lines = 0;
    // How many runs stand before the last damaged line.
    size_t runsBefore = 0;
    // True when some damaged line stands after the run record of run `index`.
    bool After(size_t index) const { return lines > 0 && runsBefore > index; }
};

// The runs a journal holds, oldest first; lines that make no sense are skipped
// (and counted in `damage` when given).
std::vector<JournalRun> ParseJournal(const std::string& bytes, JournalDamage* damage = nullptr);
// The same for the journal a store holds, read a piece at a time; nullopt
// when it cannot be read. The paths of a run's folders are decoded only when
// `withPaths` (if given) says so for the run: the folders of the others carry
// their numbers and outcomes only, which is all a plan of what to take back needs.
std::optional<std::vector<JournalRun>> ParseJournal(IJournalStore& store,
                                                    JournalDamage* damage = nullptr,
                                                    const std::function<bool(const std::string& run)>& withPaths = {});
// Hands the folder records of `run` that stand in the journal before byte
// `end` to `each`, newest first, with their paths (and no outcome), reading
// the file backwards `piece` bytes at a time: what an undo takes back, without
// holding a large run. `each` gives false to stop. False when the journal
// could not be read.
bool ForEachFolderBackward(IJournalStore& store,
                           uint64_t end,
                           const std::string& run,
                           const std::function<bool(JournalFolder&& folder)>& each,
                           size_t piece = 1 << 20);
// True when some folder record of the journal has no outcome, or is one that
// no run of this program could have written, or some run asked for folders
// and has no end.
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
// Written by the next writer after a line a killed writer left cut short.
std::string CutRecord();
// The request of a run: one record for the mode and flags, one for each named folder.
std::string RequestRecords(const std::string& run, const RunRequest& request);
std::string EndRecord(const std::string& run, RunEnd end, uint64_t reached);

// The runs whose records a journal keeps when a new run starts.
inline constexpr size_t kJournalRuns = 10;
// The journal is flushed to disk after a run's record, after every this many
// folder records, and when the run ends: a power cut loses at most the
// records of the folders since the last flush.
inline constexpr uint32_t kFlushEvery = 64;

// Records every rename of the program's runs, so that a run cut short can be
// put right at the next start and the last run can be taken back. A journal
// that cannot be written when a run starts records nothing and the run goes
// on; a record that cannot be written during a run stops it (see Failed).
class RenameJournal {
public:
    explicit RenameJournal(IJournalStore& store);
    RenameJournal(const RenameJournal&) = delete;
    RenameJournal& operator=(const RenameJournal&) = delete;
    ~RenameJournal();

    // HasOpenFolders of the journal the store holds; nullopt when it cannot
    // be read. A second look at the same file reads only what was appended.
    std::optional<bool> HasOpenFolders();

    // Takes the journal's turn: until EndRun no other copy of the program
    // writes to it, and a line a killed writer left cut short is marked.
    // `waiting` is called once when another copy holds the turn. False when
    // the journal cannot be written or the wait was given up (see GaveUp).
    bool TakeTurn(const std::function<void()>& waiting = {});
    // Starts a run under the turn (taken here unless held): drops the oldest
    // runs and writes the run's record. False when the journal cannot be
    // written (the run then goes unrecorded) or the wait for the turn was
    // given up (the run is not to start).
    bool BeginRun(RunKind kind, const std::string& target = {}, const std::function<void()>& waiting = {});
    // How a wait for another copy's turn passes the time: waits `ms` and
    // gives false to give the wait up (the window keeps answering, and
    // Cancel ends the wait).
    void SetTurnPause(std::function<bool(unsigned ms)> pause) { pause_ = std::move(pause); }
    // Flushes after every `every` folder records instead (0: only after the
    // run's record and at its end), for measuring what each choice costs.
    void SetFlushEvery(uint32_t every) { flushEvery_ = every; }
    // True when the last wait for the turn was given up.
    bool GaveUp() const { return gaveUp_; }
    // Gives the turn up.
    void EndRun();
    bool Recording() const { return recording_; }
    // True once a record of the current run could not be written: no folder
    // is renamed after that, and the run is to stop.
    bool Failed() const { return failed_; }

    // Before the first rename of a folder; gives the folder's number in the
    // run, or 0 when the record could not be written (see Failed).
    uint32_t FolderBegin(const std::wstring& oldPath,
                         const std::wstring& tempPath,
                         const std::wstring& newPath,
                         uint32_t seq = 0);
    void FolderEnd(uint32_t seq, JournalOutcome outcome, const std::wstring& where);
    // Closes a folder record of another (ended) run.
    void Close(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where);

    // What the current run was asked to do, recorded before its first folder.
    void Request(const RunRequest& request);
    // Before the named folder `index` (from 0) of the current run: its
    // record, if it is renamed, carries the number index + 1, so that a run
    // cut short tells how far it got.
    void AtFolder(uint32_t index) { next_ = index; }
    // How the current run ended, and how many of its named folders it tried.
    void End(RunEnd end, uint64_t reached);
    // The same for another run found without an end.
    void EndOther(const std::string& run, RunEnd end, uint64_t reached);

    IJournalStore& Store() { return store_; }

private:
    struct Index;
    Index* Look();
    // Drops the runs before the last `keep` ones, except runs with folders
    // still open and the run `target` (the run an undo takes back).
    void Trim(size_t keep, const std::string& target);
    // Appends under the turn; what a look found follows.
    bool Append(const std::string& bytes);

    IJournalStore& store_;
    std::unique_ptr<Index> index_;
    std::string run_;
    uint32_t next_ = 0;
    uint32_t unflushed_ = 0;  // folder records written since the last flush
    uint32_t flushEvery_ = kFlushEvery;
    std::function<bool(unsigned ms)> pause_;
    bool gaveUp_ = false;
    bool recording_ = false;
    bool appending_ = false;
    bool failed_ = false;
    bool synced_ = false;          // index_ holds the whole file, and every record appended since
    bool indexFileTried_ = false;  // the index kept beside the journal was read
};

}  // namespace kelvaro
