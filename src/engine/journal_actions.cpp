#include "engine/journal_actions.h"

#include <windows.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "engine/catalog.h"
#include "engine/folder_listings.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"

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

void ReportDamage(ILineSink& history, const JournalDamage& damage) {
    if (damage.lines > 0)
        history.AddLine(ResKelvaroText(KText::SkippedRecordsLine) + std::to_wstring(damage.lines) +
                        ResKelvaroText(KText::SkippedRecordsUnit));
}

// A run that asked for folders and has no end, written by a copy that no longer runs.
bool CutShort(IJournalStore& store, const JournalRun& run) {
    return run.request && run.end == RunEnd::Open && !(run.writer == store.Self()) && !store.IsAlive(run.writer);
}

// The number of the last named folder a run without an end is done with:
// the records after it are of folders in hand or written ahead.
uint64_t LastDone(const JournalRun& run) {
    uint64_t last = 0;
    for (const JournalFolder& folder : run.folders)
        if (folder.outcome != JournalOutcome::Open) last = std::max<uint64_t>(last, folder.seq);
    return last;
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

}  // namespace

size_t RecoverInterrupted(IFileSystem& fs,
                          RenameJournal& journal,
                          ILineSink& history,
                          std::vector<std::string>* cutShort) {
    IJournalStore& store = journal.Store();
    const ProcessStamp self = store.Self();
    std::vector<std::wstring> recovered, leftTemp, completed, finished, lost, waiting;
    std::map<size_t, std::wstring> leftTempWhy;  // the system's reason under a folder of leftTemp
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
    std::set<std::pair<std::string, uint32_t>> cut;  // folders caught in the middle and not completed
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
                if (std::find(waiting.begin(), waiting.end(), root) == waiting.end()) waiting.push_back(root);
                continue;
            }
            ++looked;
            cut.emplace(run.id, folder.seq);
            auto close = [&](JournalOutcome outcome, const std::wstring& where) {
                journal.Close(run.id, folder.seq, outcome, where);
            };
            if (fs.IsFolder(folder.tempPath)) {
                // Taken only by a folder of exactly that name: one differing in case (beside it
                // in a folder that tells case apart) may still let the name back, and the
                // record stays open until it does.
                const bool taken = fs.EntryName(folder.oldPath) == LastPathName(folder.oldPath);
                const MoveResult back =
                    taken ? MoveResult{ERROR_ALREADY_EXISTS} : fs.MoveDir(folder.tempPath, folder.oldPath);
                // Another folder holds the old name: the rename is finished instead,
                // when the new name is free, rather than left half-way.
                const bool forward =
                    !back && back.error == ERROR_ALREADY_EXISTS && !fs.EntryName(folder.newPath);
                const MoveResult ahead = forward ? fs.MoveDir(folder.tempPath, folder.newPath) : MoveResult{};
                if (forward && ahead && StoredAs(fs, folder.newPath, folder.newPath)) {
                    close(JournalOutcome::New, folder.newPath);
                    finished.push_back(folder.newPath);
                    run.folders[k].outcome = JournalOutcome::New;
                    cut.erase({run.id, folder.seq});
                } else if (forward && ahead) {
                    close(JournalOutcome::Unknown, L"");  // the system stored another name
                    lost.push_back(folder.oldPath);
                } else if (back && StoredAs(fs, folder.oldPath, folder.oldPath)) {
                    close(JournalOutcome::Old, folder.oldPath);
                    recovered.push_back(folder.oldPath);
                } else if (back) {
                    close(JournalOutcome::Unknown, L"");  // the system stored another name
                    lost.push_back(folder.oldPath);
                } else {
                    // The record stays open: every start tries again, and says so, until it goes back.
                    leftTemp.push_back(folder.tempPath);
                    leftTempWhy[leftTemp.size() - 1] =
                        taken ? ResKelvaroText(KText::UndoTakenLine) : FailureReason(fs, back.error);
                }
            } else if (StoredAs(fs, folder.oldPath, folder.oldPath)) {
                close(JournalOutcome::Old, folder.oldPath);  // cut short before it was touched
            } else if (StoredAs(fs, folder.newPath, folder.newPath)) {
                close(JournalOutcome::New, folder.newPath);
                completed.push_back(folder.newPath);
                run.folders[k].outcome = JournalOutcome::New;
                cut.erase({run.id, folder.seq});
            } else {
                close(JournalOutcome::Unknown, L"");
                lost.push_back(folder.oldPath);
            }
        }
    }
    // How far each run cut short got, before what was done about its folders:
    // put back, one folder does not stand for the whole run.
    for (JournalRun& run : runs) {
        if (run.kind != RunKind::Run || !CutShort(store, run)) continue;
        run.end = RunEnd::Killed;
        // The folders it was renaming, or had only written ahead, when it
        // was cut short are still to do; those found renamed are done.
        run.reached = 0;
        for (const JournalFolder& folder : run.folders)
            if (!cut.count({run.id, folder.seq})) run.reached = std::max<uint64_t>(run.reached, folder.seq);
        journal.EndOther(run.id, RunEnd::Killed, run.reached);
        if (cutShort) cutShort->push_back(run.id);
        const RunProgress progress = ProgressOf(run);
        history.AddLine(progress.total ? FillIn(ResKelvaroText(KText::CutShortStoryLine),
                                                {progress.total, progress.renamed, progress.notReached})
                                       : FillIn(ResKelvaroText(KText::CutShortRenamedLine), {progress.renamed}));
    }
    journal.EndRun();
    for (auto* paths : {&recovered, &leftTemp, &completed, &finished, &lost, &waiting})
        std::reverse(paths->begin(), paths->end());
    std::map<size_t, std::wstring> why;
    for (const auto& [i, reason] : leftTempWhy) why[leftTemp.size() - 1 - i] = reason;
    Report(history, KText::RecoveredLine, recovered);
    Report(history, KText::LeftUnderTempLine, leftTemp, why);
    Report(history, KText::CompletedLine, completed);
    Report(history, KText::FinishedForwardLine, finished);
    Report(history, KText::RecoveryLostLine, lost);
    Report(history, KText::WaitingForDriveLine, waiting);
    ReportDamage(history, damage);
    Report(history, KText::StrandedTempLine, StrandedBeside(fs, damage, runs));
    return looked;
}

RunProgress ProgressOf(const JournalRun& run) {
    RunProgress progress;
    for (const JournalFolder& folder : run.folders) progress.renamed += folder.outcome == JournalOutcome::New;
    progress.reached = run.end == RunEnd::Open ? LastDone(run) : run.reached;
    if (!run.request || run.request->Has(kEveryDepthFlag)) return progress;
    progress.total = run.request->total ? run.request->total : run.request->targets.size();
    progress.notReached = progress.total > progress.reached ? progress.total - progress.reached : 0;
    return progress;
}

namespace {

// The folders of `runs[index]` that an undo has taken back, and whether one
// went through all of them.
std::set<uint32_t> Restored(const std::vector<JournalRun>& runs, size_t index, bool* finished = nullptr) {
    std::set<uint32_t> restored;
    if (finished) *finished = false;
    for (const auto& undo : runs) {
        if (undo.kind != RunKind::Undo || undo.target != runs[index].id) continue;
        if (finished && undo.end == RunEnd::Done) *finished = true;
        for (const auto& folder : undo.folders)
            if (folder.outcome == JournalOutcome::New) restored.insert(folder.seq);
    }
    return restored;
}

// The folders of `runs[index]` still to take back, newest first; moved out of
// the runs when they are not const.
template <typename Runs>
std::vector<JournalFolder> StillRenamed(Runs& runs, size_t index, bool* finished = nullptr) {
    const std::set<uint32_t> restored = Restored(runs, index, finished);
    std::vector<JournalFolder> folders;
    auto& all = runs[index].folders;
    for (size_t k = all.size(); k-- > 0;)
        if (all[k].outcome == JournalOutcome::New && !restored.count(all[k].seq)) folders.push_back(std::move(all[k]));
    return folders;
}

}  // namespace

bool TakenBack(const std::vector<JournalRun>& runs, size_t index) {
    bool finished = false;
    return StillRenamed(runs, index, &finished).empty() || finished;
}

namespace {

bool RenamedAny(const JournalRun& run) {
    return std::any_of(run.folders.begin(), run.folders.end(),
                       [](const JournalFolder& folder) { return folder.outcome == JournalOutcome::New; });
}

template <typename Runs>
UndoPlan PlanUndoOf(Runs& runs) {
    // A run an undo went through is taken back, also when that undo had to
    // skip a folder; the one before it is next. What earlier undos of a run
    // already took back stays as it is. Only the ten newest runs that renamed
    // something can be taken back, however many other runs stand between them.
    size_t renaming = 0;
    for (size_t i = runs.size(); i-- > 0 && renaming < kJournalRuns;) {
        // A run whose run record is damaged may be an undo: never taken back.
        if (runs[i].kind != RunKind::Run || runs[i].orphan || !RenamedAny(runs[i])) continue;
        ++renaming;
        bool finished = false;
        std::vector<JournalFolder> folders = StillRenamed(runs, i, &finished);
        if (!finished && !folders.empty()) return {runs[i].id, std::move(folders), i};
    }
    return {};
}

}  // namespace

UndoPlan PlanUndo(const std::vector<JournalRun>& runs) {
    return PlanUndoOf(runs);
}

UndoPlan PlanUndo(std::vector<JournalRun>&& runs) {
    return PlanUndoOf(runs);
}

std::optional<ResumePlan> PlanResume(const std::vector<JournalRun>& runs) {
    // The newest run left unfinished, whatever runs came after it: not one
    // still running, nor one a later run finished or an undo took back.
    std::unordered_set<std::string> served;
    for (size_t i = runs.size(); i-- > 0;) {
        const JournalRun& run = runs[i];
        const bool candidate = run.kind == RunKind::Run && !run.orphan && !served.count(run.id) && run.request &&
                               (run.end == RunEnd::Stopped || run.end == RunEnd::Killed);
        if (!run.target.empty()) served.insert(run.target);
        if (!candidate) continue;
        ResumePlan plan{run.id, *run.request};
        std::vector<std::wstring>& left = plan.request.targets;
        // A run of every depth is walked again from its roots: what it renamed is in form by now.
        if (!run.request->Has(kEveryDepthFlag)) {
            const auto reached = left.begin() + static_cast<ptrdiff_t>(std::min<uint64_t>(run.reached, left.size()));
            // A folder named again after the run reached it was the run's once
            // already, whatever became of it: the run would have passed it by.
            std::unordered_set<std::wstring_view> done(left.begin(), reached);
            std::vector<std::wstring> rest;
            for (auto it = reached; it != left.end(); ++it)
                if (!done.count(*it)) rest.push_back(std::move(*it));
            left = std::move(rest);
        }
        if (left.empty()) continue;
        // Each folder renamed since (by this run, then by the runs after it)
        // moved the folders below it, in the order they were renamed. Only a
        // folder that is a path left or lies above one moves any: the others
        // are passed over by a lookup of the hashes of those paths, and a list
        // of a million names takes no million passes.
        std::unordered_set<size_t> above;
        auto note = [&](std::wstring_view path) {
            for (size_t end = path.size(); end > 0 && end != std::wstring_view::npos; end = path.rfind(L'\\', end - 1))
                if (!above.insert(std::hash<std::wstring_view>{}(path.substr(0, end))).second) break;
        };
        for (const std::wstring& path : left) note(path);
        const bool everyDepth = run.request->Has(kEveryDepthFlag);
        bool changedSince = false;
        for (size_t k = i; k < runs.size() && !changedSince; ++k)
            for (const JournalFolder& folder : runs[k].folders) {
                if (folder.outcome != JournalOutcome::New) continue;
                // A folder a later run renamed has changed since: it is not this run's to rename
                // again, nor is a tree of every depth in which a later run renamed anything.
                if (k > i && everyDepth && std::any_of(left.begin(), left.end(), [&](const std::wstring& root) {
                        return folder.oldPath == root ||
                               (folder.oldPath.size() > root.size() && folder.oldPath[root.size()] == L'\\' &&
                                folder.oldPath.compare(0, root.size(), root) == 0);
                    })) {
                    changedSince = true;
                    break;
                }
                if (!above.count(std::hash<std::wstring_view>{}(folder.oldPath))) continue;
                if (k > i && !everyDepth) std::erase(left, folder.oldPath);
                for (std::wstring& path : left) {
                    if (path.size() > folder.oldPath.size() && path[folder.oldPath.size()] == L'\\' &&
                        path.compare(0, folder.oldPath.size(), folder.oldPath) == 0)
                        path = folder.newPath + path.substr(folder.oldPath.size());
                    else if (path == folder.oldPath)
                        path = folder.newPath;  // a root of every depth, renamed last
                    else
                        continue;
                    note(path);
                }
            }
        if (changedSince || left.empty()) continue;
        plan.request.total = everyDepth ? 0 : left.size();
        return plan;
    }
    return std::nullopt;
}

namespace {

// Every run without the paths of its folders: enough to plan what to take back or finish.
std::optional<std::vector<JournalRun>> ReadRunsWithoutPaths(IJournalStore& store, JournalDamage* damage = nullptr) {
    return ParseJournal(store, damage, [](const std::string&) { return false; });
}

}  // namespace

std::optional<std::vector<JournalRun>> ReadRuns(IJournalStore& store, JournalDamage* damage) {
    // First every run without the paths of its folders, then again with the
    // paths of the run an undo would take back and the run a resume would
    // finish: of a journal of large runs only those are held whole.
    auto light = ReadRunsWithoutPaths(store, damage);
    if (!light) return std::nullopt;
    std::string undo, resume;
    if (const UndoPlan plan = PlanUndo(*light); !plan.folders.empty()) undo = plan.run;
    if (const auto plan = PlanResume(*light)) resume = plan->run;
    if (undo.empty() && resume.empty()) return light;
    light.reset();
    // A resume follows the folders renamed since by the runs after it too.
    bool fromResume = false;
    return ParseJournal(store, damage, [&](const std::string& run) {
        fromResume = fromResume || (!resume.empty() && run == resume);
        return run == undo || fromResume;
    });
}

std::vector<JournalRun> ReadRuns(RenameJournal& journal) {
    return ReadRuns(journal.Store()).value_or(std::vector<JournalRun>{});
}

size_t FoldersToUndo(RenameJournal& journal) {
    const auto light = ReadRunsWithoutPaths(journal.Store());
    return light ? PlanUndo(*light).folders.size() : 0;
}

std::optional<ResumePlan> PlanResume(RenameJournal& journal) {
    // The paths of the run it finishes and of the runs after it only.
    const auto light = ReadRunsWithoutPaths(journal.Store());
    const auto found = light ? PlanResume(*light) : std::nullopt;
    if (!found) return std::nullopt;
    bool from = false;
    const auto runs = ParseJournal(journal.Store(), nullptr,
                                   [&](const std::string& run) { return from = from || run == found->run; });
    return runs ? PlanResume(*runs) : std::nullopt;
}

size_t UndoLastRun(const RenameServices& services, const UndoHooks& hooks) {
    ILineSink& history = services.history;
    RenameJournal* journal = services.journal;
    if (!journal) return 0;
    if (journal->LastRunUnrecorded()) {
        history.AddLine(ResKelvaroText(KText::LastRunUnrecordedLine));
        return 0;
    }
    IJournalStore& store = journal->Store();
    // Planned under the turn: no other copy's run slips in between. The plan
    // holds the numbers of the folders to take back, newest first; their
    // paths are read from the end of the journal as the undo goes, so that a
    // run of any size is never held whole.
    if (!journal->TakeTurn()) {
        // Given up (nothing touched), or a journal that cannot record the undo.
        if (!journal->GaveUp()) history.AddLine(ResKelvaroText(KText::JournalNotWritableLine));
        return 0;
    }
    JournalDamage damage;
    UndoPlan plan;
    {
        auto light = ReadRunsWithoutPaths(store, &damage);
        if (!light) {
            journal->EndRun();
            history.AddLine(ResKelvaroText(KText::JournalUnreadableLine));
            return 0;
        }
        plan = PlanUndo(std::move(*light));
    }
    std::vector<uint32_t> seqs;
    seqs.reserve(plan.folders.size());
    for (const JournalFolder& folder : plan.folders) seqs.push_back(folder.seq);
    plan.folders = {};
    if (hooks.planned) hooks.planned(seqs.size());
    // The planned folders in order, with their paths: `each` gives false to
    // stop. A folder's newest record holds its paths (one written ahead may
    // have been written again), and records written ahead stand before the
    // records of the folders renamed meanwhile: a folder read before its turn
    // waits for it.
    size_t next = 0;
    std::unordered_set<uint32_t> planned(seqs.begin(), seqs.end()), read;
    std::unordered_map<uint32_t, JournalFolder> early;
    auto eachPlanned = [&](const std::function<bool(JournalFolder &&)>& each) {
        const auto end = store.Size();
        return end && ForEachFolderBackward(store, *end, plan.run, [&](JournalFolder&& folder) {
                   if (!read.insert(folder.seq).second || !planned.count(folder.seq)) return true;
                   early.emplace(folder.seq, std::move(folder));
                   for (auto it = early.end(); next < seqs.size() && (it = early.find(seqs[next])) != early.end();) {
                       JournalFolder taken = std::move(it->second);
                       early.erase(it);
                       ++next;
                       if (!each(std::move(taken))) return false;
                   }
                   return next < seqs.size();
               });
    };
    auto leftOut = [&](JournalFolder&& folder) {
        if (!hooks.notReached) return false;  // nobody asks: the reading ends
        hooks.notReached(folder);
        return true;
    };
    // Only a run known to be the newest is taken back: damaged lines after it
    // may be a newer run's records.
    if (damage.lines > 0 && (seqs.empty() || damage.After(plan.index))) {
        if (hooks.notReached) eachPlanned(leftOut);
        journal->EndRun();
        history.AddLine(ResKelvaroText(KText::DamagedUndoLine));
        ReportDamage(history, damage);
        history.AddLine(ResKelvaroText(KText::LaterRunsUndoableLine));
        return seqs.size();
    }
    if (seqs.empty()) {
        journal->EndRun();
        history.AddLine(ResKelvaroText(KText::NothingToUndoLine));
        return 0;
    }
    history.AddLine(ResKelvaroText(KText::UndoHeadLine));
    ReportDamage(history, damage);
    RecordedRun recorded(journal, history, RunKind::Undo, plan.run);
    if (recorded.Stopped()) return seqs.size();
    RunCounts counts;
    size_t tried = 0;
    bool stopped = false;
    FolderListings listings(services.fs);
    // Folders of the run that stay under their new names (their old names
    // taken, or the system refused): what lies below them is found there.
    std::vector<std::pair<std::wstring, std::wstring>> stayed;  // old path -> path now
    auto follow = [&](std::wstring& path) {
        for (const auto& [old, now] : stayed)
            if (path.size() > old.size() && path[old.size()] == L'\\' && path.compare(0, old.size(), old) == 0) {
                path = now + path.substr(old.size());
                return;
            }
    };
    auto undoOne = [&](JournalFolder&& folder) {
        follow(folder.newPath);
        follow(folder.oldPath);
        if (stopped) return leftOut(std::move(folder));
        if (hooks.before && !hooks.before(folder)) {
            stopped = true;
            counts.notReached = seqs.size() - tried;
            return leftOut(std::move(folder));
        }
        ++tried;
        const std::wstring& current = folder.newPath;
        history.AddLine(FolderHeading(current, services.wholePaths));
        FolderOutcome outcome;
        const std::wstring stored = listings.Stored(current);
        if (stored != LastPathName(current)) {
            outcome.state = FolderState::Gone;
            if (!stored.empty()) outcome.where = ParentWithSeparator(current) + stored;
        } else if (const std::wstring taken = listings.Stored(folder.oldPath); !taken.empty() && taken != stored) {
            // The old name is taken unless it names this very folder (a change of case only).
            outcome.state = FolderState::Taken;
            stayed.emplace_back(folder.oldPath, current);
        } else {
            const MoveOutcome moved = MoveThroughTemp(services.fs, journal, current, folder.oldPath, folder.seq);
            if (moved.result == MoveOutcome::Moved) listings.Moved(current, folder.oldPath);
            if (moved.result == MoveOutcome::Refused) stayed.emplace_back(folder.oldPath, current);
            outcome = OutcomeOfMove(moved, current, folder.oldPath);
        }
        outcome.path = current;
        outcome.newPath = folder.oldPath;
        WriteOutcome(history, services.changed, outcome);
        ++(outcome.state == FolderState::Renamed ? counts.renamed : counts.notRenamed);
        if (hooks.after) hooks.after(folder, outcome);
        if (journal->Failed()) {
            history.AddLine(ResKelvaroText(KText::RecordingStoppedLine));
            counts.notReached = seqs.size() - tried;
            stopped = true;
        }
        return true;
    };
    // The folders read and not yet taken back: their records are written
    // ahead of them, a batch at a flush, as a run writes its own.
    std::deque<JournalFolder> coming;
    const LookaheadScope lookahead(journal, [&](size_t most) {
        std::vector<PlannedMove> planned;
        for (size_t k = 1; k < coming.size() && planned.size() < most; ++k) {
            JournalFolder folder = coming[k];
            follow(folder.newPath);
            follow(folder.oldPath);
            planned.push_back({std::move(folder.newPath), std::move(folder.oldPath), folder.seq});
        }
        return planned;
    });
    auto takeFirst = [&] {
        JournalFolder folder = std::move(coming.front());
        const bool goOn = undoOne(std::move(folder));
        coming.pop_front();
        return goOn;
    };
    eachPlanned([&](JournalFolder&& folder) {
        coming.push_back(std::move(folder));
        return coming.size() <= kAheadMost || takeFirst();
    });
    while (!coming.empty())
        if (!takeFirst()) coming.clear();
    // The journal could not be read to its start: the rest stays as it is.
    if (!stopped && next < seqs.size()) {
        history.AddLine(ResKelvaroText(KText::JournalUnreadableLine));
        counts.notReached = seqs.size() - tried;
        stopped = true;
    }
    // An undo that goes through every folder takes the run back, skipped folders and all.
    if (!journal->Failed()) journal->End(tried == seqs.size() ? RunEnd::Done : RunEnd::Stopped, tried);
    if (hooks.counted) hooks.counted(counts);
    history.AddLine(UndoSummaryLine(counts));
    return counts.notRenamed + counts.notReached;
}

size_t UndoLastRun(const RenameServices& services, const std::function<bool()>& keepGoing) {
    UndoHooks hooks;
    if (keepGoing) hooks.before = [&](const JournalFolder&) { return keepGoing(); };
    return UndoLastRun(services, hooks);
}

}  // namespace kelvaro
