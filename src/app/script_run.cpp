#include "app/script_run.h"

#include "engine/journal_actions.h"

#include "app/app_state.h"
#include "app/log_file.h"
#include "app/startup.h"
#include "engine/catalog.h"
#include "engine/disk_paths.h"
#include "engine/rename_plan.h"

namespace kelvaro {

namespace {

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

// `name` as a full path: the current folder taken now, before any rename can move it.
std::wstring FullFileName(IFileSystem& fs, const std::wstring& name) {
    const bool drive = name.size() >= 3 && name[1] == L':' && (name[2] == L'\\' || name[2] == L'/');
    if (drive || name.compare(0, 2, L"\\\\") == 0) return name;
    std::wstring dir = fs.CurrentDir();
    if (!name.empty() && name[0] == L'\\') return dir.substr(0, 2) + name;
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    return dir + name;
}

// The names of the command line with every @listfile replaced by its lines.
// On failure `error` holds the complaint.
std::vector<std::wstring> ExpandNames(IFileSystem& fs, const std::vector<std::wstring>& given, std::wstring& error) {
    std::vector<std::wstring> names;
    for (const auto& name : given) {
        if (name.front() != L'@') {
            names.push_back(name);
            continue;
        }
        const std::wstring file = name.substr(1);
        std::optional<std::vector<std::wstring>> lines;
        if (!file.empty())
            if (auto bytes = fs.ReadFileBytes(file)) lines = ListFileNames(*bytes);
        if (!lines) {
            error = ResKelvaroText(24012) + file;
            return {};
        }
        names.insert(names.end(), lines->begin(), lines->end());
    }
    return names;
}

}  // namespace

std::wstring PlanLine(const PlanEntry& entry) {
    std::wstring line = PlanStateText(entry.state);
    line += L'\t';
    line += entry.path;
    if (!entry.newPath.empty() && entry.newPath != entry.path) {
        line += L'\t';
        line += entry.newPath;
    }
    if (entry.belowRenamed) line += ResKelvaroText(22019);
    return line;
}

int RunScript(const ScriptCommand& command, ScriptServices& services) {
    IConsole& console = services.console;
    if (command.usage) {
        for (int16_t n = 24000; n <= 24008; ++n) console.Out(ResKelvaroText(n));
        return kExitAllDone;
    }
    if (!command.error.empty()) {
        console.Error(command.error);
        console.Error(ResKelvaroText(25000));
        return kExitUsage;
    }
    try {
        std::wstring error;
        const std::vector<std::wstring> names = ExpandNames(services.fs, command.names, error);
        if (!error.empty()) {
            console.Error(error);
            return kExitUsage;
        }

        ConsolePrompts prompts(console);
        Services appServices{services.store, services.fs, services.clipboard, prompts, services.journal};
        AppState state(prompts);
        SettingsLoad(services.store, state.settings);
        state.settings.blnAutoRunning = true;
        HistoryEcho echo(state.history, console);
        state.history.SetObserver(&echo);
        // A folder a run cut short left under its temporary name is put back
        // before the names are looked up; a dry run touches nothing.
        if (services.journal && !command.dryRun) RecoverInterrupted(services.fs, *services.journal, state.history);

        // The target list's rules, with each name that is no folder reported
        // instead of skipped in silence; a full list ends everything (the
        // list's own message says why).
        std::vector<std::wstring> missing;
        const std::vector<std::wstring> canonical = ExistingDirNames(services.fs, names);
        for (size_t i = 0; i < names.size(); ++i) {
            if (canonical[i].empty())
                missing.push_back(names[i]);
            else if (!state.targets.ListInAdd(canonical[i]))
                return kExitUsage;
        }

        std::wstring logFile;
        if (!command.logFile.empty()) {
            logFile = FullFileName(services.fs, command.logFile);
            if (!services.fs.WriteFileBytes(logFile, {})) {
                console.Error(ResKelvaroText(24017) + logFile);
                return kExitUsage;
            }
        }

        for (const auto& name : missing) state.history.ListInAdd(ResKelvaroText(24020) + name);

        size_t notDone = missing.size();
        if (command.dryRun) {
            std::vector<std::wstring> paths;
            for (size_t i = 0; i < state.targets.Count(); ++i) paths.push_back(state.targets.Text(i));
            for (const auto& entry : PlanRun(services.fs, paths, command.mode, state.settings.Hira)) {
                state.history.ListInAdd(PlanLine(entry));
                if (!PlanDone(entry.state)) ++notDone;
            }
            state.history.ListInAdd(ResKelvaroText(24040));
        } else {
            notDone += ListExecute(state, appServices, command.mode, services.stop);
            if (state.settings.AutoLog) LogCopy(state.history, services.clipboard);
        }
        state.history.SetObserver(nullptr);

        int code = notDone == 0 ? kExitAllDone : kExitNotAll;
        if (services.journal && services.journal->Failed()) code = kExitNotAll;  // a record was lost
        if (!logFile.empty() && !services.fs.WriteFileBytes(logFile, LogBytes(state.history))) {
            console.Error(ResKelvaroText(24017) + logFile);
            code = kExitNotAll;
        }
        return code;
    } catch (...) {
        console.Error(L"Kelvaro2 RunScript ERR");
        return kExitNotAll;
    }
}

}  // namespace kelvaro
