#include "app/startup.h"

#include <algorithm>

#include "app/command_line.h"
#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "engine/folder_rules.h"
#include "operations/recovery.h"
#include "operations/resume.h"
#include "operations/undo.h"
#include "engine/rename_dir.h"
#include "engine/rename_plan.h"
#include "model/run_driver.h"
#include "model/runs_state.h"

namespace kelvaro {

void OfferResume(AppState& state, Services& services) {
    try {
        const auto plan = PlanResume(*services.journal);
        if (plan && !FitsTargetList(*plan))
            services.prompts.Notice(ResKelvaroText(KText::ResumeByCommandLine));
        else if (plan && services.prompts.AskYesNo(
                             FillIn(ResKelvaroText(KText::ResumeQuestion), {plan->request.targets.size()})))
            ResumeIntoTargets(state.targets, state.resumes, services.fs, *plan);
    } catch (...) {
        RecordUnexpected("OfferResume");
    }
}

std::wstring RemovalQuestion() {
    return std::wstring(kAppTitle) + ResAllText(AText::RemoveSettingsQuestion);
}

size_t ListExecute(AppState& state,
                   Services& services,
                   int16_t mode,
                   const std::atomic<bool>* stop,
                   const FolderDone& folderDone,
                   size_t notFound,
                   const std::string& resumes,
                   const std::vector<bool>& leftOut) {
    FolderListings listings(services.fs);
    const RenameServices rename{services.fs,      state.history, state.changed, state.settings.hiraganaToKatakana,
                                services.journal, &listings};
    RunSession session(services.journal, state.history, RunKind::Run, resumes);
    session.Request(TargetRequest(mode, state.settings.hiraganaToKatakana), &state.targets, leftOut);
    size_t notDone = 0;
    TargetWalk hooks;
    hooks.before = [&](size_t i) {
        if ((stop && stop->load()) || session.Refused()) return false;
        state.targets.SetTopIndex(i);
        return true;
    };
    hooks.after = [&](size_t i, const FolderOutcome& outcome) {
        if (!outcome.Done()) ++notDone;
        if (folderDone) folderDone(i, outcome);
    };
    hooks.leftOut = leftOut;
    hooks.newPathOf = PlannedNewPaths(mode, state.settings.hiraganaToKatakana);
    hooks.tellsCaseApart = [&](const std::wstring& dir) { return services.fs.TellsCaseApart(dir); };
    const WalkEnd end =
        session.Walk(state.targets, [&](const std::wstring& path) { return RenameFolder(rename, path, mode); }, hooks);
    session.End();
    WalkEnd told = end;
    told.counts.notRenamed += notFound;
    state.history.AddLine(WalkSummaryLine(told));
    state.history.AddLine(ResAllText(end.stopped || end.journalFailed ? AText::StoppedLine : AText::AllFinishedLine));
    size_t skipped = 0;
    for (size_t i = 0; i < std::min(end.next, leftOut.size()); ++i) skipped += leftOut[i] ? 1 : 0;
    return notDone + (state.targets.Count() - end.next) + skipped;
}

void UndoExecute(AppState& state, Services& services) {
    state.settings.autoRunning = true;
    try {
        const RenameServices rename{services.fs, state.history, state.changed, state.settings.hiraganaToKatakana,
                                    services.journal};
        UndoLastRun(rename, nullptr);
        state.history.AddLine(
            ResAllText(services.journal && services.journal->Failed() ? AText::StoppedLine : AText::AllFinishedLine));
    } catch (...) {
        RecordUnexpected("UndoExecute");
        // The history so far is still copied.
    }
    if (state.settings.copyHistory) LogCopy(state.history, services.clipboard);
}

bool AutoExecute(AppState& state,
                 Services& services,
                 const std::wstring& commandLine,
                 bool* listTaken,
                 const ConfirmRun& confirm) {
    state.settings.autoRunning = true;
    try {
        state.stopRequested = false;
        CmdLine_ListIn(state.targets, services.fs, commandLine);
        if (listTaken) *listTaken = true;
        if (state.targets.Empty()) return false;
        RunChoice choice{state.settings.autoMode, {}};
        if (state.settings.confirmBeforeRun && confirm) {
            const auto chosen = confirm(state.settings.autoMode);
            if (!chosen) return true;  // キャンセル: nothing renamed, nothing copied
            choice = *chosen;
        }
        try {
            ListExecute(state, services, choice.mode, nullptr, {}, 0, {}, choice.leftOut);
        } catch (...) {
            RecordUnexpected("AutoExecute run");
            // The walk ends silently; the history so far is still copied.
        }
        if (state.settings.copyHistory) LogCopy(state.history, services.clipboard);
        return true;
    } catch (...) {
        RecordUnexpected("AutoExecute");
        return false;
    }
}

StartupOutcome RunStartup(AppState& state,
                          Services& services,
                          const std::wstring& commandLine,
                          const ConfirmRun& confirm,
                          bool recoverInWindow) {
    if (IsRemovalRequest(commandLine)) {
        try {
            if (services.prompts.AskYesNo(RemovalQuestion())) SettingsRemove(services.store);
        } catch (...) {
            RecordUnexpected("RemoveSettings");
        }
        return StartupOutcome::Exit;
    }
    try {
        SettingsLoad(services.store, state.settings);
        state.history.Refresh();
        // What a run cut short left behind is put right before anything else,
        // and the history says so first.
        std::vector<std::string> cutShort;
        if (services.journal && !(recoverInWindow && commandLine.empty())) {
            try {
                RecoverInterrupted(services.fs, *services.journal, state.history, &cutShort);
            } catch (...) {
                RecordUnexpected("RecoverInterrupted");
            }
        }
        if (IsUndoRequest(commandLine)) {
            UndoExecute(state, services);
            return StartupOutcome::Exit;
        }
        // When the automatic run found no usable folder, its reading of the
        // command line stands: reading it again would only repeat the limit message.
        bool listTaken = false;
        if (!commandLine.empty() && state.settings.autoRun &&
            AutoExecute(state, services, commandLine, &listTaken, confirm))
            return StartupOutcome::Exit;
        state.settings.autoRunning = false;
        state.stopRequested = false;
        if (!commandLine.empty() && !listTaken) {
            try {
                CmdLine_ListIn(state.targets, services.fs, commandLine);
            } catch (...) {
                RecordUnexpected("CmdLine_ListIn");
                state.targets.Refresh();
            }
        }
        if (!cutShort.empty()) OfferResume(state, services);
        return StartupOutcome::ShowMain;
    } catch (...) {
        RecordUnexpected("RunStartup");
        services.prompts.Notice(L"Kelvaro2 frmKelvaro MDIForm_Load ERR");
        return StartupOutcome::Exit;
    }
}

}  // namespace kelvaro
