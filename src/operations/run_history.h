#pragma once
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/journal.h"
#include "engine/rename_dir.h"

namespace kelvaro {

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

// Whether a run after `runs[index]` renamed a folder that no undo took back,
// or `runs[index]` itself left one elsewhere (stored otherwise and not put
// back, or under its temporary name): then what it recorded may lie elsewhere now.
bool LeftRenamedSince(const std::vector<JournalRun>& runs, size_t index);
// Every move `runs[index]` and the runs and undos after it made, (from, to)
// in the order they were made, and the place of each folder of
// `runs[index]` among them (by its number). Needs the paths of those runs.
std::vector<std::pair<std::wstring, std::wstring>> MovesFrom(const std::vector<JournalRun>& runs,
                                                             size_t index,
                                                             std::unordered_map<uint32_t, size_t>& placeOf);

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

// The history line that says how many damaged lines of the journal were passed over (none when none were).
void ReportDamage(ILineSink& history, const JournalDamage& damage);
// Every run of the journal without the paths of its folders: enough to plan what to take back or finish.
std::optional<std::vector<JournalRun>> ReadRunsWithoutPaths(IJournalStore& store, JournalDamage* damage = nullptr);

}  // namespace kelvaro
