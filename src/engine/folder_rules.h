#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/modes.h"
#include "ports/file_system.h"

namespace kelvaro {

// Appended to a folder's path to make the sibling it passes through.
inline constexpr const wchar_t* kTempSuffix = L".Tmp\u3077\u3088\u3080";

// True for the name a folder has between the two steps of its rename (any case).
bool IsTempName(const std::wstring& name);

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
    NoShortName,    // mode 3: the volume keeps no short name for the folder
    OwnFolder,      // a folder the program needs itself (its journal's folder, those above it, its own)
    TempName,       // a folder still under the temporary name of an interrupted rename
    // One of Windows' own folders (a known folder, a sync root...): only its case may change.
    WindowsFolder,
    // Mode 3: the volume keeps short names, but this folder has none.
    FolderNoShortName,
    // Mode 3: the system would not tell the folder's short name.
    ShortNameUnreadable,
};

inline constexpr size_t kPlanStates = 15;

// The limit a TooLong rename would pass.
enum class LengthLimit : uint8_t {
    None,
    NameChars,  // a name (or one with the temporary suffix) over 255 characters
    PathChars,  // a path (or one with the temporary suffix) over MAX_PATH
    NameBytes,  // a name (or one with the temporary suffix) over 255 UTF-8 bytes
};

// The folder's new path under `mode` (0 to ModeCount() - 1), or empty text when none exists.
std::wstring ConvertDirName(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hiraganaToKatakana);

// The length limits every rename is held to: the old and the new name, each
// with the temporary suffix (the run passes through the one, an undo through
// the other), must fit in a name and, unless Windows takes long paths, in a
// path. Where names are stored as UTF-8 a name holds 255 bytes.
// `longPaths`: Windows takes paths beyond MAX_PATH (the file system says).
LengthLimit ExceededLimit(const std::wstring& from, const std::wstring& to, bool utf8Names, bool longPaths);

// What the rules say of one folder before anything on disk is tried: Rename,
// InForm, KeptLong, KeptEightLong, Unstorable (also for a folder whose own
// name the system takes for a device), NoShortName, FolderNoShortName,
// ShortNameUnreadable, TooLong, OwnFolder, TempName, WindowsFolder, or Missing
// for a name already in form whose folder is not there. RenameDir acts on it
// and PlanRun starts from it, so the rules exist once. `exists` is asked only
// for a name in form.
struct FolderVerdict {
    PlanState state = PlanState::Rename;
    std::wstring newPath;  // as the converter of the mode gives it
    LengthLimit limit = LengthLimit::None;
    uint32_t error = 0;  // ShortNameUnreadable: the system's error code
};
FolderVerdict JudgeFolder(IFileSystem& fs,
                          const std::wstring& path,
                          int16_t mode,
                          bool hiraganaToKatakana,
                          const std::function<bool()>& exists);
// The same, asking the disk whether the folder exists.
FolderVerdict JudgeFolder(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hiraganaToKatakana);

// The new path JudgeFolder would give a folder, told from its name alone:
// empty where the rules refuse it, the name is in form, or the new name is
// the disk's to give (mode 3). What a run writes ahead in its journal.
std::wstring PlannedNewPath(const std::wstring& path, int16_t mode, bool hiraganaToKatakana);

// True for a name the system takes for a device (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with any extension): a folder of such a name cannot be renamed.
bool IsDeviceName(const std::wstring& name);

// The short text of a state, as the preview shows it; under a history line
// that says a folder was not renamed it says why.
std::wstring PlanStateText(PlanState state);

// Why a rename is too long, as a note after the state or a history line.
std::wstring LengthLimitText(LengthLimit limit);

}  // namespace kelvaro
