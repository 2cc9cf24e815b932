#pragma once
#include <functional>

#include "engine/journal.h"
#include "engine/rename_dir.h"

namespace kelvaro {

// Renames every folder of the newest run not yet taken back to its old name, newest first,
// through the temporary name, journaled as an undo run. A folder whose new
// name is gone or whose old name is taken is skipped. `keepGoing` is asked
// before each folder. Refuses when damaged lines of the journal may hide a
// newer run, and stops when a record cannot be written. Returns the number of
// folders not taken back.
size_t UndoLastRun(const RenameServices& services, const std::function<bool()>& keepGoing);
// The same, telling the caller about each folder.
struct UndoHooks {
    std::function<void(size_t folders)> planned;            // how many folders there are to take back, first
    std::function<bool(const JournalFolder& next)> before;  // asked before each; false stops the undo
    std::function<void(const JournalFolder&)> notReached;   // each folder a stop (or a refusal) left as it was
    std::function<void(const JournalFolder&, const FolderOutcome&)> after;  // each folder tried, and what became of it
    std::function<void(const RunCounts&)> counted;                          // the counts, just before the summary line
};
size_t UndoLastRun(const RenameServices& services, const UndoHooks& hooks);

}  // namespace kelvaro
