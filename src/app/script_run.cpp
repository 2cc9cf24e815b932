#include "app/script_run.h"

#include <windows.h>

#include <algorithm>
#include <deque>

#include "model/app_state.h"
#include "app/log_file.h"
#include "app/script_names.h"
#include "app/script_output.h"
#include "app/script_targets.h"
#include "app/progress_line.h"
#include "model/run_driver.h"
#include "app/startup.h"
#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "engine/disk_paths.h"
#include "engine/folder_rules.h"
#include "operations/recovery.h"
#include "operations/resume.h"
#include "operations/undo.h"
#include "engine/path_text.h"
#include "engine/rename_plan.h"

namespace kelvaro {

namespace {

constexpr KText kUsageLines[] = {KText::UsageHead,
                                 KText::UsageUndoLine,
                                 KText::UsageResumeLine,
                                 KText::UsageRemoveSettingsLine,
                                 KText::UsageMode,
                                 KText::UsageModeList,
                                 KText::UsageModeNames,
                                 KText::UsageSubfolders,
                                 KText::UsageHiddenToo,
                                 KText::UsageDryRun,
                                 KText::UsageTsv,
                                 KText::UsageTsvFields,
                                 KText::UsageUtf8,
                                 KText::UsageClip,
                                 KText::UsageLog,
                                 KText::UsageListFile,
                                 KText::UsageUndo,
                                 KText::UsageResume,
                                 KText::UsageRemoveSettings,
                                 KText::UsageHelp,
                                 KText::UsageSwitchesFirst,
                                 KText::UsageRelativeNames,
                                 KText::UsageListLiteral,
                                 KText::UsageExitCodes,
                                 KText::UsageGuide};

// Messages meant for a box go to the console's error stream; nobody is there to answer a question.
class ConsolePrompts final : public IPrompts {
public:
    explicit ConsolePrompts(IConsole& console) : console_(console) {}
    void Notice(const std::wstring& text) override { console_.Error(text); }
    bool AskYesNo(const std::wstring&) override { return false; }

private:
    IConsole& console_;
};

// Echoes every new history line to the console.
class HistoryEcho final : public IListObserver {
public:
    HistoryEcho(const HistoryLog& history, IConsole& console) : history_(history), console_(console) {}
    void OnInserted(size_t index) override { console_.Out(history_.Line(index)); }
    void OnRemoved(size_t) override {}
    void OnReplaced(size_t) override {}
    void OnReset() override {}
    void OnSelectionChanged(size_t) override {}
    void OnTopIndexChanged(size_t) override {}

private:
    const HistoryLog& history_;
    IConsole& console_;
};

// What recovery at start says about earlier runs: to the error stream, never
// among this run's lines, and kept for the log file.
class RecoveryLines final : public ILineSink {
public:
    explicit RecoveryLines(IConsole& console) : console_(console) {}
    void AddLine(const std::wstring& text) override {
        console_.Error(text);
        lines.push_back(text);
    }
    std::vector<std::wstring> lines;

private:
    IConsole& console_;
};

// The folder a file name lies in (a name ending in "\\" stands for the folder itself).
std::wstring FolderOf(const std::wstring& name) {
    const size_t last = name.find_last_of(L"\\/");
    return last == std::wstring::npos ? name : name.substr(0, last == 2 ? 3 : last);
}

// True when `logFile` is one of the program's own files (an entry ending in
// "\" stands for everything in that folder) or one of the line's list files.
// Compared by what they are (volume and file number), never by how they are
// spelled: \\?\ paths, forward slashes, a drive letter given to a folder and
// links all name the same file.
bool IsKeptFile(IFileSystem& fs,
                const std::wstring& logFile,
                const std::vector<std::wstring>& own,
                const std::vector<std::wstring>& names) {
    const auto log = fs.IdentityOf(logFile);
    const auto logFolder = fs.IdentityOf(FolderOf(logFile));
    auto same = [&](const std::optional<FileIdentity>& what, const std::wstring& kept) {
        if (!what) return false;
        const auto identity = fs.IdentityOf(kept);
        return identity && *identity == *what;
    };
    for (const auto& entry : own) {
        if (entry.empty()) continue;
        if (entry.back() == L'\\' ? same(logFolder, FolderOf(entry)) : same(log, entry)) return true;
    }
    for (const auto& name : names)
        if (name.size() > 1 && name.front() == L'@' && same(log, FullFileName(fs, name.substr(1)))) return true;
    return false;
}

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

// One line of the output: only with /TSV; without it the history says everything.
struct Report {
    IConsole& console;
    bool tsv;
    void Line(const FolderLine& line) const {
        if (!tsv) return;
        console.Out(TsvLine(line));
        ++told;
    }
    mutable size_t told = 0;  // the folder lines written
};

// The history leaves memory a batch at a time: to the log file and, when
// asked for, to the text the clipboard gets at the end. What recovery at
// start said of earlier runs comes first, under a heading of its own.
class HistoryOutlet {
public:
    HistoryOutlet(IFileSystem& fs, std::wstring logFile, bool utf8, bool clip)
        : fs_(fs), logFile_(std::move(logFile)), utf8_(utf8), clip_(clip) {}
    void SetRecovery(const std::vector<std::wstring>& lines) { recovery_ = lines; }
    // Writes out what `history` holds and empties it.
    void Drain(HistoryLog& history) {
        Write(first_ ? LogText(recovery_, history) : history.Text());
        history.Refresh();
    }
    void Write(const std::wstring& text) {
        if (clip_) clipText += text;
        if (!logFile_.empty() && !failed_) {
            std::string bytes = LogTextBytes(text, utf8_);
            if (utf8_ && !first_) bytes.erase(0, 3);  // the byte-order mark only at the start
            const bool written =
                first_ ? fs_.WriteFileBytes(logFile_, bytes) : bytes.empty() || fs_.AppendFileBytes(logFile_, bytes);
            if (!written) failed_ = true;
        }
        first_ = false;
    }
    bool LogFailed() const { return failed_; }
    std::wstring clipText;

private:
    static std::wstring LogText(const std::vector<std::wstring>& recovery, const HistoryLog& history) {
        std::wstring text;
        if (!recovery.empty()) {
            text += ResKelvaroText(KText::EarlierRunHeading) + L"\r\n";
            for (const auto& line : recovery) text += line + L"\r\n";
            text += ResKelvaroText(KText::ThisRunHeading) + L"\r\n";
        }
        return text + history.Text();
    }

    IFileSystem& fs_;
    std::wstring logFile_;
    bool utf8_, clip_;
    bool first_ = true, failed_ = false;
    std::vector<std::wstring> recovery_;
};

// The folders of a run are planned and walked this many at a time.
constexpr size_t kBatch = 1000;

// What every part of one script command works with.
struct ScriptContext {
    const ScriptCommand& command;
    AppState& state;
    Services& services;
    const std::atomic<bool>* stop;
    const Report& report;
    HistoryOutlet& outlet;
    ProgressLine& progress;
    bool Stopping() const { return stop && stop->load(); }
};

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

// How a run, an undo or a resume of the script ended: the folders not done,
// and whether the history's last lines are a summary and the closing line.
struct Ran {
    size_t notDone = 0;
    bool summarized = false;
};

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
        : c_(c),
          feed_(feed),
          listings_(c.services.fs),
          rename_{c.services.fs, c.state.history, c.state.changed, c.state.settings.Hira, c.services.journal, &listings_} {
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
    std::optional<RecordedRun> recorded_;
    size_t notDone_ = 0, handled_ = 0;
    size_t walked_ = 0;  // the folders of the batches before this one
    size_t next_ = 0;    // the next name of the batch to tell
    RunCounts counts_;
    bool stopped_ = false;
};

Ran FolderRun::Run(const RunRequest* request, const std::string& resumes) {
    const bool dry = c_.command.dryRun;
    if (!dry) recorded_.emplace(c_.services.journal, c_.state.history, RunKind::Run, resumes);
    RenameJournal* journal = dry ? nullptr : c_.services.journal;
    if (journal && request) journal->Request(*request);
    while (!stopped_) {
        Batch batch = NextBatch(feed_);
        if (batch.items.empty()) break;
        // The plan before anything moves: the verdicts of a dry run, the codes of a run.
        std::vector<PlanEntry> plan;
        if (dry || c_.report.tsv) plan = PlanRun(c_.services.fs, batch.given, c_.command.mode, c_.state.settings.Hira);
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
    if (journal && request) journal->End(stopped_ ? RunEnd::Stopped : RunEnd::Done, walked_);
    recorded_.reset();
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
    hooks.journalBase = walked_;
    hooks.newPathOf = [&](const std::wstring& path) { return PlannedNewPath(path, mode, c_.state.settings.Hira); };
    hooks.tellsCaseApart = [&](const std::wstring& dir) { return fs.TellsCaseApart(dir); };
    size_t renaming = 0;  // the folder the walk hands to the renamer
    hooks.before = [&](size_t i) {
        if (c_.Stopping() || recorded_->Stopped()) return false;
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
    const WalkEnd end = WalkTargets(
        batch.folders, c_.state.history, c_.services.journal,
        [&](const std::wstring& path) { return RenameFolder(rename_, path, mode, batch.identities[renaming]); },
        hooks);
    notDone_ += batch.folders.Count() - end.next;
    stopped_ = end.stopped || end.journalFailed;
    counts_.renamed += end.counts.renamed;
    counts_.same += end.counts.same;
    counts_.notRenamed += end.counts.notRenamed;
    counts_.notReached += end.counts.notReached;
    walked_ += end.next;
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

// Finishes the newest run, stopped or cut short, by its mode and flags: the
// folders not done, 1 when there was nothing to finish.
Ran RunResume(const ScriptContext& c) {
    AppState& state = c.state;
    Services& services = c.services;
    const auto plan = services.journal ? PlanResume(*services.journal) : std::nullopt;
    if (!plan) {
        state.history.AddLine(ResKelvaroText(KText::NothingToResumeLine));
        return {1, false};
    }
    state.history.AddLine(ResKelvaroText(KText::ResumeHeadLine));
    ScriptCommand resumed = c.command;
    resumed.mode = plan->request.mode;
    state.settings.Hira = plan->request.Has(kHiraganaFlag);
    resumed.subfolders = plan->request.Has(kEveryDepthFlag);
    resumed.hidden = plan->request.Has(kHiddenFlag);
    const ScriptContext context{resumed, state, services, c.stop, c.report, c.outlet, c.progress};
    std::vector<ScriptName> names;
    for (const auto& path : plan->request.targets) names.push_back({path, {path}});
    ScriptTargets feed(services.fs, names, resumed.subfolders, resumed.hidden);
    SetProgressTotal(context, feed, names);
    return FolderRun(context, feed).Run(&plan->request, plan->run);
}

// Takes the last run back; the folders not taken back, or 1 when there was
// nothing to take back. The history leaves memory every few thousand lines.
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
    RenameServices rename{services.fs, state.history, state.changed, state.settings.Hira, services.journal};
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
            report.Line({back ? FolderCode::Undone : FolderCode::Skipped,
                         folder.newPath,
                         folder.oldPath,
                         back ? L"" : JoinedReason(OutcomeLines(outcome)),
                         {}});
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

}  // namespace

std::wstring PlanLine(const PlanEntry& entry) {
    std::wstring line = PlanStateText(entry.state);
    line += L'\t';
    line += entry.path;
    // The new path and each note are fields of their own, never glued to a path.
    const std::vector<std::wstring> notes = PlanNotes(entry);
    const bool renamed = !entry.newPath.empty() && entry.newPath != entry.path;
    if (renamed || !notes.empty()) line += L'\t' + (renamed ? entry.newPath : std::wstring());
    for (const auto& note : notes) line += L'\t' + note;
    return line;
}

namespace {

void PrintUsage(IConsole& console) {
    for (KText n : kUsageLines) {
        std::wstring line = ResKelvaroText(n);
        if (n == KText::UsageModeNames)
            for (const ModeRow& mode : kModes) line += std::wstring(L" ") + mode.name;
        console.Out(line);
    }
}

// The whole line is checked before anything is touched, recovery included:
// the names it gives and the log file it asks for. Empty when it holds.
std::wstring CheckLine(const ScriptCommand& command,
                       const ScriptServices& services,
                       std::vector<ScriptName>& names,
                       std::wstring& logFile) {
    IFileSystem& fs = services.fs;
    std::wstring error;
    if (!command.undo && !command.resume) names = ExpandNames(fs, command.names, error, command.hidden);
    if (!error.empty() || command.logFile.empty()) return error;
    logFile = FullFileName(fs, command.logFile);
    if (IsKeptFile(fs, logFile, services.ownFiles, command.names))
        return ResKelvaroText(KText::LogOnOwnFileError) + logFile;
    // Opened to append, so that nothing is emptied before the run: the first lines replace it.
    if (!fs.AppendFileBytes(logFile, {})) return ResKelvaroText(KText::LogNotWritableError) + logFile;
    return {};
}

// A folder a run cut short left under its temporary name is put back before
// the names are looked up (a dry run touches nothing); a folder put back may
// answer to a pattern now.
void RecoverFirst(const ScriptCommand& command,
                  ScriptServices& services,
                  std::vector<ScriptName>& names,
                  RecoveryLines& recovery) {
    if (!services.journal || command.dryRun) return;
    RecoverInterrupted(services.fs, *services.journal, recovery);
    const bool patterns = std::any_of(names.begin(), names.end(), [](const ScriptName& name) { return name.pattern; });
    if (!recovery.lines.empty() && patterns) {
        std::wstring again;
        auto expanded = ExpandNames(services.fs, command.names, again, command.hidden);
        if (again.empty()) names = std::move(expanded);
    }
    // A run cut short can be finished: said once, when recovery found it.
    if (!command.resume && !recovery.lines.empty() && PlanResume(*services.journal))
        recovery.AddLine(ResKelvaroText(KText::ResumeHintLine));
}

// The run the line asks for: an undo, a resume, or a run of the names.
Ran RunCommand(const ScriptContext& c, const std::vector<ScriptName>& names) {
    if (c.command.undo) return RunUndo(c);
    if (c.command.resume) return RunResume(c);
    ScriptTargets feed(c.services.fs, names, c.command.subfolders, c.command.hidden);
    SetProgressTotal(c, feed, names);
    RunRequest request = TargetRequest(c.command.mode, c.state.settings.Hira);
    if (c.command.subfolders) request.flags += kEveryDepthFlag;
    if (c.command.hidden) request.flags += kHiddenFlag;  // so that /RESUME walks as this run did
    for (const auto& name : names) request.targets.insert(request.targets.end(), name.paths.begin(), name.paths.end());
    if (!c.command.subfolders) request.total = request.targets.size();
    return FolderRun(c, feed).Run(&request, {});
}

// After the run: the hint to resume, the closing lines, the log and the clipboard; the exit code.
int Finish(const ScriptContext& c, const Ran& ran, ScriptServices& services, const std::wstring& logFile) {
    IConsole& console = services.console;
    const ScriptCommand& command = c.command;
    // Stopped by Ctrl+C: the rest can be done later.
    if (!command.undo && !command.dryRun && c.Stopping() && services.journal && PlanResume(*services.journal))
        console.Error(ResKelvaroText(KText::ResumeHintLine));
    // With /TSV the output holds folders only; the counts and the closing line go with the other messages.
    // Without a folder to tell (nothing to take back or to finish), what the history says instead is why.
    if (command.tsv) {
        const size_t count = c.state.history.Count();
        const size_t tail = std::min<size_t>(count, ran.summarized ? 2 : 1);
        for (size_t i = c.report.told == 0 ? 0 : count - tail; i < count; ++i) console.Error(c.state.history.Line(i));
    }
    c.outlet.Drain(c.state.history);
    // The clipboard, when asked for, gets what the log file gets.
    if (command.clip && !services.clipboard.SetText(c.outlet.clipText)) {
        // Said where it is seen: the console and the log.
        console.Error(ResKelvaroText(KText::NotCopiedLine));
        c.outlet.Write(ResKelvaroText(KText::NotCopiedLine) + L"\r\n");
    }
    int code = ran.notDone == 0 ? kExitAllDone : kExitNotAll;
    if (services.journal && services.journal->Failed()) code = kExitNotAll;  // a record was lost
    if (c.outlet.LogFailed()) {
        console.Error(ResKelvaroText(KText::LogNotWritableError) + logFile);
        code = kExitNotAll;
    }
    return code;
}

}  // namespace

int RunScript(const ScriptCommand& command, ScriptServices& services) {
    IConsole& console = services.console;
    if (command.usage) {
        PrintUsage(console);
        return kExitAllDone;
    }
    try {
        std::vector<ScriptName> names;
        std::wstring logFile;
        const std::wstring error = command.error.empty() ? CheckLine(command, services, names, logFile) : command.error;
        if (!error.empty()) {
            console.Error(error);
            console.Error(ResKelvaroText(KText::UsageHint));
            return kExitUsage;
        }
        ConsolePrompts prompts(console);
        Services appServices{services.store, services.fs, services.clipboard, prompts, services.journal};
        AppState state(prompts);
        SettingsLoad(services.store, state.settings);
        state.settings.autoRunning = true;
        RecoveryLines recovery(console);
        RecoverFirst(command, services, names, recovery);

        const Report report{console, command.tsv};
        if (command.tsv) console.Out(TsvHeader());
        HistoryEcho echo(state.history, console);
        if (!command.tsv) state.history.SetObserver(&echo);
        HistoryOutlet outlet(services.fs, logFile, command.utf8, command.clip);
        outlet.SetRecovery(recovery.lines);
        ProgressLine progress(console, [] { return static_cast<uint64_t>(GetTickCount64()); });
        const ScriptContext context{command, state, appServices, services.stop, report, outlet, progress};
        const Ran ran = RunCommand(context, names);
        progress.End();
        state.history.SetObserver(nullptr);
        return Finish(context, ran, services, logFile);
    } catch (...) {
        RecordUnexpected("RunScript");
        console.Error(L"Kelvaro2 RunScript ERR");
        return kExitNotAll;
    }
}

}  // namespace kelvaro
