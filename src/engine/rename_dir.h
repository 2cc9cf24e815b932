#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/folder_listings.h"
#include "engine/folder_outcome.h"
#include "engine/line_sink.h"
#include "engine/folder_rules.h"
#include "engine/journal.h"
#include "ports/file_system.h"

namespace kelvaro {

struct RenameServices {
    IFileSystem& fs;
    ILineSink& history;
    ILineSink& changed;
    bool hiraganaToKatakana;             // half-width conversion turns hiragana into katakana too
    RenameJournal* journal = nullptr;    // records every rename when present
    FolderListings* listings = nullptr;  // the run's look at each parent, when it keeps one
    bool wholePaths = false;             // each folder's heading names its whole path (a log), not a short one
};

// How the move of one folder through its temporary sibling ended.
struct MoveOutcome {
    enum Result {
        Moved,      // under the new name
        Refused,    // under the old name: a rename was refused, or the folder was put back
        LeftTemp,   // under the temporary name: the rename back was refused too
        Misplaced,  // the system stored another name than asked and it could not be put back
        // Untouched: the journal could not record the move beforehand.
        Unrecorded,
    } result = Refused;
    std::wstring where;  // for LeftTemp and Misplaced: where the folder is (empty when unknown)
    // Why, as history lines under the failure line: the system's message for
    // each refused rename, or that the system stored another name.
    std::vector<std::wstring> reasons;
};

// Moves `path` to `newPath` through the temporary sibling, journaling the move
// (under the number `seq` when given), and reads back the name the system
// stored: anything but the new name exactly (a name cut short, a case the
// system kept, another spelling) puts the folder back. A folder left under
// its temporary name keeps its journal record open, so that recovery at the
// next start tries again.
MoveOutcome MoveThroughTemp(IFileSystem& fs,
                            RenameJournal* journal,
                            const std::wstring& path,
                            const std::wstring& newPath,
                            uint32_t seq = 0,
                            const std::optional<FileIdentity>& expected = std::nullopt);

// The outcome of a move of `path` to `newPath` that ended as `moved` says.
FolderOutcome OutcomeOfMove(const MoveOutcome& moved, const std::wstring& path, const std::wstring& newPath);

// What a run or an undo did, for its closing summary line.
struct RunCounts {
    size_t renamed = 0;              // renamed, or taken back by an undo
    size_t same = 0;                 // already in form (a run only)
    size_t notRenamed = 0;           // tried, or named, and left as it was
    size_t notReached = 0;           // not tried: stopped before them
    bool notReachedAtLeast = false;  // some of them stand for a tree that was not walked
};
// "結果　変更：n件　同一：n件　変更できず：n件", with the folders not reached
// when there are any.
std::wstring RunSummaryLine(const RunCounts& counts);
// The same for an undo: taken back, not taken back, not reached.
std::wstring UndoSummaryLine(const RunCounts& counts);

// The history line that says why a rename was refused: the system's message
// for `error`, or its number when the system has no words for it.
std::wstring FailureReason(IFileSystem& fs, uint32_t error);

// A run in the journal, from construction to destruction. No folder is
// renamed without a record: when the journal cannot record the run, it does
// not start, unless `goOnUnrecorded` (the window's question) says to go on.
class RecordedRun {
public:
    RecordedRun(RenameJournal* journal,
                ILineSink& history,
                RunKind kind,
                const std::string& target = {},
                const std::function<bool()>& goOnUnrecorded = {});
    ~RecordedRun() {
        if (journal_) journal_->EndRun();
    }
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;
    // True when no folder is to be renamed: the wait for another copy's turn
    // was given up, or the run cannot be recorded.
    bool Stopped() const { return stopped_; }
    // True when the journal cannot record the run and the user chose to go on.
    bool Unrecorded() const { return unrecorded_; }

private:
    RenameJournal* journal_;
    bool stopped_ = false;
    bool unrecorded_ = false;
};

// Renames one folder by `mode` through its temporary sibling, writes the
// outcome to the history and lists done folders, and returns it. The folder
// always ends under its old, new or temporary name, and the history says which.
// `expected`, when given, is what a walk found under `path`: a path that
// leads elsewhere now (a link swapped in above it) is never renamed.
FolderOutcome RenameFolder(const RenameServices& services,
                           const std::wstring& path,
                           int16_t mode,
                           const std::optional<FileIdentity>& expected = std::nullopt);

}  // namespace kelvaro
