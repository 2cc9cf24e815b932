#include "app/main_window.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "app/startup.h"
#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "operations/recovery.h"
#include "operations/run_history.h"
#include "operations/undo.h"
#include "platform/process_setup.h"

// The main window's side of a run: what it shows and asks while the folders
// are renamed, the thread they are renamed on, and a close during a run.
namespace kelvaro {

RenameServices MainWindow::RenameWith(ILineSink& history, ILineSink& changed) {
    return {services_.fs, history, changed, state_.settings.hiraganaToKatakana, services_.journal, &runListings_};
}

bool MainWindow::CanUndo() {
    // After a run without a record, the undo says why it takes nothing back.
    return services_.journal && !driver_.Running() &&
           (services_.journal->LastRunUnrecorded() || FoldersToUndo(*services_.journal) > 0);
}

void MainWindow::UndoLastRun() {
    if (!services_.journal || driver_.Running()) return;
    const size_t count = services_.journal->LastRunUnrecorded() ? 0 : FoldersToUndo(*services_.journal);
    if (count > kAskBeforeUndo && !services_.prompts.AskYesNo(FillIn(ResKelvaroText(KText::UndoManyQuestion), {count})))
        return;
    driver_.Undo(RenameWith(state_.history, state_.changed));
    // Closed during the undo: it stopped after the folder in hand, and the
    // window closes now (from 変更の記録, once that has closed).
    if (closeAfterRun_ && !runs_.Shown()) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

bool MainWindow::GoOnUnrecorded() {
    return services_.prompts.AskYesNoWarning(ResKelvaroText(KText::RunUnrecordedQuestion));
}

void MainWindow::UndoByKey() {
    if (CanUndo()) UndoLastRun();
}

void MainWindow::SetRunning(bool running) {
    runListings_.Clear();  // each run looks at the disk afresh
    if (running) {
        // The keyboard goes to Cancel (Enter, Space or Esc stop the run) and comes back afterwards.
        focusBeforeRun_ = GetActiveWindow() == hwnd_ ? GetFocus() : nullptr;
        buttons_.EnableModes(false);
        for (ChildWindow* child : children_) EnableWindow(child->Handle(), FALSE);
        for (ChildWindow* child : children_) child->EnableMenus(false);
        chooserWindow_.SelectClear();
        buttons_.EnableCancel(true);
        if (GetActiveWindow() == hwnd_) SetFocus(buttons_.Cancel());
        for (ChildWindow* child : children_) child->OnRunning(true);
        for (ChildWindow* child : children_) child->HoldPainting(true);
        lastPaint_ = std::chrono::steady_clock::now();
        runTotal_ = 0;  // until the run shows its first folder: an undo shows none
        ShowStatus(L"");
        return;
    }
    runTotal_ = 0;
    for (ChildWindow* child : children_) child->OnRunning(false);
    for (ChildWindow* child : children_) child->HoldPainting(false);
    for (ChildWindow* child : children_) EnableWindow(child->Handle(), TRUE);
    for (ChildWindow* child : children_) child->EnableMenus(true);
    UpdateButtons();
    ReturnFocusAfterRun();
    buttons_.EnableCancel(false);
}

// Where the focus was before the run, unless that control can no longer take
// it (a mode button of a list now empty): then the history, which has the result.
void MainWindow::ReturnFocusAfterRun() {
    const HWND focus = GetFocus();
    if (focus && focus != buttons_.Cancel()) return;
    const HWND before = std::exchange(focusBeforeRun_, nullptr);
    if (!focus && GetActiveWindow() != hwnd_) return;
    if (before && IsWindow(before) && IsWindowEnabled(before) && IsWindowVisible(before)) {
        SetFocus(before);
    } else {
        FocusHistory();
    }
}

void MainWindow::ShowEntry(size_t index) {
    runDone_ = index;
    if (runTotal_ == 0) {
        runTotal_ = state_.targets.Count();
        ShowProgress();
    }
}

void MainWindow::ShowProgress() {
    ShowStatus(std::to_wstring(runDone_) + L" / " + std::to_wstring(runTotal_));
}

void MainWindow::PaintProgress() {
    // The lists show the progress about 50 times a second; drawing them
    // after every line would keep the window's thread from answering.
    constexpr auto kPaintInterval = std::chrono::milliseconds(20);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPaint_ < kPaintInterval) return;
    for (ChildWindow* child : children_) child->HoldPainting(false);
    for (ChildWindow* child : children_) child->HoldPainting(true);
    if (runTotal_ > 0) ShowProgress();
    lastPaint_ = now;
}

void MainWindow::ProcessPendingInput() {
    PaintProgress();
    Pump().DeliverWaiting();
}

void MainWindow::RunWork(const std::function<void()>& work) {
    // The folders are renamed on a thread of their own; this one goes on
    // answering (moved, resized, repainted, Cancel) and shows what the run
    // tells, until the work is done.
    std::exception_ptr failure;
    const UniqueKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) return work();
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        SetEvent(done.get());
    });
    HANDLE wait = done.get();
    while (MsgWaitForMultipleObjects(1, &wait, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        if (!Pump().DeliverWaiting()) {
            // The program is asked to end: the run stops after the folder in hand, and is waited for.
            state_.stopRequested = true;
            // A task the run's thread sends meanwhile is still run, or both would wait for ever.
            MSG sent;
            while (MsgWaitForMultipleObjects(1, &wait, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0)
                PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

void MainWindow::OnWindowThread(const std::function<void()>& task) {
    if (GetWindowThreadProcessId(hwnd_, nullptr) == GetCurrentThreadId()) return task();
    // This thread waits; the window's thread runs the task as it answers.
    SendMessageW(hwnd_, kWindowTaskMessage, 0, reinterpret_cast<LPARAM>(&task));
}

void MainWindow::EventsWaiting() {
    PostMessageW(hwnd_, kRunEventsMessage, 0, 0);
}

bool MainWindow::PauseForRetry(unsigned ms) {
    // On a run's own thread the wait only listens for Cancel: the window's thread answers meanwhile.
    if (GetWindowThreadProcessId(hwnd_, nullptr) != GetCurrentThreadId())
        return PauseUnlessStopped(ms, state_.stopRequested);
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        ProcessPendingInput();
        if (state_.stopRequested) return false;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

void MainWindow::RunMode(int16_t mode, const std::vector<bool>& leftOut) {
    lastMode_ = mode;
    driver_.Run(mode, leftOut);
    if (closeAfterRun_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::PreviewThenRun() {
    if (driver_.Running()) return;
    const int16_t mode = lastMode_ >= 0 ? lastMode_ : state_.settings.autoMode;
    if (const auto chosen = preview_.Ask(mode)) RunMode(chosen->mode, chosen->leftOut);
}

void MainWindow::OnClose() {
    if (driver_.Running()) {
        // Finish the folder in hand, then close: never leave one under its temporary name.
        closeAfterRun_ = true;
        driver_.Cancel();
        return;
    }
    CloseSequence();
    DestroyWindow(hwnd_);
}

// Windows is shutting down, or an installer (through the Restart Manager)
// closes the program. An idle window says yes and closes at WM_ENDSESSION. A
// run stops after the folder in hand, records that it stopped, and the
// window then closes by itself: the Restart Manager waits for that; a
// shutdown is held meanwhile, with the reason Windows shows the user, and
// goes on once the program has ended.
LRESULT MainWindow::OnQueryEndSession(LPARAM why) {
    if (!driver_.Running()) return TRUE;
    closeAfterRun_ = true;
    driver_.Cancel();
    if (why & ENDSESSION_CLOSEAPP) return TRUE;
    ShutdownBlockReasonCreate(hwnd_, ResKelvaroText(KText::EndingSessionReason).c_str());
    return FALSE;
}

void MainWindow::OnEndSession(bool ending) {
    if (!ending) return;
    if (driver_.Running()) {
        // Windows ends the process when this returns (a shutdown that would not
        // wait): the settings are kept, and the next start puts right the folder in hand.
        driver_.Cancel();
        closeAfterRun_ = true;
        SettingsSave(services_.store, state_.settings);
        return;
    }
    CloseSequence();
    DestroyWindow(hwnd_);
}

void MainWindow::ShowRuns() {
    if (!services_.journal || driver_.Running()) return;
    RenameJournal& journal = *services_.journal;
    RunsSource source;
    source.read = [&journal] { return ReadRuns(journal); };
    source.running = [&journal](const ProcessStamp& writer) {
        return !(writer == journal.Store().Self()) && journal.Store().IsAlive(writer);
    };
    source.undo = [this] {
        UndoLastRun();
        return !closeAfterRun_;
    };
    const auto chosen = runs_.Ask(source, state_.settings.showTips);
    if (closeAfterRun_) {
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    } else if (chosen == RunsChoice::Resume && runs_.State().Resume()) {
        // Planned from the journal as /RESUME plans it: a folder a damaged line names is left out.
        const auto plan = PlanResume(journal);
        if (!plan) return;
        if (!FitsTargetList(*plan)) {
            services_.prompts.Notice(ResKelvaroText(KText::ResumeByCommandLine));
            return;
        }
        ResumeIntoTargets(state_.targets, state_.resumes, services_.fs, *plan);
        UpdateButtons();
    }
}

void MainWindow::RecoverAtStart() {
    if (!services_.journal) return;
    std::vector<std::string> cutShort;
    driver_.Recover([&](ILineSink& history) {
        try {
            RecoverInterrupted(services_.fs, *services_.journal, history, &cutShort);
        } catch (...) {
            RecordUnexpected("RecoverInterrupted");
        }
    });
    // Closed meanwhile: recovery went to its end (it is short), and the window closes now.
    if (closeAfterRun_) {
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return;
    }
    if (!cutShort.empty()) OfferResume(state_, services_);
    UpdateButtons();
}

}  // namespace kelvaro
