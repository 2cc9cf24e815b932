#pragma once
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/journal_reader.h"
#include "engine/journal_record.h"
#include "ports/journal_store.h"

namespace kelvaro {

// The runs that renamed something whose records a journal keeps (with the
// undos and resumes that belong to them): what an undo can reach.
inline constexpr size_t kJournalRuns = 10;
// A folder's record reaches the disk before the folder is touched: the
// records of the next folders are written ahead in a batch and flushed once.
// A batch grows while the folders go fast and shrinks while they go slowly
// (a network drive), so that one spans about kAheadTime of renaming.
inline constexpr uint32_t kAheadFirst = 16;
inline constexpr uint32_t kAheadMost = 1024;
inline constexpr uint64_t kAheadTime = 2'000'000;  // 0.2 s, in the store's clock (100 ns)

// A folder a run is about to move: its record can go to disk ahead of it.
struct PlannedMove {
    std::wstring oldPath, newPath;
    uint32_t seq = 0;  // its number in the run
};

// Records every rename of the program's runs, so that a run cut short can be
// put right at the next start and the last run can be taken back. No folder
// is renamed without its record: a journal that cannot be written when a run
// starts keeps the run from starting (unless the user goes on without a
// record), and a record that cannot be written during a run stops it (see Failed).
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
    // The pause between two tries for the turn (50 ms unless told).
    void SetTurnPauseLength(unsigned ms) { pauseLength_ = ms; }
    // Told once per wait for another copy's turn, whoever waits (recovery,
    // an undo, a run): a console says it on its error stream.
    void SetTurnNotice(std::function<void()> notice) { notice_ = std::move(notice); }
    // Where the folders after the one in hand come from: up to `most` of
    // them, in the order the run takes them. Their records are written with
    // the record of the folder in hand and reach the disk with it in one
    // flush; without it, every folder costs a flush of its own. A record
    // written ahead for a folder the run then takes otherwise, or not at
    // all, is closed as untouched, here too when the lookahead changes.
    using Lookahead = std::function<std::vector<PlannedMove>(size_t most)>;
    void SetLookahead(Lookahead lookahead);
    // Writes no more than `most` records ahead (1: a flush per folder), for
    // measuring what a batch saves.
    void SetAheadLimit(uint32_t most) { aheadMost_ = std::max<uint32_t>(1, most); }
    // True when the last wait for the turn was given up.
    bool GaveUp() const { return gaveUp_; }
    // True, once, when a trim could not delete a segment of dropped runs
    // (something holds it): the journal keeps it, and grows.
    bool TakeTrimFailure() { return trimFailed_ && !std::exchange(trimTold_, true); }
    // Gives the turn up.
    void EndRun();
    bool Recording() const { return recording_; }
    // The run that could not be recorded goes on all the same: the user said
    // so. Until the next run, folders are renamed without records.
    void GoOnUnrecorded();
    // Where a run that went on without a record is remembered, outside the
    // journal that could not hold it: `read` tells whether the last run was
    // one, `write` says so or forgets it (the next recorded run does).
    void SetUnrecordedMark(std::function<bool()> read, std::function<void(bool)> write) {
        markRead_ = std::move(read);
        markWrite_ = std::move(write);
    }
    // True when the last run renamed without a record: an undo would take
    // back an older run as if it were the last, and says so instead.
    bool LastRunUnrecorded() const { return markRead_ && markRead_(); }
    // True when a folder may be renamed: its records can be written, or the
    // user chose to go on without them.
    bool MayRename() const { return (recording_ && !failed_) || unrecorded_; }
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
    // Deletes the segments that hold only records of dropped runs.
    void DeleteDropped(Index& index);
    // Appends under the turn; what a look found follows.
    bool Append(const std::string& bytes);
    // Closes the records written ahead and not taken: their folders were not touched.
    bool CloseAhead();
    // Appends the outcome records held back. A record of where a move left
    // a folder goes to disk only after a flush that follows the move: written
    // sooner, a power cut could keep the record and lose the move.
    bool AppendPending();
    // Takes the record written ahead for this move, if there is one.
    uint32_t TakeAhead(const std::wstring& oldPath,
                       const std::wstring& tempPath,
                       const std::wstring& newPath,
                       uint32_t seq);

    IJournalStore& store_;
    std::unique_ptr<Index> index_;
    std::string run_;
    uint32_t next_ = 0;
    Lookahead lookahead_;
    std::deque<PlannedMove> ahead_;  // written ahead and on disk, in the order the run takes them
    uint32_t aheadSize_ = kAheadFirst, aheadMost_ = kAheadMost;
    uint64_t aheadAt_ = 0;  // when the last batch was written
    std::string pending_;   // outcome records held back until the next flush
    std::function<bool(unsigned ms)> pause_;
    std::function<void()> notice_;
    std::function<bool()> markRead_;
    std::function<void(bool)> markWrite_;
    unsigned pauseLength_ = 50;
    bool gaveUp_ = false;
    bool trimFailed_ = false, trimTold_ = false;
    bool recording_ = false;
    bool unrecorded_ = false;
    bool appending_ = false;
    bool failed_ = false;
    bool synced_ = false;          // index_ holds the whole file, and every record appended since
    bool indexFileTried_ = false;  // the index kept beside the journal was read
};

// The folders after the one in hand, for as long as the scope lasts: the
// journal writes their records ahead (see SetLookahead). None is set without
// a journal or a lookahead.
class LookaheadScope {
public:
    LookaheadScope(RenameJournal* journal, RenameJournal::Lookahead lookahead)
        : journal_(journal && lookahead ? journal : nullptr) {
        if (journal_) journal_->SetLookahead(std::move(lookahead));
    }
    ~LookaheadScope() {
        if (journal_) journal_->SetLookahead(nullptr);
    }
    LookaheadScope(const LookaheadScope&) = delete;
    LookaheadScope& operator=(const LookaheadScope&) = delete;

private:
    RenameJournal* journal_;
};

}  // namespace kelvaro
