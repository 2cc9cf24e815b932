#include "engine/journal_actions.h"

#include <algorithm>
#include <set>

#include "engine/catalog.h"
#include "engine/path_text.h"

namespace kelvaro {
namespace {

constexpr int16_t kRecoveredLine = 21002;
constexpr int16_t kLeftTempLine = 21003;
constexpr int16_t kCompletedLine = 21004;
constexpr int16_t kLostLine = 21005;
constexpr int16_t kUndoHeadLine = 21007;
constexpr int16_t kNothingToUndoLine = 21008;
constexpr int16_t kUndoGoneLine = 21009;
constexpr int16_t kUndoTakenLine = 21010;

// True when the entry `path` names is stored exactly under the last component of `spelled`.
bool StoredAs(IFileSystem& fs, const std::wstring& path, const std::wstring& spelled) {
    const auto name = fs.EntryName(path);
    return name && *name == LastPathName(spelled);
}

void Report(ILineSink& history, int16_t head, const std::vector<std::wstring>& paths) {
    if (paths.empty()) return;
    history.ListInAdd(ResKelvaroText(head));
    for (const auto& path : paths) history.ListInAdd(L"\u3000[ " + path + L" ]");
}

}  // namespace

size_t RecoverInterrupted(IFileSystem& fs, RenameJournal& journal, ILineSink& history) {
    IJournalStore& store = journal.Store();
    const ProcessStamp self = store.Self();
    std::vector<std::wstring> recovered, leftTemp, completed, lost;
    size_t looked = 0;
    for (const JournalRun& run : journal.Runs()) {
        bool alive = false, asked = false;
        for (const JournalFolder& folder : run.folders) {
            if (folder.outcome != JournalOutcome::Open) continue;
            if (!asked) {
                asked = true;
                alive = !(run.writer == self) && store.IsAlive(run.writer);
            }
            if (alive) break;
            ++looked;
            auto close = [&](JournalOutcome outcome, const std::wstring& where) {
                journal.Close(run.id, folder.seq, outcome, where);
            };
            if (fs.IsFolder(folder.tempPath)) {
                if (!fs.EntryName(folder.oldPath) && fs.MoveDir(folder.tempPath, folder.oldPath) &&
                    fs.IsFolder(folder.oldPath)) {
                    close(JournalOutcome::Old, folder.oldPath);
                    recovered.push_back(folder.oldPath);
                } else {
                    close(JournalOutcome::Temp, folder.tempPath);
                    leftTemp.push_back(folder.tempPath);
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
    Report(history, kRecoveredLine, recovered);
    Report(history, kLeftTempLine, leftTemp);
    Report(history, kCompletedLine, completed);
    Report(history, kLostLine, lost);
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
        UndoPlan plan{run->id, {}};
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
    const UndoPlan plan = PlanUndo(journal->Runs());
    if (plan.folders.empty()) {
        history.ListInAdd(ResKelvaroText(kNothingToUndoLine));
        return 0;
    }
    history.ListInAdd(ResKelvaroText(kUndoHeadLine));
    RecordedRun recorded(journal, history, RunKind::Undo, plan.run);
    size_t notDone = 0;
    for (const JournalFolder& folder : plan.folders) {
        if (keepGoing && !keepGoing()) {
            notDone += static_cast<size_t>(&plan.folders.back() - &folder) + 1;
            break;
        }
        const std::wstring& current = folder.newPath;
        history.ListInAdd(L"[ " + DirNameAbbrev(current) + L" ]");
        if (!StoredAs(services.fs, current, current)) {
            history.ListInAdd(ResKelvaroText(kUndoGoneLine));
            ++notDone;
            continue;
        }
        // The old name is taken unless it names this very folder (a change of case only).
        if (const auto taken = services.fs.EntryName(folder.oldPath); taken && *taken != LastPathName(current)) {
            history.ListInAdd(ResKelvaroText(kUndoTakenLine));
            ++notDone;
            continue;
        }
        const MoveOutcome moved = MoveThroughTemp(services.fs, journal, current, folder.oldPath, folder.seq);
        if (moved.result != MoveOutcome::Moved) {
            WriteMoveFailure(history, moved);
            ++notDone;
            continue;
        }
        history.ListInAdd(ResKelvaroText(20003));
        history.ListInAdd(L"\u3000[ " + LastPathName(folder.oldPath) + L" ]");
        history.ListInAdd(ResKelvaroText(20004));
        services.changed.ListInAdd(folder.oldPath);
    }
    return notDone;
}

}  // namespace kelvaro
