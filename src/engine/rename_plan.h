#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/rename_dir.h"

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
    NoShortName,    // mode 3: the volume keeps no short name for the folder
};

inline constexpr size_t kPlanStates = 10;

// The limit a TooLong rename would pass.
enum class LengthLimit : uint8_t {
    None,
    NameChars,  // a name (or one with the temporary suffix) over 255 characters
    PathChars,  // a path (or one with the temporary suffix) over MAX_PATH
    NameBytes,  // a name (or one with the temporary suffix) over 255 UTF-8 bytes
};
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
};

// The verdict for every folder of a batch, in run order, by the rules the
// run itself applies; touches the disk only through lookups (one listing per
// parent folder, and the short names in mode 3).
std::vector<PlanEntry> PlanRun(IFileSystem& fs, const std::vector<std::wstring>& paths, int16_t mode, bool hira);

// True when the run would count the folder as done (renamed or in form).
inline bool PlanDone(PlanState state) {
    return state == PlanState::Rename || state == PlanState::InForm;
}

// The length limits every rename is held to: the old and the new name, each
// with the temporary suffix (the run passes through the one, an undo through
// the other), must fit in a name and, unless Windows takes long paths, in a
// path. Where names are stored as UTF-8 a name holds 255 bytes.
LengthLimit ExceededLimit(const std::wstring& from, const std::wstring& to, bool utf8Names);

// What the rules say of one folder before anything on disk is tried: Rename,
// InForm, KeptLong, KeptEightLong, Unstorable, NoShortName, TooLong, or Missing
// for a name already in form whose folder is not there. RenameDir acts on it
// and PlanRun starts from it, so the rules exist once. `exists` is asked only
// for a name in form.
struct FolderVerdict {
    PlanState state = PlanState::Rename;
    std::wstring newPath;  // as the converter of the mode gives it
    LengthLimit limit = LengthLimit::None;
};
FolderVerdict JudgeFolder(IFileSystem& fs,
                          const std::wstring& path,
                          int16_t mode,
                          bool hira,
                          const std::function<bool()>& exists);
// The same, asking the disk whether the folder exists.
FolderVerdict JudgeFolder(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hira);

// After the folder `from` was renamed to `to`: when `path` lies below `from`,
// rewrites it to the same place below `to` and gives true.
bool FollowRename(std::wstring& path, const std::wstring& from, const std::wstring& to);

// The changed-folder list as RenameDir sees it during a run: passes every
// path on and keeps the last one, the new path of the folder just done, so
// that the run can follow the folders below it.
class LastPathSink : public ILineSink {
public:
    explicit LastPathSink(ILineSink& next) : next_(next) {}
    void ListInAdd(const std::wstring& text) override {
        last_ = text;
        next_.ListInAdd(text);
    }
    void Clear() { last_.clear(); }
    const std::wstring& Last() const { return last_; }

private:
    ILineSink& next_;
    std::wstring last_;
};

// True when Windows lets this program (it declares itself long-path aware) use
// paths beyond MAX_PATH: the system's setting, read once.
bool LongPathsEnabled();

// The short text of a state, as the preview shows it.
std::wstring PlanStateText(PlanState state);
// Why a rename is too long, as a note after the state or a history line.
std::wstring LengthLimitText(LengthLimit limit);

}  // namespace kelvaro
