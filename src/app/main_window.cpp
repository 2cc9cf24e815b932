#include "app/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <thread>
#include <utility>

#include "app/log_file.h"
#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "operations/run_history.h"
#include "operations/undo.h"
#include "engine/rename_dir.h"
#include "model/menu_actions.h"
#include "resource.h"
#include "settings/window_position.h"

namespace kelvaro {
namespace {

constexpr const wchar_t* kFrameClass = L"Kelvaro2Frame";
constexpr UINT kFirstChildId = 50000;
// A run's thread has events for the lists waiting.
constexpr UINT kRunEventsMessage = WM_APP + 1;

}  // namespace

MainWindow::MainWindow(AppState& state, Services& services)
    : state_(state),
      services_(services),
      driver_(
          state,
          *this,
          [this](const std::wstring& path, int16_t mode, ILineSink& history, ILineSink& changed) {
              return RenameFolder(RenameWith(history, changed), path, mode);
          },
          services.journal),
      sourceWindow_(state, services, *this, *this),
      chooserWindow_(state, services, *this),
      targetWindow_(state, services, *this),
      historyWindow_(state, services, *this),
      changedWindow_(state, services, *this),
      children_{&sourceWindow_, &chooserWindow_, &targetWindow_, &historyWindow_, &changedWindow_},
      about_(services),
      default_(state, services, [this] { return sourceWindow_.DirName(); }),
      option_(state, services),
      aliasDialog_(state, services),
      preview_(state, services) {}

RenameServices MainWindow::RenameWith(ILineSink& history, ILineSink& changed) {
    return {services_.fs, history, changed, state_.settings.Hira, services_.journal, &runListings_};
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
    const auto chosen = runs_.Ask(source, state_.settings.Tip);
    if (closeAfterRun_) {
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    } else if (chosen == RunsChoice::Resume && runs_.State().Resume()) {
        if (!FitsTargetList(*runs_.State().Resume())) {
            services_.prompts.Notice(ResKelvaroText(KText::ResumeByCommandLine));
            return;
        }
        ResumeIntoTargets(state_.targets, state_.resumes, services_.fs, *runs_.State().Resume());
        UpdateButtons();
    }
}

MainWindow::~MainWindow() {
    if (hwnd_ && IsWindow(hwnd_)) {
        // Children first, while the frame still exists.
        for (ChildWindow* child : children_)
            if (child->Handle()) DestroyWindow(child->Handle());
    }
    if (menu_ && IsMenu(menu_) && (!hwnd_ || GetMenu(hwnd_) != menu_)) DestroyMenu(menu_);
}

bool MainWindow::Create(int show) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterClassOnce(kFrameClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                      LoadIconW(instance, MAKEINTRESOURCEW(IDI_KELVARO2)));
    menu_ = CreateSharedMenu();
    // F1 anywhere in the program does what the Help item does; Ctrl+Z takes the last run back;
    // Ctrl+1 to Ctrl+8 (on the keypad too) press the mode buttons from the left.
    std::vector<ACCEL> keys{{FVIRTKEY, VK_F1, static_cast<WORD>(kMenuHelp)},
                            {FVIRTKEY | FCONTROL, 'Z', static_cast<WORD>(kMenuUndoLast)}};
    for (int i = 0; i < kModeCount; ++i) {
        const auto command = static_cast<WORD>(ModeButtons::kFirstModeId + i);
        keys.push_back({FVIRTKEY | FCONTROL, static_cast<WORD>('1' + i), command});
        keys.push_back({FVIRTKEY | FCONTROL, static_cast<WORD>(VK_NUMPAD1 + i), command});
    }
    accelerators_.reset(CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
    CreateWindowExW(0, kFrameClass, ResKelvaroText(KText::ProgramTitle).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                    CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, menu_, instance, this);
    if (!hwnd_) return false;
    try {
        CreateControls();
        SetToolTip(state_.settings.Tip);
        for (ChildWindow* child : children_) {
            if (!child->Load(mdiClient_)) {
                DestroyWindow(hwnd_);
                return false;
            }
        }
        if (!LoadDialogs()) {
            DestroyWindow(hwnd_);
            return false;
        }
        SetWindowIcons(hwnd_, IDI_KELVARO2, Dpi());
        FontEveryWindow();
        const UINT dpi = WindowDpi(hwnd_);
        RECT frame{0, 0, buttons_.PanelWidth(), 0};
        AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, TRUE, 0, dpi);
        const MainPosition position =
            ReadMainPosition(services_.store, ScreenTwipsNow(), PixelsToTwips(frame.right - frame.left, dpi));
        MoveWindow(hwnd_, TwipsToPixels(position.rect.left, dpi), TwipsToPixels(position.rect.top, dpi),
                   TwipsToPixels(position.rect.width, dpi), TwipsToPixels(position.rect.height, dpi), FALSE);
        state_.stopRequested = false;
        buttons_.EnableCancel(false);
        activated_ = false;
        const int command = position.windowState == 1   ? SW_SHOWMINIMIZED
                            : position.windowState == 2 ? SW_SHOWMAXIMIZED
                                                        : show;
        ShowWindow(hwnd_, command);
        UpdateWindow(hwnd_);
    } catch (...) {
        RecordUnexpected("MainWindow::Load");
        services_.prompts.Notice(L"Kelvaro2 frmKelvaro MDIForm_Load ERR");
        DestroyWindow(hwnd_);
        return false;
    }
    return true;
}

void MainWindow::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    buttons_.Create(hwnd_);
    CLIENTCREATESTRUCT client{nullptr, kFirstChildId};
    mdiClient_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 100, 100,
                                 hwnd_, nullptr, instance, &client);
    statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                                 nullptr, instance, nullptr);
    hints_.Create(hwnd_);
    buttons_.AddHints(hints_);
}

// The about box may fail to load without a word; the others end the program.
bool MainWindow::LoadDialogs() {
    const ScreenTwips screen = ScreenTwipsNow();
    about_.Load(hwnd_, screen);
    const std::pair<bool, const wchar_t*> loads[] = {
        {default_.Load(hwnd_, screen), L"Kelvaro2 frmDefault Form_Load ERR"},
        {option_.Load(hwnd_, screen), L"Kelvaro2 frmOption Form_Load ERR"},
        {aliasDialog_.Load(hwnd_, screen), L"frmMenuMente Form_Load ERR"},
        {preview_.Load(hwnd_, screen), L"Kelvaro2 frmPreview Form_Load ERR"},
        {runs_.Load(hwnd_), L"Kelvaro2 frmRuns Form_Load ERR"}};
    for (const auto& [loaded, message] : loads) {
        if (!loaded) {
            services_.prompts.Notice(message);
            return false;
        }
    }
    return true;
}

void MainWindow::PropagateTip(bool on) {
    default_.SetToolTip(on);
    aliasDialog_.SetToolTip(on);
    option_.SetToolTip(on);
    preview_.SetToolTip(on);
    runs_.SetToolTip(on);
    SetToolTip(on);
    for (ChildWindow* child : children_) child->SetToolTip(on);
}

void MainWindow::SetToolTip(bool on) {
    hints_.SetToolTip(on);
}

void MainWindow::ShowOptions() {
    const auto form = option_.Ask(OptionsForm::FromSettings(state_.settings));
    if (form && form->ToSettings(state_.settings)) PropagateTip(state_.settings.Tip);
}

void MainWindow::ShowAbout() {
    about_.Ask();
}

void MainWindow::EditInitialFolder() {
    if (const auto choice = default_.Ask(InitialFolderQuestion(state_.settings))) {
        state_.settings.Dir_In = choice->folder;
        state_.settings.Dir_In_Enabled = choice->switchOn;
    }
}

void MainWindow::ApplyFont() {
    const HFONT font = font_.Create(state_.settings, Dpi());
    panelPixels_ = buttons_.SetFont(font);
    SendMessageW(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Layout();
}

void MainWindow::Layout() {
    if (!mdiClient_) return;
    RECT frame{};
    GetClientRect(hwnd_, &frame);
    const int panel = panelPixels_ ? panelPixels_ : buttons_.DefaultPanelHeight();
    // The status bar sizes itself to the frame and to its font.
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(statusBar_, &status);
    const int statusHeight = status.bottom - status.top;
    MoveWindow(mdiClient_, 0, panel, frame.right, std::max<int>(0, frame.bottom - panel - statusHeight), TRUE);

    if (state_.settings.Resize) ArrangeChildren(mdiClient_, children_, false);
    buttons_.PlaceCancel(frame.right);
}

void MainWindow::UpdateButtons() {
    buttons_.EnableModes(!state_.targets.Empty());
    if (!driver_.Running())
        ShowStatus(FillIn(ResKelvaroText(KText::TargetCountStatus), {static_cast<uint64_t>(state_.targets.Count())}));
}

void MainWindow::ShowStatus(const std::wstring& text) {
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
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
    // The lists show the progress about 25 times a second; drawing them
    // after every line would keep the window's thread from answering.
    constexpr auto kPaintInterval = std::chrono::milliseconds(40);
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
        Pump().DeliverWaiting();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

void MainWindow::EventsWaiting() {
    PostMessageW(hwnd_, kRunEventsMessage, 0, 0);
}

bool MainWindow::PauseForRetry(unsigned ms) {
    // On a run's own thread the wait only listens for Cancel: the window's thread answers meanwhile.
    if (GetWindowThreadProcessId(hwnd_, nullptr) != GetCurrentThreadId()) {
        constexpr unsigned kSlice = 20;
        for (unsigned waited = 0; waited < ms && !state_.stopRequested; waited += kSlice)
            Sleep(std::min(kSlice, ms - waited));
        return !state_.stopRequested;
    }
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        ProcessPendingInput();
        if (state_.stopRequested) return false;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// The browser re-reads its folder and has the chooser list it anew, once.
void MainWindow::RefreshFolders() {
    sourceWindow_.Refresh();
}

void MainWindow::ShowChooserFolder(const std::wstring& path, bool force) {
    chooserWindow_.Chooser().SetDirName(path, force);
}

void MainWindow::SetSourceFolder(const std::wstring& path) {
    sourceWindow_.SetDirName(path);
}

void MainWindow::FocusTargets() {
    SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(targetWindow_.Handle()), 0);
    SetFocus(targetWindow_.List());
}

void MainWindow::HoldTargetPainting(bool held) {
    targetWindow_.HoldPainting(held);
}

bool MainWindow::Maintain(AliasTable& aliases) {
    const auto edited = aliasDialog_.Ask(aliases);
    if (edited) aliases = *edited;
    return edited.has_value();
}

void MainWindow::FocusHistory() {
    SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(historyWindow_.Handle()), 0);
    SetFocus(historyWindow_.List());
}

void MainWindow::RestoreFrameMenu() {
    if (!mdiClient_ || closed_) return;
    SendMessageW(mdiClient_, WM_MDISETMENU, reinterpret_cast<WPARAM>(menu_), 0);
    DrawMenuBar(hwnd_);
}

void MainWindow::OnFirstActivate() {
    if (activated_) return;
    activated_ = true;
    try {
        Layout();
        if (!state_.settings.Resize) ArrangeChildren(mdiClient_, children_, true);
        for (ChildWindow* child : children_) ShowWindow(child->Handle(), SW_SHOWNOACTIVATE);
        UpdateButtons();
        // The browser is the active child window: its caption, its copy of the
        // menu bar (greyed during a run) and the focus on its drive list agree.
        SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(sourceWindow_.Handle()), 0);
        SetFocus(sourceWindow_.DriveList());
    } catch (...) {
        RecordUnexpected("MainWindow::Activate");
        services_.prompts.Notice(L"Kelvaro2 frmKelvaro MDIForm_Activate ERR");
        DestroyWindow(hwnd_);
    }
}

void MainWindow::ExitProgram() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::PickFont() {
    if (ChooseSettingsFont(state_.settings, services_.prompts)) FontEveryWindow();
}

// The main window, the child windows and the four dialogs (the alias dialog
// too: it would otherwise keep the start-up font until the next start).
void MainWindow::FontEveryWindow() {
    ApplyFont();
    for (ChildWindow* child : children_) child->ApplyFont(font_.Get());
    about_.ApplyFont(font_.Get(), Dpi());
    option_.ApplyFont(font_.Get(), Dpi());
    default_.ApplyFont(font_.Get(), Dpi());
    preview_.ApplyFont(font_.Get(), Dpi());
    runs_.ApplyFont(font_.Get(), Dpi());
    aliasDialog_.ApplyFont(font_.Get(), Dpi());
}

void MainWindow::ShowUserGuide() {
    OpenHelp(services_.fs, services_.prompts);
}

bool MainWindow::TranslateKeys(const MSG& msg) const {
    // The accelerator table only reads the message.
    if (hwnd_ && accelerators_ && TranslateAcceleratorW(hwnd_, accelerators_.get(), const_cast<MSG*>(&msg)))
        return true;
    return TranslatePaneKeys(msg) || TranslateChildKeys(mdiClient_, msg);
}

// F6 and Shift+F6 go round the panes, the button row and the five child
// windows; in the row, Tab and Shift+Tab go round its buttons and Enter
// presses one; during a run, Esc presses Cancel.
bool MainWindow::TranslatePaneKeys(const MSG& msg) const {
    if (msg.message != WM_KEYDOWN || !hwnd_ || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool inRow = buttons_.Holds(msg.hwnd);
    switch (msg.wParam) {
        case VK_F6:
            FocusNextPane(shift);
            return true;
        case VK_ESCAPE:
            if (!driver_.Running()) return false;
            SendMessageW(buttons_.Cancel(), BM_CLICK, 0, 0);
            return true;
        case VK_TAB:
            if (!inRow) return false;
            if (const HWND next = buttons_.NextInRow(msg.hwnd, shift)) SetFocus(next);
            ShowFocusCues();
            return true;
        case VK_RETURN:
            if (!inRow) return false;
            SendMessageW(msg.hwnd, BM_CLICK, 0, 0);
            return true;
        default:
            return false;
    }
}

void MainWindow::FocusNextPane(bool backwards) const {
    // Pane 0 is the button row, 1 to 5 the child windows in their order.
    constexpr int kPanes = 1 + 5;
    const HWND focus = GetFocus();
    int pane = buttons_.Holds(focus) ? 0 : -1;
    for (size_t i = 0; i < children_.size() && pane < 0; ++i)
        if (focus && (focus == children_[i]->Handle() || IsChild(children_[i]->Handle(), focus)))
            pane = static_cast<int>(i) + 1;
    if (pane < 0) pane = backwards ? 0 : kPanes - 1;
    for (int step = 1; step <= kPanes; ++step) {
        const int next = (pane + (backwards ? kPanes - step : step)) % kPanes;
        if (next == 0) {
            if (const HWND button = buttons_.NextInRow(nullptr, false)) {
                SetFocus(button);
                ShowFocusCues();
                return;
            }
            continue;
        }
        const HWND child = children_[static_cast<size_t>(next - 1)]->Handle();
        if (!IsWindowEnabled(child) || !IsWindowVisible(child)) continue;
        SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
        SetFocus(child);  // the child hands it to its first control
        ShowFocusCues();
        return;
    }
}

// Moved by keyboard: focus rectangles are drawn from now on.
void MainWindow::ShowFocusCues() const {
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

MessagePump MainWindow::Pump() const {
    return MessagePump(
        [this](MSG& msg) { return (mdiClient_ && TranslateMDISysAccel(mdiClient_, &msg)) || TranslateKeys(msg); });
}

void MainWindow::CopyHistory() {
    LogCopy(state_.history, services_.clipboard);
}

void MainWindow::SaveHistory() {
    LogSave(state_.history, services_.fs, services_.prompts);
}

void MainWindow::RunMode(int16_t mode, const std::vector<bool>& leftOut) {
    lastMode_ = mode;
    driver_.Run(mode, leftOut);
    if (closeAfterRun_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::PreviewThenRun() {
    if (driver_.Running()) return;
    const int16_t mode = lastMode_ >= 0 ? lastMode_ : state_.settings.AutoExe;
    if (const auto chosen = preview_.Ask(mode)) RunMode(chosen->mode, chosen->leftOut);
}

void MainWindow::OnCommand(UINT id) {
    if (id >= ModeButtons::kFirstModeId && id < ModeButtons::kFirstModeId + kModeCount) {
        const auto mode = static_cast<int16_t>(id - ModeButtons::kFirstModeId);
        // A shortcut does what its button does, and nothing while the button is off.
        if (driver_.Running() || !IsWindowEnabled(buttons_.Mode(mode))) return;
        // With the option on, the button shows the preview first and runs on 実行 only.
        if (!state_.settings.Confirm) {
            RunMode(mode);
        } else if (const auto chosen = preview_.Ask(mode)) {
            RunMode(chosen->mode, chosen->leftOut);
        }
    } else if (id == ModeButtons::kCancelId) {
        driver_.Cancel();
    } else {
        OnSharedMenu(id, *this);
    }
}

// Moved to a screen of another DPI: the buttons keep their size in twips (PlaceButtons),
// the fonts are made anew, and everything is laid out again.
void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowIcons(hwnd_, IDI_KELVARO2, dpi);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FontEveryWindow();
}

void MainWindow::CloseSequence() {
    if (closed_) return;
    closed_ = true;
    try {
        const int16_t windowState = ShowStateOf(hwnd_);
        SendMessageW(mdiClient_, WM_MDISETMENU, reinterpret_cast<WPARAM>(menu_), 0);
        for (ChildWindow* child : children_) child->Unload(windowState == 0);
        about_.Unload();
        default_.Unload();
        option_.Unload();
        aliasDialog_.Unload();
        preview_.Unload();
        WriteMainPosition(services_.store, MainPosition{WindowRectTwips(hwnd_), windowState});
        SettingsSave(services_.store, state_.settings);
        ShutdownBlockReasonDestroy(hwnd_);  // a shutdown held for a run goes on
    } catch (...) {
        // The program closes all the same.
    }
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

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kRunEventsMessage:
            driver_.DeliverEvents();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) OnFirstActivate();
            break;
        case WM_COMMAND:
            if (!lParam || HIWORD(wParam) == BN_CLICKED) OnCommand(LOWORD(wParam));
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_SYSCOLORCHANGE:
            // High contrast on or off: the status bar, a common control, takes the new colours when told.
            SendMessageW(statusBar_, WM_SYSCOLORCHANGE, wParam, lParam);
            break;
        case WM_QUERYENDSESSION:
            return OnQueryEndSession(lParam);
        case WM_ENDSESSION:
            OnEndSession(wParam != FALSE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

LRESULT MainWindow::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcW(hwnd_, mdiClient_, message, wParam, lParam);
}

int RunMainLoop(const MainWindow& window) {
    return window.Pump().Run().value_or(0);
}

}  // namespace kelvaro
