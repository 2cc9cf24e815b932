#include "app/script_run.h"

#include <windows.h>

#include <algorithm>

#include "model/app_state.h"
#include "app/script_names.h"
#include "app/script_output.h"
#include "app/script_session.h"
#include "model/run_driver.h"
#include "app/startup.h"
#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "operations/recovery.h"
#include "operations/resume.h"
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

void PrintUsage(IConsole& console) {
    for (KText n : kUsageLines) {
        std::wstring line = ResKelvaroText(n);
        if (n == KText::UsageModeNames)
            for (const ModeRow& mode : Modes()) line += std::wstring(L" ") + mode.name;
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
    RunRequest request = TargetRequest(c.command.mode, c.state.settings.hiraganaToKatakana);
    if (c.command.subfolders) request.flags += kEveryDepthFlag;
    if (c.command.hidden) request.flags += kHiddenFlag;  // so that /RESUME walks as this run did
    for (const auto& name : names) request.targets.insert(request.targets.end(), name.paths.begin(), name.paths.end());
    if (!c.command.subfolders) request.total = request.targets.size();
    return RunFolders(c, feed, &request, {});
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
