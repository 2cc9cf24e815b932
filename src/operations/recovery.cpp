#include "operations/recovery.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/catalog.h"
#include "engine/path_text.h"
#include "operations/run_history.h"

namespace kelvaro {
namespace {

// True when the entry `path` names is stored exactly under the last component of `spelled`.
bool StoredAs(IFileSystem& fs, const std::wstring& path, const std::wstring& spelled) {
    const auto name = fs.EntryName(path);
    return name && *name == LastPathName(spelled);
}

void Report(ILineSink& history,
            KText head,
            const std::vector<std::wstring>& paths,
            const std::map<size_t, std::wstring>& reasons = {}) {
    if (paths.empty()) return;
    history.AddLine(ResKelvaroText(head));
    for (size_t i = 0; i < paths.size(); ++i) {
        history.AddLine(L"\u3000[ " + paths[i] + L" ]");
        if (const auto reason = reasons.find(i); reason != reasons.end()) history.AddLine(reason->second);
    }
}

// A run that asked for folders and has no end, written by a copy that no longer runs.
bool CutShort(IJournalStore& store, const JournalRun& run) {
    return run.request && run.end == RunEnd::Open && !(run.writer == store.Self()) && !store.IsAlive(run.writer);
}

// True when some folder of `runs` is open, its writer no longer runs and its
// drive is there, or some run of a copy that no longer runs has no end.
bool AnyToPutRight(IJournalStore& store, IFileSystem& fs, const std::vector<JournalRun>& runs) {
    const ProcessStamp self = store.Self();
    for (const JournalRun& run : runs) {
        if (CutShort(store, run)) return true;
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

// The folders under a temporary name beside the paths damaged records seem
// to name that no readable record explains: what a damaged record stood for,
// which only the user can put right.
std::vector<std::wstring> StrandedBeside(IFileSystem& fs,
                                         const JournalDamage& damage,
                                         const std::vector<JournalRun>& runs) {
    std::map<std::wstring, std::wstring> parents;  // folded -> as spelled
    std::set<std::wstring> explained;
    for (const std::wstring& path : damage.paths)
        if (const std::wstring parent = ParentWithSeparator(path); parent.size() > 3 && parents.size() < 64)
            parents.emplace(FoldedName(parent), parent);
    if (parents.empty()) return {};
    for (const JournalRun& run : runs)
        for (const JournalFolder& folder : run.folders)
            if (folder.outcome == JournalOutcome::Open || folder.outcome == JournalOutcome::Temp)
                explained.insert(FoldedName(folder.tempPath));
    std::vector<std::wstring> stranded;
    for (const auto& [folded, parent] : parents)
        for (const ListedEntry& entry : fs.Entries(parent).value_or(std::vector<ListedEntry>{}))
            if (entry.folder && IsTempName(entry.name) && !explained.count(FoldedName(parent + entry.name)))
                stranded.push_back(parent + entry.name);
    return stranded;
}

// The folder record `k` of `runs[r]` with its paths as they are now: a
// folder above it that was renamed later (by the same run, which renames the
// folders below a folder before it, or by a later run) took it along.
JournalFolder NowOf(const std::vector<JournalRun>& runs, size_t r, size_t k) {
    JournalFolder folder = runs[r].folders[k];
    for (size_t i = r; i < runs.size(); ++i)
        for (size_t j = i == r ? k + 1 : 0; j < runs[i].folders.size(); ++j) {
            const JournalFolder& above = runs[i].folders[j];
            if (above.outcome != JournalOutcome::New) continue;
            for (std::wstring* path : {&folder.oldPath, &folder.tempPath, &folder.newPath})
                if (path->size() > above.oldPath.size() && (*path)[above.oldPath.size()] == L'\\' &&
                    path->compare(0, above.oldPath.size(), above.oldPath) == 0)
                    *path = above.newPath + path->substr(above.oldPath.size());
        }
    return folder;
}

// What one start found and did about the folders runs cut short left, told at the end.
struct Found {
    std::vector<std::wstring> recovered, leftTemp, completed, finished, lost, waiting;
    std::map<size_t, std::wstring> leftTempWhy;  // the system's reason under a folder of leftTemp
    // The folders caught in the middle and not completed.
    std::set<std::pair<std::string, uint32_t>> cut;
};

// Puts right one open folder of `run` (its paths as they are now): back to
// its old name from its temporary one, on to its new name when another
// folder holds the old one, or closed where it is found. True when it was
// found under its new name: the folders below it moved along.
bool PutRight(IFileSystem& fs,
              RenameJournal& journal,
              const JournalRun& run,
              const JournalFolder& folder,
              Found& found) {
    auto close = [&](JournalOutcome outcome, const std::wstring& where) {
        journal.Close(run.id, folder.seq, outcome, where);
    };
    // Its own temporary folder: where a folder tells case apart, one of
    // another case is a twin's, cut short beside it, and not this one's.
    const bool atTemp = fs.IsFolder(folder.tempPath) && (StoredAs(fs, folder.tempPath, folder.tempPath) ||
                                                         !fs.TellsCaseApart(ParentDirName(folder.tempPath)));
    if (!atTemp) {
        if (StoredAs(fs, folder.oldPath, folder.oldPath)) {
            close(JournalOutcome::Old, folder.oldPath);  // cut short before it was touched
        } else if (StoredAs(fs, folder.newPath, folder.newPath)) {
            close(JournalOutcome::New, folder.newPath);
            found.completed.push_back(folder.newPath);
            return true;
        } else {
            close(JournalOutcome::Unknown, L"");
            found.lost.push_back(folder.oldPath);
        }
        return false;
    }
    // Taken only by a folder of exactly that name: one differing in case (beside it
    // in a folder that tells case apart) may still let the name back.
    const bool taken = fs.EntryName(folder.oldPath) == LastPathName(folder.oldPath);
    const MoveResult back = taken ? MoveResult{ERROR_ALREADY_EXISTS} : fs.MoveDir(folder.tempPath, folder.oldPath);
    // Another folder holds the old name: the rename is finished instead,
    // when the new name is free, rather than left half-way.
    const bool forward = !back && back.error == ERROR_ALREADY_EXISTS && !fs.EntryName(folder.newPath);
    const MoveResult ahead = forward ? fs.MoveDir(folder.tempPath, folder.newPath) : MoveResult{};
    if (forward && ahead && StoredAs(fs, folder.newPath, folder.newPath)) {
        close(JournalOutcome::New, folder.newPath);
        found.finished.push_back(folder.newPath);
        return true;
    }
    if ((forward && ahead) || (back && !StoredAs(fs, folder.oldPath, folder.oldPath))) {
        close(JournalOutcome::Unknown, L"");  // the system stored another name
        found.lost.push_back(folder.oldPath);
    } else if (back) {
        close(JournalOutcome::Old, folder.oldPath);
        found.recovered.push_back(folder.oldPath);
    } else {
        // The record stays open: every start tries again, and says so, until it goes back.
        found.leftTemp.push_back(folder.tempPath);
        found.leftTempWhy[found.leftTemp.size() - 1] =
            taken ? ResKelvaroText(KText::UndoTakenLine) : FailureReason(fs, back.error);
    }
    return false;
}

// How far each run cut short got, after what was done about its folders:
// put back, one folder does not stand for the whole run.
void TellCutShort(IJournalStore& store,
                  RenameJournal& journal,
                  std::vector<JournalRun>& runs,
                  const Found& found,
                  ILineSink& history,
                  std::vector<std::string>* cutShort) {
    for (JournalRun& run : runs) {
        if (run.kind != RunKind::Run || !CutShort(store, run)) continue;
        run.end = RunEnd::Killed;
        // The folders it was renaming, or had only written ahead, when it
        // was cut short are still to do; those found renamed are done.
        run.reached = 0;
        for (const JournalFolder& folder : run.folders)
            if (!found.cut.count({run.id, folder.seq})) run.reached = std::max<uint64_t>(run.reached, folder.seq);
        journal.EndOther(run.id, RunEnd::Killed, run.reached);
        if (cutShort) cutShort->push_back(run.id);
        const RunProgress progress = ProgressOf(run);
        history.AddLine(progress.total ? FillIn(ResKelvaroText(KText::CutShortStoryLine),
                                                {progress.total, progress.renamed, progress.notReached})
                                       : FillIn(ResKelvaroText(KText::CutShortRenamedLine), {progress.renamed}));
    }
}

}  // namespace

size_t RecoverInterrupted(IFileSystem& fs,
                          RenameJournal& journal,
                          ILineSink& history,
                          std::vector<std::string>* cutShort) {
    IJournalStore& store = journal.Store();
    const ProcessStamp self = store.Self();
    size_t looked = 0;
    // Every start comes here: a journal without open folders is not decoded.
    if (const auto open = journal.HasOpenFolders(); !open || !*open) return 0;
    JournalDamage damage;
    auto runs = ParseJournal(store, &damage).value_or(std::vector<JournalRun>{});
    // What a live copy is renaming is its own affair; what the others left is
    // looked at under the turn, so that two copies starting together do not
    // both put the same folder right.
    if (AnyToPutRight(store, fs, runs)) {
        // A wait given up leaves everything for the next start. A journal that
        // cannot be written is no reason to leave a folder under its temporary name.
        if (!journal.TakeTurn() && journal.GaveUp()) return 0;
        if (auto again = ParseJournal(store, &damage)) runs = std::move(*again);
    }
    Found found;
    // Newest first: a folder found under its new name (its outcome record
    // lost with the process) took the folders below it along, and those
    // renamed before it are looked for there.
    for (size_t r = runs.size(); r-- > 0;) {
        JournalRun& run = runs[r];
        bool alive = false, asked = false;
        for (size_t k = run.folders.size(); k-- > 0;) {
            if (run.folders[k].outcome != JournalOutcome::Open) continue;
            const JournalFolder folder = NowOf(runs, r, k);
            if (!asked) {
                asked = true;
                alive = !(run.writer == self) && store.IsAlive(run.writer);
            }
            if (alive) break;
            // A drive or share that is not there now may come back: the record stays open.
            if (const std::wstring root = PathRoot(folder.oldPath); !fs.IsFolder(root)) {
                if (std::find(found.waiting.begin(), found.waiting.end(), root) == found.waiting.end())
                    found.waiting.push_back(root);
                continue;
            }
            ++looked;
            found.cut.emplace(run.id, folder.seq);
            if (PutRight(fs, journal, run, folder, found)) {
                run.folders[k].outcome = JournalOutcome::New;
                found.cut.erase({run.id, folder.seq});
            }
        }
    }
    TellCutShort(store, journal, runs, found, history, cutShort);
    journal.EndRun();
    for (auto* paths :
         {&found.recovered, &found.leftTemp, &found.completed, &found.finished, &found.lost, &found.waiting})
        std::reverse(paths->begin(), paths->end());
    std::map<size_t, std::wstring> why;
    for (const auto& [i, reason] : found.leftTempWhy) why[found.leftTemp.size() - 1 - i] = reason;
    Report(history, KText::RecoveredLine, found.recovered);
    Report(history, KText::LeftUnderTempLine, found.leftTemp, why);
    Report(history, KText::CompletedLine, found.completed);
    Report(history, KText::FinishedForwardLine, found.finished);
    Report(history, KText::RecoveryLostLine, found.lost);
    Report(history, KText::WaitingForDriveLine, found.waiting);
    ReportDamage(history, damage);
    Report(history, KText::StrandedTempLine, StrandedBeside(fs, damage, runs));
    return looked;
}

}  // namespace kelvaro
