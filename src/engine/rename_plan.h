#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/folder_rules.h"
#include "engine/rename_dir.h"
#include "ports/file_system.h"

namespace kelvaro {

inline constexpr size_t kNoEntry = static_cast<size_t>(-1);

struct PlanEntry {
    std::wstring path;     // the folder as the target list holds it
    std::wstring newPath;  // the path it is to have; empty when there is none
    PlanState state = PlanState::Rename;
    // The folder lies below another folder of this batch that is renamed first;
    // the run finds it under that folder's new name (newPath is already there).
    bool belowRenamed = false;
    // The other folder of this batch in a clash over one name (on both of them).
    size_t clashWith = kNoEntry;
    LengthLimit limit = LengthLimit::None;  // for TooLong: which limit
    // Would be renamed, but the user leaves it alone in this run: it keeps its
    // name (and holds it against the others), and nothing below it moves.
    bool leftOut = false;
};

// The verdict for every folder of a batch, in run order, by the rules the
// run itself applies; touches the disk only through lookups (one listing per
// parent folder, and the short names in mode 3). A folder whose `leftOut`
// flag is set (by index; the list may be shorter) is not renamed.
std::vector<PlanEntry> PlanRun(IFileSystem& fs,
                               const std::vector<std::wstring>& paths,
                               int16_t mode,
                               bool hiraganaToKatakana,
                               const std::vector<bool>& leftOut = {});

// True when the run would count the folder as done (renamed or in form).
inline bool PlanDone(PlanState state) {
    return state == PlanState::Rename || state == PlanState::InForm;
}

// True when the run refuses the folder: the ones that need the user's attention.
inline bool PlanRefused(PlanState state) {
    return !PlanDone(state) && state != PlanState::KeptLong && state != PlanState::KeptEightLong &&
           state != PlanState::NoShortName && state != PlanState::FolderNoShortName && state != PlanState::OwnFolder &&
           state != PlanState::WindowsFolder;
}

// After the folder `from` was renamed to `to`: when `path` lies below `from`,
// rewrites it to the same place below `to` and gives true. The names are
// compared as Windows does, in any case, unless `exactCase` (the folder that
// held `from` tells case apart, and `Mix` beside `mix` is another folder).
bool FollowRename(std::wstring& path, const std::wstring& from, const std::wstring& to, bool exactCase = false);

}  // namespace kelvaro
