#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/file_system.h"

namespace kelvaro {

// What a run would do with one folder of a batch.
enum class PlanState : uint8_t {
    Rename,         // will be renamed
    InForm,         // already carries the wanted name (counts as done)
    KeptLong,       // mode 1: a long name is left alone
    KeptEightLong,  // mode 4: no eight-character form
    Unstorable,     // the new name is one Windows would not store as written
    Missing,        // the folder no longer exists
    SiblingExists,  // an existing sibling already has the new name
    BatchClash,     // another folder of this batch would get the same new path
    TooLong,        // the new path is too long for Windows
};

struct PlanEntry {
    std::wstring path;     // the folder as the target list holds it
    std::wstring newPath;  // the path it is to have; empty when there is none
    PlanState state = PlanState::Rename;
    // The folder lies below another folder of this batch that is renamed first.
    bool belowRenamed = false;
};

// The verdict for every folder of a batch, in run order, by the rules the
// run itself applies; touches the disk only through lookups.
std::vector<PlanEntry> PlanRun(IFileSystem& fs, const std::vector<std::wstring>& paths, int16_t mode, bool hira);

// True when the run would count the folder as done (renamed or in form).
inline bool PlanDone(PlanState state) {
    return state == PlanState::Rename || state == PlanState::InForm;
}

}  // namespace kelvaro
