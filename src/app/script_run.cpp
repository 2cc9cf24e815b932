#include "app/script_run.h"

#include <windows.h>

#include <algorithm>

#include "model/app_state.h"
#include "app/log_file.h"
#include "app/script_names.h"
#include "app/script_output.h"
#include "app/startup.h"
#include "engine/catalog.h"
#include "engine/disk_paths.h"
#include "engine/journal_actions.h"
#include "engine/path_text.h"
#include "engine/rename_plan.h"

namespace kelvaro {

namespace {

constexpr KText kUsageLines[] = {KText::UsageHead,
                                 KText::UsageUndoLine,
                                 KText::UsageRemoveSettingsLine,
                                 KText::UsageMode,
                                 KText::UsageModeList,
                                 KText::UsageDryRun,
                                 KText::UsageTsv,
                                 KText::UsageTsvFields,
                                 KText::UsageUtf8,
                                 KText::UsageClip,
                                 KText::UsageLog,
                                 KText::UsageListFile,
                                 KText::UsageUndo,
                                 KText::UsageRemoveSettings,
                                 KText::UsageHelp,
                                 KText::UsageSwitchesFirst,
                                 KText::UsageRelativeNames,
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
    void ListInAdd(const std::wstring& text) override {
        console_.Error(text);
        lines.push_back(text);
    }
    std::vector<std::wstring> lines;

private:
    IConsole& console_;
};

// `path` with its folder spelled out in long names, when that folder exists.
std::wstring LongForm(const std::wstring& path) {
    const size_t last = path.find_last_of(L'\\');
    if (last == std::wstring::npos) return path;
    const std::wstring folder = path.substr(0, last);
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetLongPathNameW(folder.c_str(), buffer, MAX_PATH * 4);
    if (length == 0 || length >= MAX_PATH * 4) return path;
    return std::wstring(buffer, length) + path.substr(last);
}

// True when `logFile` is one of the program's own files (an entry ending in
// "\" stands for everything in that folder) or one of the line's list files.
bool IsKeptFile(IFileSystem& fs,
                const std::wstring& logFile,
                const std::vector<std::wstring>& own,
                const std::vector<std::wstring>& names) {
    const std::wstring log = LongForm(logFile);
    for (const auto& entry : own) {
        if (entry.empty()) continue;
        const std::wstring kept = LongForm(entry);
        if (kept.back() == L'\\' ? log.size() > kept.size() && SameName(log.substr(0, kept.size()), kept)
                                 : SameName(log, kept))
            return true;
    }
    for (const auto& name : names)
        if (name.size() > 1 && name.front() == L'@' && SameName(log, LongForm(FullFileName(fs, name.substr(1)))))
            return true;
    return false;
}

// The history lines of one folder, without its heading, as one reason.
std::wstring Reason(const HistoryLog& history, size_t from, size_t to) {
    std::wstring reason;
    for (size_t i = from; i < to; ++i) {
        const std::wstring& line = history.Line(i);
        if (line.compare(0, 2, L"[ ") == 0) continue;
        const size_t start = line.find_first_not_of(L"\u3000 ");
        if (start == std::wstring::npos) continue;
        if (!reason.empty()) reason += L' ';
        reason += line.substr(start);
    }
    return reason;
}

FolderLine PlanFolderLine(const PlanEntry& entry) {
    return {CodeOf(entry.state), entry.path, entry.newPath, PlanStateText(entry.state), PlanNotes(entry)};
}

FolderLine NotFoundLine(const std::wstring& path) {
    return {FolderCode::NotFound, path, L"", PlanStateText(PlanState::Missing), {}};
}

// One line of the output: only with /TSV; without it the history says everything.
struct Report {
    IConsole& console;
    bool tsv;
    void Line(const FolderLine& line) const {
        if (tsv) console.Out(TsvLine(line));
    }
};

// Where each folder of the line stands: a name that answered nothing, or an entry of the target list.
struct Item {
    std::wstring missing;
    size_t target = kNoEntry;
};

// Renames (or, dry, judges) the folders; nothing when the target list refused one.
std::optional<size_t> RunFolders(const ScriptCommand& command,
                                 const std::vector<ScriptName>& names,
                                 AppState& state,
                                 Services& services,
                                 const std::atomic<bool>* stop,
                                 const Report& report) {
    IFileSystem& fs = services.fs;
    std::vector<std::wstring> paths;
    for (const auto& name : names) paths.insert(paths.end(), name.paths.begin(), name.paths.end());
    const std::vector<std::wstring> canonical = ExistingDirNames(fs, paths);
    std::vector<Item> items;
    size_t k = 0;
    for (const auto& name : names) {
        if (name.paths.empty()) items.push_back({name.given, kNoEntry});
        for (const auto& path : name.paths) {
            const std::wstring& found = canonical[k++];
            if (found.empty()) {
                items.push_back({path, kNoEntry});
                continue;
            }
            const size_t before = state.targets.Count();
            if (!state.targets.ListInAdd(found)) return std::nullopt;
            if (state.targets.Count() > before) items.push_back({L"", before});  // a repeated folder is one
        }
    }
    size_t notDone = 0;
    for (const auto& item : items)
        if (item.target == kNoEntry) {
            state.history.ListInAdd(ResKelvaroText(KText::FolderNotFoundError) + item.missing);
            ++notDone;
        }

    std::vector<std::wstring> targets;
    for (size_t i = 0; i < state.targets.Count(); ++i) targets.push_back(state.targets.Text(i));
    // The plan before anything moves: the verdicts of a dry run, the codes of a run.
    std::vector<PlanEntry> plan;
    if (command.dryRun || report.tsv) plan = PlanRun(fs, targets, command.mode, state.settings.Hira);

    size_t next = 0;  // the next item to report
    auto reportUpTo = [&](size_t target, const FolderLine& line) {
        for (; next < items.size() && items[next].target != target; ++next)
            if (items[next].target == kNoEntry) report.Line(NotFoundLine(items[next].missing));
        if (next < items.size()) {
            report.Line(line);
            ++next;
        }
    };

    if (command.dryRun) {
        for (size_t i = 0; i < plan.size(); ++i) {
            state.history.ListInAdd(PlanLine(plan[i]));
            if (!PlanDone(plan[i].state)) ++notDone;
            reportUpTo(i, PlanFolderLine(plan[i]));
        }
        for (; next < items.size(); ++next)  // the names after the last folder that answered nothing
            if (items[next].target == kNoEntry) report.Line(NotFoundLine(items[next].missing));
        state.history.ListInAdd(ResKelvaroText(KText::DryRunDoneLine));
        return notDone;
    }

    size_t mark = state.history.Count();
    FolderDone done;
    if (report.tsv)
        done = [&](size_t i, int16_t result, const std::wstring& now) {
            const PlanEntry& entry = plan[i];
            FolderLine line = PlanFolderLine(entry);
            if (result == kRenameDone) {
                line.code = entry.state == PlanState::InForm ? FolderCode::Same : FolderCode::Renamed;
                line.newPath = now;
                if (line.code == FolderCode::Renamed) line.reason.clear();
            } else if (PlanDone(entry.state)) {
                line.code = FolderCode::Failed;
                line.reason = Reason(state.history, mark, state.history.Count());
            }
            mark = state.history.Count();
            reportUpTo(i, line);
        };
    notDone += ListExecute(state, services, command.mode, stop, done, notDone);
    // What the run did not reach (stopped), and the names that answered nothing after the last folder.
    for (; report.tsv && next < items.size(); ++next) {
        const Item& item = items[next];
        if (item.target == kNoEntry)
            report.Line(NotFoundLine(item.missing));
        else
            report.Line({FolderCode::NotRun, state.targets.Text(item.target), plan[item.target].newPath,
                         ResAllText(AText::StoppedLine), PlanNotes(plan[item.target])});
    }
    return notDone;
}

// Takes the last run back; the folders not taken back, or 1 when there was nothing to take back.
size_t RunUndo(AppState& state, Services& services, const std::atomic<bool>* stop, const Report& report) {
    if (!services.journal) {
        state.history.ListInAdd(ResKelvaroText(KText::NothingToUndoLine));
        return 1;
    }
    const UndoPlan plan = PlanUndo(services.journal->Runs());
    const RenameServices rename{services.fs, state.history, state.changed, state.settings.Hira, services.journal};
    const size_t mark = state.history.Count();
    const size_t notDone = UndoLastRun(rename, [&] { return !(stop && stop->load()); });
    const size_t summary = state.history.Count() - 1;  // the last line of the undo: its counts
    const bool stopped = (stop && stop->load()) || services.journal->Failed();
    state.history.ListInAdd(ResAllText(stopped ? AText::StoppedLine : AText::AllFinishedLine));
    if (plan.folders.empty()) return 1;

    // Each folder's lines begin with its heading, in the plan's order.
    std::vector<size_t> starts;
    for (size_t i = mark; i < state.history.Count(); ++i)
        if (state.history.Line(i).compare(0, 2, L"[ ") == 0) starts.push_back(i);
    for (size_t k = 0; k < plan.folders.size(); ++k) {
        const JournalFolder& folder = plan.folders[k];
        FolderLine line{FolderCode::NotRun, folder.newPath, folder.oldPath, ResAllText(AText::StoppedLine), {}};
        if (k < starts.size()) {
            const size_t end = k + 1 < starts.size() ? starts[k + 1] : summary;
            const bool back = services.fs.EntryName(folder.oldPath) == LastPathName(folder.oldPath) &&
                              (SameName(folder.oldPath, folder.newPath) ||
                               services.fs.EntryName(folder.newPath) != LastPathName(folder.newPath));
            line.code = back ? FolderCode::Undone : FolderCode::Skipped;
            line.reason = back ? L"" : Reason(state.history, starts[k], end);
        }
        report.Line(line);
    }
    return notDone;
}

// The log file's text: this run's history, after what recovery said of earlier runs under a heading of its own.
std::wstring LogText(const std::vector<std::wstring>& recovery, const HistoryLog& history) {
    std::wstring text;
    if (!recovery.empty()) {
        text += ResKelvaroText(KText::EarlierRunHeading) + L"\r\n";
        for (const auto& line : recovery) text += line + L"\r\n";
        text += ResKelvaroText(KText::ThisRunHeading) + L"\r\n";
    }
    return text + history.Text();
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
        for (KText n : kUsageLines) console.Out(ResKelvaroText(n));
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
        if (!command.undo) names = ExpandNames(fs, command.names, error);
        std::wstring logFile;
        if (error.empty() && !command.logFile.empty()) {
            logFile = FullFileName(fs, command.logFile);
            if (IsKeptFile(fs, logFile, services.ownFiles, command.names))
                error = ResKelvaroText(KText::LogOnOwnFileError) + logFile;
            else if (!fs.WriteFileBytes(logFile, {}))
                error = ResKelvaroText(KText::LogNotWritableError) + logFile;
        }
        if (!error.empty()) {
            console.Error(error);
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
                std::any_of(names.begin(), names.end(), [](const ScriptName& name) { return HasWildcard(name.given); });
            if (!recovery.lines.empty() && patterns) {
                std::wstring again;
                auto expanded = ExpandNames(fs, command.names, again);
                if (again.empty()) names = std::move(expanded);
            }
        }

        const Report report{console, command.tsv};
        if (command.tsv) console.Out(TsvHeader());
        HistoryEcho echo(state.history, console);
        if (!command.tsv) state.history.SetObserver(&echo);
        size_t notDone = 0;
        if (command.undo) {
            notDone = RunUndo(state, appServices, services.stop, report);
        } else if (auto counted = RunFolders(command, names, state, appServices, services.stop, report)) {
            notDone = *counted;
        } else {
            return kExitUsage;  // the target list said why
        }
        state.history.SetObserver(nullptr);
        // With /TSV the output holds folders only; the counts and the closing line go with the other messages.
        if (command.tsv) {
            const size_t count = state.history.Count();
            if (count > 1 && IsSummaryLine(state.history.Line(count - 2))) console.Error(state.history.Line(count - 2));
            if (count > 0) console.Error(state.history.Line(count - 1));
        }
        // The clipboard, when asked for, gets what the log file gets.
        std::wstring text = LogText(recovery.lines, state.history);
        if (command.clip && !services.clipboard.SetText(text)) {
            // Said where it is seen: the console and the log.
            console.Error(ResKelvaroText(KText::NotCopiedLine));
            text += ResKelvaroText(KText::NotCopiedLine) + L"\r\n";
        }

        int code = notDone == 0 ? kExitAllDone : kExitNotAll;
        if (services.journal && services.journal->Failed()) code = kExitNotAll;  // a record was lost
        if (!logFile.empty() && !fs.WriteFileBytes(logFile, LogTextBytes(text, command.utf8))) {
            console.Error(ResKelvaroText(KText::LogNotWritableError) + logFile);
            code = kExitNotAll;
        }
        return code;
    } catch (...) {
        console.Error(L"Kelvaro2 RunScript ERR");
        return kExitNotAll;
    }
}

}  // namespace kelvaro
