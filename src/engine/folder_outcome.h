#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/folder_rules.h"

namespace kelvaro {

class ILineSink;

// Where one folder a run, an undo or a resume handled stands afterwards.
enum class FolderState : uint8_t {
    Renamed,     // under its new name
    Unchanged,   // its name was in form already
    Refused,     // the rules left it alone before anything moved (`verdict` says why)
    Failed,      // the system refused, and it stands under its old name
    LeftTemp,    // under its temporary name (`where`)
    Misplaced,   // stored otherwise and not put back: under `where`, or nobody knows where (empty)
    Unrecorded,  // not touched: its record could not be written first
    Gone,        // an undo found nothing under its new name (under `where`, when another spelling answers)
    Taken,       // an undo found its old name held by another folder
};

// What became of one folder, as a value: every rendering of a run (the
// history, the changed-folder list, the /TSV lines) is made from it.
struct FolderOutcome {
    FolderState state = FolderState::Refused;
    PlanState verdict = PlanState::Rename;  // why the rules refused it
    std::wstring path;                      // where it stood when its turn came
    std::wstring newPath;                   // the name it was to get
    std::wstring where;                     // where it is left, when neither of those
    std::vector<std::wstring> reasons;      // the system's words, one line each
    LengthLimit limit = LengthLimit::None;  // the length limit a name too long broke
    bool Done() const { return state == FolderState::Renamed || state == FolderState::Unchanged; }
};

// The heading line of a folder's lines in the history: its path shortened,
// or whole (a log of thousands of folders is never ambiguous).
std::wstring FolderHeading(const std::wstring& path, bool wholePath);

// The history's lines under the heading that tell the outcome.
std::vector<std::wstring> OutcomeLines(const FolderOutcome& outcome);

// History lines as one reason: each without its indent, joined by spaces.
std::wstring JoinedReason(const std::vector<std::wstring>& lines);

// Writes the outcome's lines to the history and its path to the changed-folder
// list: a folder renamed stands under its new path, one in form under its own,
// one left under another name no longer under its old one.
void WriteOutcome(ILineSink& history, ILineSink& changed, const FolderOutcome& outcome);

}  // namespace kelvaro
