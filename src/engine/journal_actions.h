#pragma once
#include <functional>
#include <optional>
#include <string>

#include "engine/journal.h"
#include "engine/rename_dir.h"

namespace kelvaro {

// Puts right what runs cut short left behind: a folder still under its
// temporary name goes back to its old name when that is free; every other
// case is only reported. Runs whose writer still runs are left alone, and so
// are folders on a drive or share that is not there (until a later start).
// The history says what was found and done, and how far each run cut short
// got (whose names `cutShort` gets when given). Returns the folders looked at.
size_t RecoverInterrupted(IFileSystem& fs,
                          RenameJournal& journal,
                          ILineSink& history,
                          std::vector<std::string>* cutShort = nullptr);

// How far a run with a request got: the folders asked for, renamed, tried,
// and not reached (after the last one it renamed, for a run cut short).
// `total` and `notReached` are 0 when the run did not know its number beforehand.
struct RunProgress {
    uint64_t total = 0;
    uint64_t renamed = 0;
    uint64_t reached = 0;
    uint64_t notReached = 0;
};
RunProgress ProgressOf(const JournalRun& run);

// True when an undo of `runs[index]` went through all its folders, or
// nothing it renamed is left to take back.
bool TakenBack(const std::vector<JournalRun>& runs, size_t index);

// The folders that the newest run not yet taken back renamed and no undo has
// taken back yet, newest first; empty when there is nothing to undo.
struct UndoPlan {
    std::string run;
    std::vector<JournalFolder> folders;
    size_t index = 0;  // of the run among the journal's runs
};
UndoPlan PlanUndo(const std::vector<JournalRun>& runs);
// The same, taking the folders out of `runs`.
UndoPlan PlanUndo(std::vector<JournalRun>&& runs);
// The runs of the journal (oldest first), with the paths of the folders of the
// run an undo would take back and of the run a resume would finish, never of
// the others; nullopt when the journal cannot be read.
std::optional<std::vector<JournalRun>> ReadRuns(IJournalStore& store, JournalDamage* damage = nullptr);
// The same, empty when the journal cannot be read.
std::vector<JournalRun> ReadRuns(RenameJournal& journal);
// How many folders an undo would take back (0: there is nothing to take
// back); no path is decoded.
size_t FoldersToUndo(RenameJournal& journal);

// What finishes the newest run when it was stopped or cut short: its mode
// and flags, and the named folders it did not reach, each under the path it
// has now (below a folder the run renamed, under that folder's new name). A
// run of every depth gives its roots again, to be walked again. Nothing when
// the newest run finished, was taken back, or has no request on record.
struct ResumePlan {
    std::string run;
    RunRequest request;  // its targets: the folders to do
};
std::optional<ResumePlan> PlanResume(const std::vector<JournalRun>& runs);
// The same for the journal, decoding the paths of that run only.
std::optional<ResumePlan> PlanResume(RenameJournal& journal);

// Renames every folder of the newest run not yet taken back to its old name, newest first,
// through the temporary name, journaled as an undo run. A folder whose new
// name is gone or whose old name is taken is skipped. `keepGoing` is asked
// before each folder. Refuses when damaged lines of the journal may hide a
// newer run, and stops when a record cannot be written. Returns the number of
// folders not taken back.
size_t UndoLastRun(const RenameServices& services, const std::function<bool()>& keepGoing);
// The same, telling the caller about each folder.
struct UndoHooks {
    std::function<void(size_t folders)> planned;             // how many folders there are to take back, first
    std::function<bool(const JournalFolder& next)> before;   // asked before each; false stops the undo
    std::function<void(const JournalFolder&)> notReached;    // each folder a stop (or a refusal) left as it was
    std::function<void(const JournalFolder&, const FolderOutcome&)> after;  // each folder tried, and what became of it
    std::function<void(const RunCounts&)> counted;           // the counts, just before the summary line
};
size_t UndoLastRun(const RenameServices& services, const UndoHooks& hooks);

}  // namespace kelvaro
