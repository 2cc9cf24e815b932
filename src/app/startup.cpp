#include "app/startup.h"

#include "app/command_line.h"
#include "engine/catalog.h"
#include "engine/rename_dir.h"
#include "engine/rename_plan.h"

namespace kelvaro {

std::wstring RemovalQuestion() {
    return std::wstring(kAppTitle) + ResKelvaroText(0) + ResAllText(20);
}

void ListExecute(AppState& state, Services& services, int16_t mode) {
    LastPathSink changed(state.changed);
    const RenameServices rename{services.fs, state.history, changed, state.settings.Hira};
    const size_t count = state.targets.Count();
    for (size_t i = 0; i < count; ++i) {
        state.targets.SetTopIndex(i);
        const std::wstring path = state.targets.Text(i);
        changed.Clear();
        // A folder further down that lies below a renamed one is found under its new name.
        if (RenameDir(rename, path, mode) == kRenameDone && !changed.Last().empty() && changed.Last() != path)
            state.targets.FollowRenamed(i + 1, path, changed.Last());
    }
    state.history.ListInAdd(ResAllText(31));
}

bool AutoExecute(AppState& state, Services& services, const std::wstring& commandLine, bool* listTaken) {
    state.settings.blnAutoRunning = true;
    try {
        state.blnCancel = false;
        CmdLine_ListIn(state.targets, services.fs, commandLine);
        if (listTaken) *listTaken = true;
        if (state.targets.Empty()) return false;
        try {
            ListExecute(state, services, state.settings.AutoExe);
        } catch (...) {
            // The walk ends silently; the history so far is still copied.
        }
        if (state.settings.AutoLog) LogCopy(state.history, services.clipboard);
        return true;
    } catch (...) {
        return false;
    }
}

StartupOutcome RunStartup(AppState& state, Services& services, const std::wstring& commandLine) {
    if (IsRemovalRequest(commandLine)) {
        try {
            if (services.prompts.AskYesNo(RemovalQuestion())) SettingsRemove(services.store);
        } catch (...) {
        }
        return StartupOutcome::Exit;
    }
    try {
        SettingsLoad(services.store, state.settings);
        // When the automatic run found no usable folder, its reading of the
        // command line stands: reading it again would only repeat the limit message.
        bool listTaken = false;
        if (!commandLine.empty() && state.settings.Auto && AutoExecute(state, services, commandLine, &listTaken))
            return StartupOutcome::Exit;
        state.settings.blnAutoRunning = false;
        state.blnCancel = false;
        state.history.RefreshForm();
        if (!commandLine.empty() && !listTaken) {
            try {
                CmdLine_ListIn(state.targets, services.fs, commandLine);
            } catch (...) {
                state.targets.RefreshForm();
            }
        }
        return StartupOutcome::ShowMain;
    } catch (...) {
        services.prompts.Notice(L"Kelvaro2 frmKelvaro MDIForm_Load ERR");
        return StartupOutcome::Exit;
    }
}

}  // namespace kelvaro
