#pragma once
#include <optional>
#include <string>
#include <vector>

#include "engine/journal.h"

namespace kelvaro {

// What finishes the newest run when it was stopped or cut short: its mode
// and flags, and the named folders it did not reach, each under the path it
// has now (below a folder the run renamed, under that folder's new name). A
// run of every depth gives its roots again, to be walked again. Nothing when
// the newest run finished, was taken back, or has no request on record.
struct ResumePlan {
    std::string run;
    RunRequest request;                // its targets: the folders to do
    std::vector<std::wstring> hidden;  // folders left out: a damaged line names them
};
// `damaged`: the paths damaged lines of the journal seem to name. Such a
// folder may have been renamed by a run whose record is the damaged line:
// it is not this run's to rename again.
std::optional<ResumePlan> PlanResume(const std::vector<JournalRun>& runs,
                                     const std::vector<std::wstring>& damaged = {});
// The same for the journal, decoding the paths of that run only.
std::optional<ResumePlan> PlanResume(RenameJournal& journal);

}  // namespace kelvaro
