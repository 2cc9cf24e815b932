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
#include "engine/journal_actions.h"
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

FolderLine PlanFolderLine(const PlanEntry& entry) {
    return {CodeOf(entry.state), entry.path, entry.newPath, PlanStateText(entry.state), PlanNotes(entry)};
}

// The output line of a folder of a run: the plan's, with what became of it.
// A folder whose subfolders could not be read says so before why it failed.
FolderLine RunFolderLine(const PlanEntry& entry, const FolderOutcome& outcome, bool unlisted) {
    FolderLine line = PlanFolderLine(entry);
    if (outcome.Done()) {
        line.code = entry.state == PlanState::InForm ? FolderCode::Same : FolderCode::Renamed;
        line.newPath = outcome.newPath;
        if (line.code == FolderCode::Renamed) line.reason.clear();
    } else if (PlanDone(entry.state)) {
        line.code = FolderCode::Failed;
        std::vector<std::wstring> lines = OutcomeLines(outcome);
        if (unlisted) lines.insert(lines.begin(), ResKelvaroText(KText::UnlistedLine));
        line.reason = JoinedReason(lines);
    }
    return line;
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

// Where each name of a batch stands: an entry of the target list, or a name that is none.
struct Item {
    size_t target = kNoEntry;
    ScriptTarget other;  // when it is no entry
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

// The folders of a run go through the target list this many at a time.
constexpr size_t kBatch = TargetList::kCapacity;

// The total the progress line counts towards, only when someone watches: with
// /S the trees are walked once more for it, and Ctrl+C ends that count.
void SetProgressTotal(ScriptTargets& feed,
                      const std::vector<ScriptName>& names,
                      bool subfolders,
                      ProgressLine& progress,
                      const std::atomic<bool>* stop) {
    if (!progress.Shown()) return;
    size_t total = 0;
    if (subfolders)
        total = feed.Count([&](size_t counted) {
            progress.Counting(counted);
            return !(stop && stop->load());
        });
    else
        for (const auto& name : names) total += std::max<size_t>(1, name.paths.size());
    progress.SetTotal(total);
}

// How a run, an undo or a resume of the script ended: the folders not done,
// and whether the history's last lines are a summary and the closing line.
struct Ran {
    size_t notDone = 0;
    bool summarized = false;
};

// Renames (or, dry, judges) the folders a batch at a time, as one run in the
// journal.
Ran RunFolders(const ScriptCommand& command,
                  ScriptTargets& feed,
                  AppState& state,
                  Services& services,
                  const std::atomic<bool>* stop,
                  const Report& report,
                  HistoryOutlet& outlet,
                  ProgressLine& progress,
                  const RunRequest* request = nullptr,
                  const std::string& resumes = {}) {
    IFileSystem& fs = services.fs;
    FolderListings listings(fs);
    RenameServices rename{fs, state.history, state.changed, state.settings.Hira, services.journal, &listings};
    rename.wholePaths = true;
    std::optional<RecordedRun> recorded;
    if (!command.dryRun) recorded.emplace(services.journal, state.history, RunKind::Run, resumes);
    // What the run was asked to do, recorded once before its first folder:
    // a run of every depth is its roots and the flag, never every folder.
    RenameJournal* journal = command.dryRun ? nullptr : services.journal;
    if (journal && request) journal->Request(*request);
    size_t notDone = 0, handled = 0;
    size_t walked = 0;  // the target-list entries of the batches before this one
    RunCounts counts;
    bool stopped = false;
    while (!stopped) {
        // The next batch: up to kBatch folders, and the names between them that are none.
        state.targets.Refresh();
        std::vector<Item> items;
        std::vector<bool> unlisted;
        std::vector<std::optional<FileIdentity>> identities;  // what the walk found under each path
        for (ScriptTarget target; state.targets.Count() < kBatch && items.size() < 2 * kBatch && feed.Next(target);) {
            if (!target.path.empty() && target.repeat == Repeat::No) {
                const size_t before = state.targets.Count();
                state.targets.AddLine(target.path);
                if (state.targets.Count() > before) {
                    items.push_back({before, {}});
                    unlisted.push_back(target.unlisted);
                    identities.push_back(target.identity);
                    continue;
                }
                target.repeat = Repeat::Same;  // the list holds it already
            }
            items.push_back({kNoEntry, std::move(target)});
        }
        if (items.empty()) break;

        std::vector<std::wstring> targets;
        for (size_t i = 0; i < state.targets.Count(); ++i) targets.push_back(state.targets.Text(i));
        // The plan before anything moves: the verdicts of a dry run, the codes of a run.
        std::vector<PlanEntry> plan;
        if (command.dryRun || report.tsv) plan = PlanRun(fs, targets, command.mode, state.settings.Hira);

        // Every name is told in its place: the ones that are no entry of the
        // list just before the entry that follows them.
        size_t next = 0;  // the next item to tell
        auto tellOthers = [&] {
            for (; next < items.size() && items[next].target == kNoEntry; ++next) {
                const ScriptTarget& other = items[next].other;
                report.Line(OtherLine(other));
                progress.Done(++handled);
                if (other.repeat != Repeat::No) continue;
                state.history.AddLine(UnansweredHistoryLine(other, command.dryRun));
                ++notDone;
                ++counts.notRenamed;
            }
        };
        auto tellEntry = [&](const FolderLine& line) {
            report.Line(line);
            ++next;
            progress.Done(++handled);
        };
        auto unlistedLines = [&](size_t i) {
            if (!unlisted[i]) return;
            state.history.AddLine(FolderHeading(targets[i], true));
            state.history.AddLine(ResKelvaroText(KText::UnlistedLine));
            ++notDone;
        };

        if (command.dryRun) {
            // Ctrl+C stops a dry run too, after the folder in hand.
            size_t i = 0;
            for (; i < plan.size() && !(stop && stop->load()); ++i) {
                tellOthers();
                unlistedLines(i);
                state.history.AddLine(PlanLine(plan[i]));
                if (!PlanDone(plan[i].state)) ++notDone;
                tellEntry(PlanFolderLine(plan[i]));
            }
            stopped = i < plan.size();
            notDone += plan.size() - i;
        } else {
            TargetWalk hooks;
            hooks.journalBase = walked;
            hooks.newPathOf = [&](const std::wstring& path) {
                return PlannedNewPath(path, command.mode, state.settings.Hira);
            };
            hooks.tellsCaseApart = [&](const std::wstring& dir) { return fs.TellsCaseApart(dir); };
            hooks.before = [&](size_t i) {
                if ((stop && stop->load()) || recorded->Stopped()) return false;
                tellOthers();
                unlistedLines(i);
                return true;
            };
            hooks.after = [&](size_t i, const FolderOutcome& outcome) {
                if (!outcome.Done()) ++notDone;
                const std::wstring& now = outcome.Done() ? outcome.newPath : targets[i];
                if (now != targets[i]) feed.Renamed(targets[i], now);
                tellEntry(report.tsv ? RunFolderLine(plan[i], outcome, unlisted[i]) : FolderLine{});
            };
            size_t renaming = 0;  // the entry the walk hands to the renamer
            hooks.before = [&, before = hooks.before](size_t i) {
                renaming = i;
                return before(i);
            };
            const WalkEnd end = WalkTargets(
                state.targets, state.history, services.journal,
                [&](const std::wstring& path) {
                    return RenameFolder(rename, path, command.mode,
                                        renaming < identities.size() ? identities[renaming] : std::nullopt);
                },
                hooks);
            notDone += state.targets.Count() - end.next;
            stopped = end.stopped || end.journalFailed;
            counts.renamed += end.counts.renamed;
            counts.same += end.counts.same;
            counts.notRenamed += end.counts.notRenamed;
            counts.notReached += end.counts.notReached;
            walked += end.next;
        }
        // What the run did not reach, with no new path: nothing was done to it.
        for (tellOthers(); stopped && next < items.size(); tellOthers()) {
            const size_t target = items[next++].target;
            if (report.tsv)
                report.Line({FolderCode::NotRun, state.targets.Text(target), L"", ResAllText(AText::StoppedLine),
                             PlanNotes(plan[target])});
        }
        outlet.Drain(state.history);
        state.changed.Clear();
    }
    // What the stop left out, without walking on: the tree under way (its root
    // comes last) and each name not started yet, the trees /RESUME will finish.
    // Each is counted as one folder not reached; a tree has at least that many.
    if (stopped)
        feed.Unreached([&](const ScriptTarget& target) {
            ++notDone;
            ++counts.notReached;
            if (command.subfolders && !target.path.empty()) counts.notReachedAtLeast = true;
            if (!report.tsv) return;
            report.Line(target.path.empty()
                            ? OtherLine(target)
                            : FolderLine{FolderCode::NotRun, target.path, L"", ResAllText(AText::StoppedLine), {}});
        });
    if (journal && request) journal->End(stopped ? RunEnd::Stopped : RunEnd::Done, walked);
    recorded.reset();
    if (!command.dryRun) state.history.AddLine(RunSummaryLine(counts));
    state.history.AddLine(stopped          ? ResAllText(AText::StoppedLine)
                          : command.dryRun ? ResKelvaroText(KText::DryRunDoneLine)
                                           : ResAllText(AText::AllFinishedLine));
    return {notDone, !command.dryRun};
}

// Finishes the newest run, stopped or cut short, by its mode and flags: the
// folders not done, 1 when there was nothing to finish.
Ran RunResume(const ScriptCommand& command,
                 AppState& state,
                 Services& services,
                 const std::atomic<bool>* stop,
                 const Report& report,
                 HistoryOutlet& outlet,
                 ProgressLine& progress) {
    const auto plan = services.journal ? PlanResume(*services.journal) : std::nullopt;
    if (!plan) {
        state.history.AddLine(ResKelvaroText(KText::NothingToResumeLine));
        return {1, false};
    }
    state.history.AddLine(ResKelvaroText(KText::ResumeHeadLine));
    ScriptCommand resumed = command;
    resumed.mode = plan->request.mode;
    state.settings.Hira = plan->request.Has(kHiraganaFlag);
    resumed.subfolders = plan->request.Has(kEveryDepthFlag);
    resumed.hidden = plan->request.Has(kHiddenFlag);
    std::vector<ScriptName> names;
    for (const auto& path : plan->request.targets) names.push_back({path, {path}});
    ScriptTargets feed(services.fs, names, resumed.subfolders, resumed.hidden);
    SetProgressTotal(feed, names, resumed.subfolders, progress, stop);
    RunRequest request = plan->request;
    return RunFolders(resumed, feed, state, services, stop, report, outlet, progress, &request, plan->run);
}

// Takes the last run back; the folders not taken back, or 1 when there was
// nothing to take back. The history leaves memory every few thousand lines.
Ran RunUndo(AppState& state,
               Services& services,
               const std::atomic<bool>* stop,
               const Report& report,
               HistoryOutlet& outlet,
               ProgressLine& progress) {
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
        return !(stop && stop->load());
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
        if (state.history.Count() > 3 * kBatch) outlet.Drain(state.history);
    };
    if (report.tsv)
        hooks.notReached = [&](const JournalFolder& folder) {
            report.Line({FolderCode::NotRun, folder.newPath, L"", ResAllText(AText::StoppedLine), {}});
        };
    hooks.counted = [&](const RunCounts&) { ran.summarized = true; };
    ran.notDone = UndoLastRun(rename, hooks);
    const bool stopped = (stop && stop->load()) || services.journal->Failed();
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

int RunScript(const ScriptCommand& command, ScriptServices& services) {
    IConsole& console = services.console;
    if (command.usage) {
        for (KText n : kUsageLines) {
            std::wstring line = ResKelvaroText(n);
            if (n == KText::UsageModeNames)
                for (const wchar_t* name : kModeNames) line += std::wstring(L" ") + name;
            console.Out(line);
        }
        return kExitAllDone;
    }
    if (!command.error.empty()) {
        console.Error(command.error);
        console.Error(ResKelvaroText(KText::UsageHint));
        return kExitUsage;
    }
    try {
        IFileSystem& fs = services.fs;
        // The whole line is checked before anything is touched, recovery included.
        std::wstring error;
        std::vector<ScriptName> names;
        if (!command.undo && !command.resume) names = ExpandNames(fs, command.names, error, command.hidden);
        std::wstring logFile;
        if (error.empty() && !command.logFile.empty()) {
            logFile = FullFileName(fs, command.logFile);
            if (IsKeptFile(fs, logFile, services.ownFiles, command.names))
                error = ResKelvaroText(KText::LogOnOwnFileError) + logFile;
            // Opened to append, so that nothing is emptied before the run: the first lines replace it.
            else if (!fs.AppendFileBytes(logFile, {}))
                error = ResKelvaroText(KText::LogNotWritableError) + logFile;
        }
        if (!error.empty()) {
            console.Error(error);
            console.Error(ResKelvaroText(KText::UsageHint));
            return kExitUsage;
        }

        ConsolePrompts prompts(console);
        Services appServices{services.store, fs, services.clipboard, prompts, services.journal};
        AppState state(prompts);
        SettingsLoad(services.store, state.settings);
        state.settings.autoRunning = true;
        // A folder a run cut short left under its temporary name is put back
        // before the names are looked up; a dry run touches nothing.
        RecoveryLines recovery(console);
        if (services.journal && !command.dryRun) {
            RecoverInterrupted(fs, *services.journal, recovery);
            // A folder put back may answer to a pattern now.
            const bool patterns =
                std::any_of(names.begin(), names.end(), [](const ScriptName& name) { return name.pattern; });
            if (!recovery.lines.empty() && patterns) {
                std::wstring again;
                auto expanded = ExpandNames(fs, command.names, again, command.hidden);
                if (again.empty()) names = std::move(expanded);
            }
        }
        // A run cut short can be finished: said once, when recovery found it.
        if (!command.resume && !recovery.lines.empty() && services.journal && PlanResume(*services.journal))
            recovery.AddLine(ResKelvaroText(KText::ResumeHintLine));

        const Report report{console, command.tsv};
        if (command.tsv) console.Out(TsvHeader());
        HistoryEcho echo(state.history, console);
        if (!command.tsv) state.history.SetObserver(&echo);
        HistoryOutlet outlet(fs, logFile, command.utf8, command.clip);
        outlet.SetRecovery(recovery.lines);
        ProgressLine progress(console, [] { return static_cast<uint64_t>(GetTickCount64()); });
        Ran ran;
        if (command.undo) {
            ran = RunUndo(state, appServices, services.stop, report, outlet, progress);
        } else if (command.resume) {
            ran = RunResume(command, state, appServices, services.stop, report, outlet, progress);
        } else {
            ScriptTargets feed(fs, names, command.subfolders, command.hidden);
            SetProgressTotal(feed, names, command.subfolders, progress, services.stop);
            RunRequest request = TargetRequest(command.mode, state.settings.Hira);
            if (command.subfolders) request.flags += kEveryDepthFlag;
            if (command.hidden) request.flags += kHiddenFlag;  // so that /RESUME walks as this run did
            for (const auto& name : names)
                request.targets.insert(request.targets.end(), name.paths.begin(), name.paths.end());
            if (!command.subfolders) request.total = request.targets.size();
            ran = RunFolders(command, feed, state, appServices, services.stop, report, outlet, progress, &request);
        }
        progress.End();
        state.history.SetObserver(nullptr);
        // Stopped by Ctrl+C: the rest can be done later.
        if (!command.undo && !command.dryRun && services.stop && services.stop->load() && services.journal &&
            PlanResume(*services.journal))
            console.Error(ResKelvaroText(KText::ResumeHintLine));
        // With /TSV the output holds folders only; the counts and the closing line go with the other messages.
        // Without a folder to tell (nothing to take back or to finish), what the history says instead is why.
        if (command.tsv) {
            const size_t count = state.history.Count();
            const size_t tail = std::min<size_t>(count, ran.summarized ? 2 : 1);
            for (size_t i = report.told == 0 ? 0 : count - tail; i < count; ++i) console.Error(state.history.Line(i));
        }
        outlet.Drain(state.history);
        // The clipboard, when asked for, gets what the log file gets.
        if (command.clip && !services.clipboard.SetText(outlet.clipText)) {
            // Said where it is seen: the console and the log.
            console.Error(ResKelvaroText(KText::NotCopiedLine));
            outlet.Write(ResKelvaroText(KText::NotCopiedLine) + L"\r\n");
        }

        int code = ran.notDone == 0 ? kExitAllDone : kExitNotAll;
        if (services.journal && services.journal->Failed()) code = kExitNotAll;  // a record was lost
        if (outlet.LogFailed()) {
            console.Error(ResKelvaroText(KText::LogNotWritableError) + logFile);
            code = kExitNotAll;
        }
        return code;
    } catch (...) {
        RecordUnexpected("RunScript");
        console.Error(L"Kelvaro2 RunScript ERR");
        return kExitNotAll;
    }
}

}  // namespace kelvaro
