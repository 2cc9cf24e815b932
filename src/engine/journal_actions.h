#pragma once
#include <functional>
#include <string>

#include "engine/journal.h"
#include "engine/rename_dir.h"

namespace kelvaro {

// Puts right what runs cut short left behind: a folder still under its
// temporary name goes back to its old name when that is free; every other
// case is only reported. Runs whose writer still runs are left alone, and so
// are folders on a drive or share that is not there (until a later start).
// The history says what was found and done. Returns the folders looked at.
size_t RecoverInterrupted(IFileSystem& fs, RenameJournal& journal, ILineSink& history);

// The folders the last run renamed and no undo has taken back yet, newest
// first; empty when there is nothing to undo.
struct UndoPlan {
    std::string run;
    std::vector<JournalFolder> folders;
    size_t index = 0;  // of the run among the journal's runs
};
UndoPlan PlanUndo(const std::vector<JournalRun>& runs);
bool CanUndo(RenameJournal& journal);

// Renames every folder of the last run back to its old name, newest first,
// through the temporary name, journaled as an undo run. A folder whose new
// name is gone or whose old name is taken is skipped. `keepGoing` is asked
// before each folder. Refuses when damaged lines of the journal may hide a
// newer run, and stops when a record cannot be written. Returns the number of
// folders not taken back.
size_t UndoLastRun(const RenameServices& services, const std::function<bool()>& keepGoing);

}  // namespace kelvaro
