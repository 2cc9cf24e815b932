#include "app/script_session.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "engine/folder_listings.h"
#include "engine/path_text.h"
#include "engine/rename_plan.h"
#include "model/run_driver.h"
#include "operations/resume.h"
#include "operations/undo.h"

namespace kelvaro {
namespace {

// Why a name answered nothing, as a verdict.
std::wstring UnansweredReason(NameFault fault) {
    switch (fault) {
        case NameFault::ListWildcard:
            return ResKelvaroText(KText::ListWildcardState);
        case NameFault::WildcardNotLast:
            return ResKelvaroText(KText::WildcardNotLastState);
        default:
            return PlanStateText(PlanState::Missing);
    }
}

// The output line of a name that is no folder of the run: one that answered
// nothing, or a folder named before, handled where it came first.
FolderLine OtherLine(const ScriptTarget& target) {
    if (target.repeat != Repeat::No)
        return {
            FolderCode::Duplicate,
            target.path,
            L"",
            ResKelvaroText(target.repeat == Repeat::Same ? KText::RepeatedFolderReason : KText::CoveredFolderReason),
            {}};
    return {target.fault == NameFault::None ? FolderCode::NotFound : FolderCode::BadName,
            target.missing,
            L"",
            UnansweredReason(target.fault),
            {}};
}

// The history line of a name that answered nothing: in a dry run a verdict
// with the fields of the others, in a run what was wrong with the name.
std::wstring UnansweredHistoryLine(const ScriptTarget& target, bool dryRun) {
    if (dryRun) return UnansweredReason(target.fault) + L'\t' + target.missing;
    const KText head = target.fault == NameFault::ListWildcard      ? KText::ListWildcardLine
                       : target.fault == NameFault::WildcardNotLast ? KText::WildcardNotLastLine
                                                                    : KText::FolderNotFoundError;
    return ResKelvaroText(head) + target.missing;
}

// One batch of the names: up to kBatch folders, and the names between them
// that are none, each told in its place.
struct Batch {
    struct Item {
        size_t folder = kNoEntry;  // its place among the folders
        ScriptTarget other;        // when it is no folder
    };
    std::vector<Item> items;
    std::vector<std::wstring> given;                      // each folder as named
    FolderBatch folders;                                  // the same, following the renames of the run
    std::vector<bool> unlisted;                           // the folders below it could not be read
    std::vector<std::optional<FileIdentity>> identities;  // what the walk found under each path
};

Batch NextBatch(ScriptTargets& feed) {
    Batch batch;
    std::unordered_set<std::wstring> listed;
    for (ScriptTarget target; batch.given.size() < kBatch && batch.items.size() < 2 * kBatch && feed.Next(target);) {
        if (!target.path.empty() && target.repeat == Repeat::No) {
            if (listed.insert(target.path).second) {
                batch.items.push_back({batch.given.size(), {}});
                batch.given.push_back(target.path);
                batch.unlisted.push_back(target.unlisted);
                batch.identities.push_back(target.identity);
                continue;
            }
            target.repeat = Repeat::Same;  // the batch holds it already
        }
        batch.items.push_back({kNoEntry, std::move(target)});
    }
    batch.folders.paths = batch.given;
    return batch;
}

// Renames (or, dry, judges) the folders a batch at a time, as one run in the journal.
class FolderRun {
public:
    FolderRun(const ScriptContext& c, ScriptTargets& feed)
        : c_(c), feed_(feed), listings_(c.services.fs), rename_{c.services.fs,      c.state.history,
                                                                c.state.changed,    c.state.settings.hiraganaToKatakana,
                                                                c.services.journal, &listings_} {
        rename_.wholePaths = true;
    }
    // `request`: what the run was asked to do, recorded once before its
    // first folder (a run of every depth is its roots and the flag, never
    // every folder); `resumes`: the run cut short that this one finishes.
    Ran Run(const RunRequest* request, const std::string& resumes);

private:
    void Judge(const Batch& batch, const std::vector<PlanEntry>& plan);
    void Walk(Batch& batch, const std::vector<PlanEntry>& plan);
    // Tells the names before the next folder that are no folder of the run.
    void TellOthers(const Batch& batch);
    void TellFolder(const FolderLine& line) {
        c_.report.Line(line);
        ++next_;
        c_.progress.Done(++handled_);
    }
    void TellUnlisted(const Batch& batch, size_t i) {
        if (!batch.unlisted[i]) return;
        c_.state.history.AddLine(FolderHeading(batch.given[i], true));
        c_.state.history.AddLine(ResKelvaroText(KText::UnlistedLine));
        ++notDone_;
    }
    void TellNotReached(const Batch& batch, const std::vector<PlanEntry>& plan);
    void TellUnreachedTrees();

    const ScriptContext& c_;
    ScriptTargets& feed_;
    FolderListings listings_;
    RenameServices rename_;
    std::optional<RunSession> session_;
    size_t notDone_ = 0, handled_ = 0;
    size_t next_ = 0;  // the next name of the batch to tell
    RunCounts counts_;
    bool stopped_ = false;
};

Ran FolderRun::Run(const RunRequest* request, const std::string& resumes) {
    const bool dry = c_.command.dryRun;
    if (!dry) session_.emplace(c_.services.journal, c_.state.history, RunKind::Run, resumes);
    if (session_ && request) session_->Request(*request);
    while (!stopped_) {
        Batch batch = NextBatch(feed_);
        if (batch.items.empty()) break;
        // The plan before anything moves: the verdicts of a dry run, the codes of a run.
        std::vector<PlanEntry> plan;
        if (dry || c_.report.tsv)
            plan = PlanRun(c_.services.fs, batch.given, c_.command.mode, c_.state.settings.hiraganaToKatakana);
        next_ = 0;
        if (dry)
            Judge(batch, plan);
        else
            Walk(batch, plan);
        TellNotReached(batch, plan);
        c_.outlet.Drain(c_.state.history);
        c_.state.changed.Clear();
    }
    if (stopped_) TellUnreachedTrees();
    session_.reset();
    if (!dry) c_.state.history.AddLine(RunSummaryLine(counts_));
    c_.state.history.AddLine(stopped_ ? ResAllText(AText::StoppedLine)
                             : dry    ? ResKelvaroText(KText::DryRunDoneLine)
                                      : ResAllText(AText::AllFinishedLine));
    return {notDone_, !dry};
}

void FolderRun::TellOthers(const Batch& batch) {
    for (; next_ < batch.items.size() && batch.items[next_].folder == kNoEntry; ++next_) {
        const ScriptTarget& other = batch.items[next_].other;
        c_.report.Line(OtherLine(other));
        c_.progress.Done(++handled_);
        if (other.repeat != Repeat::No) continue;
        c_.state.history.AddLine(UnansweredHistoryLine(other, c_.command.dryRun));
        ++notDone_;
        ++counts_.notRenamed;
    }
}

// A dry run: each folder's verdict, and Ctrl+C stops it after the folder in hand.
void FolderRun::Judge(const Batch& batch, const std::vector<PlanEntry>& plan) {
    size_t i = 0;
    for (; i < plan.size() && !c_.Stopping(); ++i) {
        TellOthers(batch);
        TellUnlisted(batch, i);
        c_.state.history.AddLine(PlanLine(plan[i]));
        if (!PlanDone(plan[i].state)) ++notDone_;
        TellFolder(PlanFolderLine(plan[i]));
    }
    stopped_ = i < plan.size();
    notDone_ += plan.size() - i;
}

void FolderRun::Walk(Batch& batch, const std::vector<PlanEntry>& plan) {
    IFileSystem& fs = c_.services.fs;
    const int16_t mode = c_.command.mode;
    TargetWalk hooks;
    hooks.newPathOf = PlannedNewPaths(mode, c_.state.settings.hiraganaToKatakana);
    hooks.tellsCaseApart = [&](const std::wstring& dir) { return fs.TellsCaseApart(dir); };
    size_t renaming = 0;  // the folder the walk hands to the renamer
    hooks.before = [&](size_t i) {
        if (c_.Stopping() || session_->Refused()) return false;
        renaming = i;
        TellOthers(batch);
        TellUnlisted(batch, i);
        return true;
    };
    hooks.after = [&](size_t i, const FolderOutcome& outcome) {
        if (!outcome.Done()) ++notDone_;
        const std::wstring& now = outcome.Done() ? outcome.newPath : batch.given[i];
        if (now != batch.given[i]) feed_.Renamed(batch.given[i], now);
        TellFolder(c_.report.tsv ? RunFolderLine(plan[i], outcome, batch.unlisted[i]) : FolderLine{});
    };
    const WalkEnd end = session_->Walk(
        batch.folders,
        [&](const std::wstring& path) { return RenameFolder(rename_, path, mode, batch.identities[renaming]); }, hooks);
    notDone_ += batch.folders.Count() - end.next;
    stopped_ = end.stopped || end.journalFailed;
    counts_.renamed += end.counts.renamed;
    counts_.same += end.counts.same;
    counts_.notRenamed += end.counts.notRenamed;
    counts_.notReached += end.counts.notReached;
}

// What the run did not reach of the batch, with no new path: nothing was done to it.
void FolderRun::TellNotReached(const Batch& batch, const std::vector<PlanEntry>& plan) {
    for (TellOthers(batch); stopped_ && next_ < batch.items.size(); TellOthers(batch)) {
        const size_t folder = batch.items[next_++].folder;
        if (c_.report.tsv)
            c_.report.Line({FolderCode::NotRun, batch.folders.Text(folder), L"", ResAllText(AText::StoppedLine),
                            PlanNotes(plan[folder])});
    }
}

// What the stop left out, without walking on: the tree under way (its root
// comes last) and each name not started yet, the trees /RESUME will finish.
// Each is counted as one folder not reached; a tree has at least that many.
void FolderRun::TellUnreachedTrees() {
    feed_.Unreached([&](const ScriptTarget& target) {
        ++notDone_;
        ++counts_.notReached;
        if (c_.command.subfolders && !target.path.empty()) counts_.notReachedAtLeast = true;
        if (!c_.report.tsv) return;
        c_.report.Line(target.path.empty()
                           ? OtherLine(target)
                           : FolderLine{FolderCode::NotRun, target.path, L"", ResAllText(AText::StoppedLine), {}});
    });
}

}  // namespace

// The total the progress line counts towards, only when someone watches: with
// /S the trees are walked once more for it, and Ctrl+C ends that count.
void SetProgressTotal(const ScriptContext& c, ScriptTargets& feed, const std::vector<ScriptName>& names) {
    if (!c.progress.Shown()) return;
    size_t total = 0;
    if (c.command.subfolders)
        total = feed.Count([&](size_t counted) {
            c.progress.Counting(counted);
            return !c.Stopping();
        });
    else
        for (const auto& name : names) total += std::max<size_t>(1, name.paths.size());
    c.progress.SetTotal(total);
}

Ran RunFolders(const ScriptContext& c, ScriptTargets& feed, const RunRequest* request, const std::string& resumes) {
    return FolderRun(c, feed).Run(request, resumes);
}

Ran RunResume(const ScriptContext& c) {
    AppState& state = c.state;
    Services& services = c.services;
    const auto plan = services.journal ? PlanResume(*services.journal) : std::nullopt;
    if (!plan) {
        state.history.AddLine(ResKelvaroText(KText::NothingToResumeLine));
        return {1, false};
    }
    state.history.AddLine(ResKelvaroText(KText::ResumeHeadLine));
    if (!plan->hidden.empty()) {
        state.history.AddLine(ResKelvaroText(KText::ResumeHiddenLine));
        for (const auto& path : plan->hidden) state.history.AddLine(L"\u3000" + FolderHeading(path, true));
    }
    ScriptCommand resumed = c.command;
    resumed.mode = plan->request.mode;
    state.settings.hiraganaToKatakana = plan->request.Has(kHiraganaFlag);
    resumed.subfolders = plan->request.Has(kEveryDepthFlag);
    resumed.hidden = plan->request.Has(kHiddenFlag);
    const ScriptContext context{resumed, state, services, c.stop, c.report, c.outlet, c.progress};
    std::vector<ScriptName> names;
    for (const auto& path : plan->request.targets) names.push_back({path, {path}});
    ScriptTargets feed(services.fs, names, resumed.subfolders, resumed.hidden);
    SetProgressTotal(context, feed, names);
    return RunFolders(context, feed, &plan->request, plan->run);
}

Ran RunUndo(const ScriptContext& c) {
    AppState& state = c.state;
    Services& services = c.services;
    const Report& report = c.report;
    ProgressLine& progress = c.progress;
    if (!services.journal) {
        state.history.AddLine(ResKelvaroText(KText::NothingToUndoLine));
        return {1, false};
    }
    Ran ran;
    size_t total = 0;
    RenameServices rename{services.fs, state.history, state.changed, state.settings.hiraganaToKatakana,
                          services.journal};
    rename.wholePaths = true;
    size_t handled = 0;
    UndoHooks hooks;
    hooks.planned = [&](size_t folders) {
        total = folders;
        progress.SetTotal(folders);
    };
    hooks.before = [&](const JournalFolder&) {
        progress.Done(handled++);
        if (state.changed.Count() >= kBatch) state.changed.Clear();
        return !c.Stopping();
    };
    hooks.after = [&](const JournalFolder& folder, const FolderOutcome& outcome) {
        // The disk is asked where each folder stands only for the folder lines of /TSV.
        if (report.tsv) {
            const bool back = services.fs.EntryName(folder.oldPath) == LastPathName(folder.oldPath) &&
                              (SameName(folder.oldPath, folder.newPath) ||
                               services.fs.EntryName(folder.newPath) != LastPathName(folder.newPath));
            report.Line(UndoFolderLine(outcome, back));
        }
        if (state.history.Count() > 3 * kBatch) c.outlet.Drain(state.history);
    };
    if (report.tsv)
        hooks.notReached = [&](const JournalFolder& folder) {
            report.Line({FolderCode::NotRun, folder.newPath, L"", ResAllText(AText::StoppedLine), {}});
        };
    hooks.counted = [&](const RunCounts&) { ran.summarized = true; };
    ran.notDone = UndoLastRun(rename, hooks);
    const bool stopped = c.Stopping() || services.journal->Failed();
    state.history.AddLine(ResAllText(stopped ? AText::StoppedLine : AText::AllFinishedLine));
    if (total == 0) ran.notDone = 1;
    return ran;
}

}  // namespace kelvaro
