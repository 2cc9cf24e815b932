#include "engine/journal_actions.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "engine/catalog.h"
#include "engine/path_text.h"

namespace kelvaro {
namespace {

// True when the entry `path` names is stored exactly under the last component of `spelled`.
bool StoredAs(IFileSystem& fs, const std::wstring& path, const std::wstring& spelled) {
    const auto name = fs.EntryName(path);
    return name && *name == LastPathName(spelled);
}

// The folders of each parent an undo touches, listed once and kept up to date
// as it renames: a lookup per folder would scan the folder each time.
class Listings {
public:
    explicit Listings(IFileSystem& fs) : fs_(fs) {}
    // The stored name of the folder `path` names, case ignored; empty when none.
    std::wstring Stored(const std::wstring& path) {
        auto& names = Of(ParentWithSeparator(path));
        const auto it = names.find(Key(LastPathName(path)));
        return it == names.end() ? std::wstring() : it->second;
    }
    void Moved(const std::wstring& from, const std::wstring& to) {
        Of(ParentWithSeparator(from)).erase(Key(LastPathName(from)));
        Of(ParentWithSeparator(to))[Key(LastPathName(to))] = LastPathName(to);
    }

private:
    static std::wstring Key(const std::wstring& name) { return FoldedName(name); }
    std::unordered_map<std::wstring, std::wstring>& Of(const std::wstring& parent) {
        auto [it, added] = parents_.try_emplace(Key(parent));
        if (added)
            for (const auto& name : fs_.SubFolders(parent)) it->second[Key(name)] = name;
        return it->second;
    }
    IFileSystem& fs_;
    std::map<std::wstring, std::unordered_map<std::wstring, std::wstring>> parents_;
};

void Report(ILineSink& history,
            KText head,
            const std::vector<std::wstring>& paths,
            const std::map<size_t, std::wstring>& reasons = {}) {
    if (paths.empty()) return;
    history.ListInAdd(ResKelvaroText(head));
    for (size_t i = 0; i < paths.size(); ++i) {
        history.ListInAdd(L"\u3000[ " + paths[i] + L" ]");
        if (const auto reason = reasons.find(i); reason != reasons.end()) history.ListInAdd(reason->second);
    }
}

void ReportDamage(ILineSink& history, const JournalDamage& damage) {
    if (damage.lines > 0)
        history.ListInAdd(ResKelvaroText(KText::SkippedRecordsLine) + std::to_wstring(damage.lines) +
                          ResKelvaroText(KText::SkippedRecordsUnit));
}

// True when some folder of `runs` is open, its writer no longer runs and its drive is there.
bool AnyToPutRight(IJournalStore& store, IFileSystem& fs, const std::vector<JournalRun>& runs) {
    const ProcessStamp self = store.Self();
    for (const JournalRun& run : runs) {
        bool asked = false;
        for (const JournalFolder& folder : run.folders) {
            if (folder.outcome != JournalOutcome::Open) continue;
            if (!asked && !(run.writer == self) && store.IsAlive(run.writer)) break;
            asked = true;
            if (fs.IsFolder(PathRoot(folder.oldPath))) return true;
        }
    }
    return false;
}

}  // namespace

size_t RecoverInterrupted(IFileSystem& fs, RenameJournal& journal, ILineSink& history) {
    IJournalStore& store = journal.Store();
    const ProcessStamp self = store.Self();
    std::vector<std::wstring> recovered, leftTemp, completed, lost, waiting;
    std::map<size_t, std::wstring> leftTempWhy;  // the system's reason under a folder of leftTemp
    size_t looked = 0;
    // Every start comes here: a journal without open folders is not decoded.
    auto bytes = store.ReadAll();
    if (!bytes || !HasOpenFolders(*bytes)) return 0;
    JournalDamage damage;
    auto runs = ParseJournal(*bytes, &damage);
    // What a live copy is renaming is its own affair; what the others left is
    // looked at under the turn, so that two copies starting together do not
    // both put the same folder right.
    if (std::optional<std::string> turn; AnyToPutRight(store, fs, runs) && journal.TakeTurn(&turn) && turn)
        runs = ParseJournal(*turn, &damage);
    for (const JournalRun& run : runs) {
        bool alive = false, asked = false;
        for (const JournalFolder& folder : run.folders) {
            if (folder.outcome != JournalOutcome::Open) continue;
            if (!asked) {
                asked = true;
                alive = !(run.writer == self) && store.IsAlive(run.writer);
            }
            if (alive) break;
            // A drive or share that is not there now may come back: the record stays open.
            if (const std::wstring root = PathRoot(folder.oldPath); !fs.IsFolder(root)) {
                if (std::find(waiting.begin(), waiting.end(), root) == waiting.end()) waiting.push_back(root);
                continue;
            }
            ++looked;
            auto close = [&](JournalOutcome outcome, const std::wstring& where) {
                journal.Close(run.id, folder.seq, outcome, where);
            };
            if (fs.IsFolder(folder.tempPath)) {
                const bool taken = fs.EntryName(folder.oldPath).has_value();
                const MoveResult back =
                    taken ? MoveResult{ERROR_ALREADY_EXISTS} : fs.MoveDir(folder.tempPath, folder.oldPath);
                if (back && StoredAs(fs, folder.oldPath, folder.oldPath)) {
                    close(JournalOutcome::Old, folder.oldPath);
                    recovered.push_back(folder.oldPath);
                } else if (back) {
                    close(JournalOutcome::Unknown, L"");  // the system stored another name
                    lost.push_back(folder.oldPath);
                } else {
                    leftTemp.push_back(folder.tempPath);
                    if (taken)
                        close(JournalOutcome::Temp, folder.tempPath);
                    else  // refused by the system: the record stays open and the next start tries again
                        leftTempWhy[leftTemp.size() - 1] = FailureReason(fs, back.error);
                }
            } else if (StoredAs(fs, folder.oldPath, folder.oldPath)) {
                close(JournalOutcome::Old, folder.oldPath);  // cut short before it was touched
            } else if (StoredAs(fs, folder.newPath, folder.newPath)) {
                close(JournalOutcome::New, folder.newPath);
                completed.push_back(folder.newPath);
            } else {
                close(JournalOutcome::Unknown, L"");
                lost.push_back(folder.oldPath);
            }
        }
    }
    journal.EndRun();
    Report(history, KText::RecoveredLine, recovered);
    Report(history, KText::LeftUnderTempLine, leftTemp, leftTempWhy);
    Report(history, KText::CompletedLine, completed);
    Report(history, KText::RecoveryLostLine, lost);
    Report(history, KText::WaitingForDriveLine, waiting);
    ReportDamage(history, damage);
    return looked;
}

UndoPlan PlanUndo(const std::vector<JournalRun>& runs) {
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (run->kind != RunKind::Run) continue;
        std::vector<JournalFolder> renamed;
        for (const auto& folder : run->folders)
            if (folder.outcome == JournalOutcome::New) renamed.push_back(folder);
        if (renamed.empty()) continue;
        // What earlier undos of this run already took back stays as it is.
        std::set<uint32_t> restored;
        for (const auto& undo : runs)
            if (undo.kind == RunKind::Undo && undo.target == run->id)
                for (const auto& folder : undo.folders)
                    if (folder.outcome == JournalOutcome::New) restored.insert(folder.seq);
        UndoPlan plan{run->id, {}, static_cast<size_t>(runs.rend() - run) - 1};
        for (auto folder = renamed.rbegin(); folder != renamed.rend(); ++folder)
            if (!restored.count(folder->seq)) plan.folders.push_back(*folder);
        return plan;
    }
    return {};
}

bool CanUndo(RenameJournal& journal) {
    return !PlanUndo(journal.Runs()).folders.empty();
}

size_t UndoLastRun(const RenameServices& services, const std::function<bool()>& keepGoing) {
    ILineSink& history = services.history;
    RenameJournal* journal = services.journal;
    if (!journal) return 0;
    // Planned under the turn: no other copy's run slips in between.
    std::optional<std::string> bytes;
    if (!journal->TakeTurn(&bytes)) bytes = journal->Store().ReadAll();
    if (!bytes) {
        journal->EndRun();
        history.ListInAdd(ResKelvaroText(KText::JournalUnreadableLine));
        return 0;
    }
    JournalDamage damage;
    const std::vector<JournalRun> runs = ParseJournal(*bytes, &damage);
    const UndoPlan plan = PlanUndo(runs);
    // Only a run known to be the newest is taken back: damaged lines after it
    // may be a newer run's records.
    if (damage.lines > 0 && (plan.folders.empty() || damage.After(plan.index))) {
        journal->EndRun();
        history.ListInAdd(ResKelvaroText(KText::DamagedUndoLine));
        ReportDamage(history, damage);
        history.ListInAdd(ResKelvaroText(KText::LaterRunsUndoableLine));
        return plan.folders.size();
    }
    if (plan.folders.empty()) {
        journal->EndRun();
        history.ListInAdd(ResKelvaroText(KText::NothingToUndoLine));
        return 0;
    }
    history.ListInAdd(ResKelvaroText(KText::UndoHeadLine));
    ReportDamage(history, damage);
    RecordedRun recorded(journal, history, RunKind::Undo, plan.run);
    size_t notDone = 0;
    Listings listings(services.fs);
    for (const JournalFolder& folder : plan.folders) {
        if (keepGoing && !keepGoing()) {
            notDone += static_cast<size_t>(&plan.folders.back() - &folder) + 1;
            break;
        }
        const std::wstring& current = folder.newPath;
        history.ListInAdd(L"[ " + DirNameAbbrev(current) + L" ]");
        const std::wstring stored = listings.Stored(current);
        if (stored != LastPathName(current)) {
            history.ListInAdd(ResKelvaroText(KText::UndoGoneLine));
            ++notDone;
            continue;
        }
        // The old name is taken unless it names this very folder (a change of case only).
        if (const std::wstring taken = listings.Stored(folder.oldPath); !taken.empty() && taken != stored) {
            history.ListInAdd(ResKelvaroText(KText::UndoTakenLine));
            ++notDone;
            continue;
        }
        const MoveOutcome moved = MoveThroughTemp(services.fs, journal, current, folder.oldPath, folder.seq);
        if (moved.result == MoveOutcome::Moved) listings.Moved(current, folder.oldPath);
        if (moved.result != MoveOutcome::Moved) {
            WriteMoveFailure(history, moved);
            ++notDone;
        } else {
            WriteRenamed(history, services.changed, folder.oldPath);
        }
        if (journal->Failed()) {
            history.ListInAdd(ResKelvaroText(KText::RecordingStoppedLine));
            notDone += static_cast<size_t>(&plan.folders.back() - &folder);
            break;
        }
    }
    return notDone;
}

}  // namespace kelvaro
