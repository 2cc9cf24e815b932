#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "ports/file_system.h"

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

inline constexpr size_t kPlanStates = 9;

// The folder's new path under `mode` (0-6), or empty text when none exists.
std::wstring ConvertDirName(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hira);

// What the rules say of one folder before anything on disk is tried: Rename,
// InForm, KeptLong, KeptEightLong, Unstorable, or Missing for a name already in
// form whose folder is not there. RenameDir acts on it and PlanRun starts from
// it, so the rules exist once. `exists` is asked only for a name in form.
struct FolderVerdict {
    PlanState state = PlanState::Rename;
    std::wstring newPath;  // as the converter of the mode gives it
};
FolderVerdict JudgeFolder(IFileSystem& fs,
                          const std::wstring& path,
                          int16_t mode,
                          bool hira,
                          const std::function<bool()>& exists);
// The same, asking the disk whether the folder exists.
FolderVerdict JudgeFolder(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hira);

// True for a drive's root folder written as "C:\".
bool IsDriveRoot(const std::wstring& path);

}  // namespace kelvaro
