#pragma once
#include <string>
#include <vector>

#include "engine/rename_plan.h"

namespace kelvaro {

// What became of one folder of a script line, as a program reading the
// output sees it: the plan's verdicts, and what a run or an undo did.
enum class FolderCode : uint8_t {
    Rename,     // RENAME     a dry run would rename it
    Same,       // SAME       it already carries the wanted name
    KeepLong,   // KEEP_LONG  mode 1 leaves a long name alone
    KeepLong8,  // KEEP_LONG8 mode 4 finds no eight-character form
    BadName,    // BAD_NAME   the new name is one Windows would not store, or a name no folder can have
    NotFound,   // NOT_FOUND  no folder answers to the name (or the pattern matched none)
    Exists,     // EXISTS     a sibling already carries the new name
    Clash,      // CLASH      another folder of the list would get the same new path
    TooLong,    // TOO_LONG   the new path is too long
    Renamed,    // RENAMED    the run renamed it
    Failed,     // FAILED     the run tried and could not
    NotRun,     // NOT_RUN    the run was stopped before it
    Undone,     // UNDONE     the undo took it back
    Skipped,    // SKIPPED    the undo left it as it is
    NoShort,    // NO_SHORT   mode 3: the drive keeps no short name for it
    OwnFolder,  // OWN_FOLDER a folder the program needs itself
    TempName,   // TEMP_NAME  a folder an interrupted rename left under its temporary name
    Duplicate,  // DUPLICATE  a folder named before: handled where it came first
    // WINDOWS_FOLDER one of Windows' own folders, which only the case-only modes rename
    WindowsFolder,
};

// The fixed ASCII code of a state, as printed in the first field.
const char* FolderCodeName(FolderCode code);
// The plan's verdict as a code.
FolderCode CodeOf(PlanState state);

// One line of output about one folder.
struct FolderLine {
    FolderCode code = FolderCode::Rename;
    std::wstring path;
    std::wstring newPath;             // empty when there is none
    std::wstring reason;              // in Japanese; empty when there is nothing to say
    std::vector<std::wstring> notes;  // such as "below a folder renamed earlier", each a field of its own
};

// The notes the plan holds for a folder.
std::vector<std::wstring> PlanNotes(const PlanEntry& entry);

// The output line of a folder as the plan judges it (a dry run's).
FolderLine PlanFolderLine(const PlanEntry& entry);
// The output line of a folder of a run: the plan's, with what became of it.
// A folder whose subfolders could not be read (`unlisted`) says so before why it failed.
FolderLine RunFolderLine(const PlanEntry& entry, const FolderOutcome& outcome, bool unlisted);

// The output line of a folder an undo handled: taken back when `back` (it
// stands under its old name now), else left, with the history's reason.
FolderLine UndoFolderLine(const FolderOutcome& outcome, bool back);

// The line a dry run prints for one folder of the batch: state, path, and
// when there is one the new path, then each note, separated by tabs.
std::wstring PlanLine(const PlanEntry& entry);

// The header of the /TSV output, naming the fields.
std::wstring TsvHeader();
// code TAB path TAB new path TAB reason TAB notes (joined by "; "); tabs and
// line breaks inside a field become blanks, so one folder is always one line.
std::wstring TsvLine(const FolderLine& line);

}  // namespace kelvaro
