#include "engine/rename_dir.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "engine/catalog.h"
#include "engine/folder_outcome.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"

namespace kelvaro {
namespace {

// True when `inner` is `outer` or lies below it (case-insensitive).
bool IsSameOrBelow(const std::wstring& inner, const std::wstring& outer) {
    if (outer.empty() || inner.size() < outer.size()) return false;
    if (CompareStringOrdinal(inner.c_str(), static_cast<int>(outer.size()), outer.c_str(),
                             static_cast<int>(outer.size()), TRUE) != CSTR_EQUAL)
        return false;
    return inner.size() == outer.size() || inner[outer.size()] == L'\\' || outer.back() == L'\\';
}

// Windows will not rename a folder that is, or holds, the current directory:
// step out to the drive root for the call and come back afterwards.
class CurrentDirGuard {
public:
    CurrentDirGuard(IFileSystem& fs, const std::wstring& path) : fs_(fs) {
        remembered_ = fs_.CurrentDir();
        if (const std::wstring root = PathRoot(path); !root.empty() && IsSameOrBelow(remembered_, path))
            moved_ = fs_.SetCurrentDir(root);
    }
    ~CurrentDirGuard() {
        if (moved_) fs_.SetCurrentDir(remembered_);
    }
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

private:
    IFileSystem& fs_;
    std::wstring remembered_;
    bool moved_ = false;
};

// Where a rename that reported success put the folder, when not under `asked`:
// the temporary name still (when the move went through it), else the folder
// `renamed` (the file id of the handle that renamed it) under the entry a
// lookup of `asked` found, or under a sibling whose name the system shortened
// (a lookup of the long name may find nothing). Only Linux file systems under
// Wine shorten a name as they store it; elsewhere a sibling that merely starts
// like the wanted name is someone else's. Empty when the folder is not found.
std::wstring FindMisplaced(IFileSystem& fs,
                           const std::wstring& temp,
                           const std::wstring& asked,
                           const std::optional<std::wstring>& found,
                           const std::optional<FileIdentity>& renamed) {
    if (!temp.empty() && fs.IsFolder(temp)) return temp;
    auto isRenamed = [&](const std::wstring& candidate) {
        const auto there = renamed ? fs.IdentityOf(candidate) : std::nullopt;
        return there && SameInFolder(*there, *renamed);
    };
    const std::wstring parent = ParentWithSeparator(asked);
    if (found) return isRenamed(parent + *found) ? parent + *found : std::wstring();
    if (!fs.StoresNamesAsUtf8()) return {};
    const std::wstring wanted = FoldedName(LastPathName(asked));
    std::vector<std::wstring> candidates;
    for (const auto& name : fs.SubFolders(parent)) {
        const std::wstring upper = FoldedName(name);
        if (upper.size() < wanted.size() && wanted.compare(0, upper.size(), upper) == 0) candidates.push_back(name);
    }
    // The longest first: the name cut shortest by the system is the least likely.
    std::sort(candidates.begin(), candidates.end(),
              [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const auto& name : candidates)
        if (isRenamed(parent + name)) return parent + name;
    return {};
}

// True when an entry other than the folder `path` holds the name of
// `newPath`, case ignored. Only a change of case alone needs the parent's
// listing (the run's, when it keeps one): a twin differing in case only can
// stand beside the folder where the file system tells case apart.
bool HeldByAnother(IFileSystem& fs, FolderListings* listings, const std::wstring& path, const std::wstring& newPath) {
    const bool caseOnly = FoldedName(LastPathName(newPath)) == FoldedName(LastPathName(path));
    // The run's listing answers without a lookup: the entries named like the
    // new name, the folder itself among them when only the case changes.
    if (listings) return listings->Holders(newPath) > (caseOnly ? 1u : 0u);
    const auto held = fs.EntryName(newPath);
    if (!held) return false;
    const std::wstring own = FoldedName(LastPathName(path));
    // Another entry answers to the new name; or the folder itself does (its
    // own short name, or its name in other case) and only a twin can be in the way.
    if (FoldedName(*held) != own) return true;
    if (!caseOnly || !fs.TellsCaseApart(ParentDirName(path))) return false;
    FolderListings once(fs);
    return once.Holders(path) > 1;
}

}  // namespace

std::wstring FailureReason(IFileSystem& fs, uint32_t error) {
    if (error == kNotTheListedFolder) return ResKelvaroText(KText::NotTheListedFolderLine);
    const std::wstring text = fs.ErrorText(error);
    if (!text.empty()) return L"\u3000" + text;
    return ResKelvaroText(KText::ErrorNumberLine) + std::to_wstring(error);
}

namespace {

// The name a rename to `asked` stored: as the renaming handle read it back, or looked up.
std::optional<std::wstring> StoredName(IFileSystem& fs, const MoveResult& move, const std::wstring& asked) {
    return move.stored ? move.stored : fs.EntryName(asked);
}

// Moves `path` to `newPath`, through the temporary sibling unless `direct`,
// and reads back the name the system stored (see MoveThroughTemp). A direct
// move is recorded as any other: the record names the temporary path, where
// recovery then finds nothing, and the old and the new path, where it looks next.
MoveOutcome MoveFolder(IFileSystem& fs,
                       RenameJournal* journal,
                       const std::wstring& path,
                       const std::wstring& newPath,
                       uint32_t seq,
                       const std::optional<FileIdentity>& expected,
                       bool direct) {
    const std::wstring temp = path + kTempSuffix;
    if (journal) {
        // A folder whose move could not be recorded is not moved: a cut now would lose it.
        if (!journal->MayRename()) return MoveOutcome{MoveOutcome::Unrecorded, L"", {}};
        seq = journal->FolderBegin(path, temp, newPath, seq);
        if (journal->Failed()) return MoveOutcome{MoveOutcome::Unrecorded, L"", {}};
    }
    MoveOutcome outcome;
    auto end = [&](MoveOutcome::Result result, JournalOutcome recorded, const std::wstring& where) {
        // Left under the temporary name, the record stays open for recovery.
        if (journal && result != MoveOutcome::LeftTemp) journal->FolderEnd(seq, recorded, where);
        outcome.result = result;
        if (result == MoveOutcome::LeftTemp || result == MoveOutcome::Misplaced) outcome.where = where;
        return outcome;
    };
    auto refused = [&](const MoveResult& move) {
        std::wstring reason = FailureReason(fs, move.error);
        if (outcome.reasons.empty() || outcome.reasons.back() != reason) outcome.reasons.push_back(std::move(reason));
    };
    auto storedAs = [&](const std::wstring& asked, const std::optional<std::wstring>& name) {
        return name && *name == LastPathName(asked);
    };
    // A way back to the old name: back under it, unless the system keeps
    // that one its own way too (and under Wine a change of case alone renames
    // nothing); then it is told where the folder is.
    auto backAt = [&](const MoveResult& back) {
        const auto stored = StoredName(fs, back, path);
        if (storedAs(path, stored)) return end(MoveOutcome::Refused, JournalOutcome::Old, path);
        const std::wstring told = ResKelvaroText(KText::StoredOtherwiseLine);
        if (std::find(outcome.reasons.begin(), outcome.reasons.end(), told) == outcome.reasons.end())
            outcome.reasons.push_back(told);
        if (!stored) return end(MoveOutcome::Misplaced, JournalOutcome::Unknown, L"");
        return end(MoveOutcome::Misplaced, JournalOutcome::Elsewhere, ParentWithSeparator(path) + *stored);
    };
    // Wine renames whatever the path names at the moment of the rename: a
    // file (or another folder) that took the folder's name just then goes
    // back to that name at once, and the folder is left to whoever moved it.
    auto renamedAnother = [&](const MoveResult& move, const std::wstring& at, const std::wstring& back) {
        const auto there = move.identity ? fs.IdentityOf(at) : std::nullopt;
        if (!there || SameInFolder(*there, *move.identity)) return false;
        outcome.reasons.push_back(ResKelvaroText(KText::NotTheFolderLine));
        if (const MoveResult put = fs.MoveEntry(at, back); !put) refused(put);
        return true;
    };

    MoveResult second;
    if (direct) {
        second = fs.MoveDir(path, newPath, expected);
        if (!second && second.error != ERROR_ALREADY_EXISTS && second.error != ERROR_FILE_EXISTS) {
            refused(second);
            return end(MoveOutcome::Refused, JournalOutcome::Old, path);
        }
        if (second && renamedAnother(second, newPath, path))
            return end(MoveOutcome::Refused, JournalOutcome::Old, path);
        // A file system that takes the folder's own short name for the folder
        // as it is (Wine leaves it alone, or calls the name taken) keeps no
        // tunnel either: the usual way is taken.
        direct = second && !storedAs(path, StoredName(fs, second, newPath));
    }
    if (!direct) {
        // The second rename makes sure that what stands under the temporary
        // name is what the first one opened.
        auto [first, onward] = fs.MoveDirThrough(path, temp, newPath, expected);
        if (!first) {
            refused(first);
            return end(MoveOutcome::Refused, JournalOutcome::Old, path);
        }
        second = std::move(onward);
        if (second.error == kNotTheListedFolder) {
            outcome.reasons.push_back(ResKelvaroText(KText::NotTheFolderLine));
            if (const MoveResult put = fs.MoveEntry(temp, path); !put) {
                // What the first rename moved stays under the temporary name
                // for now: the record stays open, and the next start puts it back.
                refused(put);
                return end(MoveOutcome::LeftTemp, JournalOutcome::Temp, temp);
            }
            return end(MoveOutcome::Misplaced, JournalOutcome::Unknown, L"");
        }
        if (!second) {
            refused(second);
            const MoveResult back = fs.MoveDirBack(temp, path);
            if (back) return backAt(back);
            refused(back);
            return end(MoveOutcome::LeftTemp, JournalOutcome::Temp, temp);
        }
    }
    // The name the system stored, character for character.
    const auto stored = StoredName(fs, second, newPath);
    if (storedAs(newPath, stored)) return end(MoveOutcome::Moved, JournalOutcome::New, newPath);
    outcome.reasons.push_back(ResKelvaroText(KText::StoredOtherwiseLine));
    const std::wstring via = direct ? std::wstring() : temp;
    // A rename the system took for one onto the folder itself (a change of case under Wine) left it where it was.
    if (storedAs(path, stored) && (via.empty() || !fs.IsFolder(via)))
        return end(MoveOutcome::Refused, JournalOutcome::Old, path);
    const std::wstring where = FindMisplaced(fs, via, newPath, stored, second.identity);
    if (where.empty()) return end(MoveOutcome::Misplaced, JournalOutcome::Unknown, L"");
    const MoveResult back = fs.MoveDirBack(where, path);
    if (back) return backAt(back);
    refused(back);
    return end(MoveOutcome::Misplaced, JournalOutcome::Elsewhere, where);
}

}  // namespace

MoveOutcome MoveThroughTemp(IFileSystem& fs,
                            RenameJournal* journal,
                            const std::wstring& path,
                            const std::wstring& newPath,
                            uint32_t seq,
                            const std::optional<FileIdentity>& expected) {
    return MoveFolder(fs, journal, path, newPath, seq, expected, false);
}

FolderOutcome OutcomeOfMove(const MoveOutcome& moved, const std::wstring& path, const std::wstring& newPath) {
    FolderOutcome outcome;
    outcome.path = path;
    outcome.newPath = newPath;
    outcome.reasons = moved.reasons;
    outcome.where = moved.where;
    switch (moved.result) {
        case MoveOutcome::Moved:
            outcome.state = FolderState::Renamed;
            break;
        case MoveOutcome::Refused:
            outcome.state = FolderState::Failed;
            break;
        case MoveOutcome::LeftTemp:
            outcome.state = FolderState::LeftTemp;
            break;
        case MoveOutcome::Misplaced:
            outcome.state = FolderState::Misplaced;
            break;
        case MoveOutcome::Unrecorded:
            outcome.state = FolderState::Unrecorded;
            break;
    }
    return outcome;
}

namespace {

std::wstring CountText(KText label, size_t count) {
    return L"\u3000" + ResKelvaroText(label) + L"\uFF1A" + std::to_wstring(count) + ResKelvaroText(KText::SummaryUnit);
}

}  // namespace

std::wstring RunSummaryLine(const RunCounts& counts) {
    std::wstring line = ResKelvaroText(KText::SummaryHead) + CountText(KText::SummaryRenamed, counts.renamed) +
                        CountText(KText::SummarySame, counts.same) +
                        CountText(KText::SummaryNotRenamed, counts.notRenamed);
    if (counts.notReached > 0) line += CountText(KText::SummaryNotReached, counts.notReached);
    if (counts.notReached > 0 && counts.notReachedAtLeast) line += ResKelvaroText(KText::SummaryAtLeast);
    return line;
}

std::wstring UndoSummaryLine(const RunCounts& counts) {
    std::wstring line = ResKelvaroText(KText::SummaryHead) + CountText(KText::SummaryUndone, counts.renamed) +
                        CountText(KText::SummaryNotUndone, counts.notRenamed);
    if (counts.notReached > 0) line += CountText(KText::SummaryNotReached, counts.notReached);
    return line;
}

RecordedRun::RecordedRun(RenameJournal* journal,
                         ILineSink& history,
                         RunKind kind,
                         const std::string& target,
                         const std::function<bool()>& goOnUnrecorded)
    : journal_(journal) {
    if (!journal_) return;
    // Another copy of the program recording a run of its own: the history
    // says what the run waits for (the window keeps answering meanwhile).
    auto waiting = [&history] { history.AddLine(ResKelvaroText(KText::WaitingForTurnLine)); };
    if (journal_->BeginRun(kind, target, waiting)) {
        if (journal_->TakeTrimFailure()) history.AddLine(ResKelvaroText(KText::TrimNotWrittenLine));
        return;
    }
    stopped_ = true;
    if (journal_->GaveUp()) return;
    // A run without a record could not be put right after a cut, nor taken back.
    if (goOnUnrecorded && goOnUnrecorded()) {
        stopped_ = false;
        unrecorded_ = true;
        journal_->GoOnUnrecorded();
        history.AddLine(ResKelvaroText(KText::NotUndoableLine));
    } else {
        history.AddLine(ResKelvaroText(KText::JournalNotWritableLine));
    }
}

namespace {

// What becomes of `path` (see RenameFolder), told to nobody yet.
FolderOutcome TryRename(const RenameServices& services,
                        const std::wstring& path,
                        int16_t mode,
                        const std::optional<FileIdentity>& expected) {
    IFileSystem& fs = services.fs;
    // What the rules refuse is refused before anything on disk is touched.
    const FolderVerdict verdict = JudgeFolder(fs, path, mode, services.hiraganaToKatakana);
    FolderOutcome outcome;
    outcome.path = path;
    outcome.newPath = verdict.newPath;
    outcome.verdict = verdict.state;
    switch (verdict.state) {
        case PlanState::Rename:
            break;
        case PlanState::InForm:
            outcome.state = FolderState::Unchanged;
            return outcome;
        case PlanState::ShortNameUnreadable:
            outcome.reasons.push_back(FailureReason(fs, verdict.error));
            return outcome;
        case PlanState::TooLong:
            outcome.limit = verdict.limit;
            return outcome;
        case PlanState::Unstorable:
            // A folder that is gone has no name to convert either: said as the preview says it.
            if (!IsDriveRoot(path) && !fs.EntryName(path)) outcome.verdict = PlanState::Missing;
            return outcome;
        default:
            return outcome;
    }
    const std::wstring& newPath = verdict.newPath;
    // NTFS and FAT give a folder its long name back when, within seconds, it
    // takes a short name that was just taken from the folder: the way through
    // the temporary name is exactly that in the short-name mode, so there a folder is
    // renamed to its own short name directly.
    const bool direct =
        RuleOf(mode) == ModeRule::ShortName && FoldedName(LastPathName(path)) != FoldedName(LastPathName(newPath));
    // A new name another entry already holds, as the file system compares
    // names, is refused before anything moves: the rename would fail, and in
    // a folder that tells case apart the rename back might fail too. The
    // temporary name stays free for a direct rename too: recovery looks there first.
    if (HeldByAnother(fs, services.listings, path, newPath) || (direct && fs.EntryName(path + kTempSuffix))) {
        outcome.verdict = PlanState::SiblingExists;
        return outcome;
    }
    outcome = OutcomeOfMove(MoveFolder(fs, services.journal, path, newPath, 0, expected, direct), path, newPath);
    if (outcome.state == FolderState::Renamed && services.listings) services.listings->Moved(path, newPath);
    return outcome;
}

}  // namespace

FolderOutcome RenameFolder(const RenameServices& services,
                           const std::wstring& path,
                           int16_t mode,
                           const std::optional<FileIdentity>& expected) {
    CurrentDirGuard guard(services.fs, path);
    services.history.AddLine(FolderHeading(path, services.wholePaths));
    FolderOutcome outcome = TryRename(services, path, mode, expected);
    WriteOutcome(services.history, services.changed, outcome);
    return outcome;
}

}  // namespace kelvaro
