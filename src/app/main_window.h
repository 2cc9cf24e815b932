#pragma once
#include <windows.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "model/app_state.h"
#include "model/run_driver.h"
#include "platform/unique_handle.h"
#include "windows/font.h"
#include "windows/hints.h"
#include "windows/about_dialog.h"
#include "windows/initial_folder_dialog.h"
#include "windows/alias_dialog.h"
#include "windows/option_dialog.h"
#include "windows/folder_windows.h"
#include "windows/list_windows.h"
#include "windows/message_pump.h"
#include "windows/mode_buttons.h"
#include "windows/preview_dialog.h"
#include "windows/runs_dialog.h"
#include "windows/shared_menu.h"
#include "windows/window_base.h"

namespace kelvaro {

// The main window: the MDI frame with the eight mode buttons and Cancel above the
// five child windows, the shared menu bar, and the run behind the buttons.
class MainWindow final : public WindowBase,
                         public IRunView,
                         public IChildHost,
                         public IAliasMaintenance,
                         public ISharedMenuActions {
public:
    MainWindow(AppState& state, Services& services);
    ~MainWindow() override;

    // Builds every window hidden, restores the position and shows the frame.
    bool Create(int show);

    void SetToolTip(bool on);
    void ApplyFont();
    void ShowOptions() override;
    void ShowAbout() override;
    void ExitProgram() override;
    void PickFont() override;
    void ShowUserGuide() override;
    void CopyHistory() override;
    void SaveHistory() override;
    void UpdateButtons() override;
    bool GoOnUnrecorded() override;
    bool TellsCaseApart(const std::wstring& dir) override { return services_.fs.TellsCaseApart(dir); }
    void EditInitialFolder() override;
    // The preview from the target list's popup: the last mode used preset.
    void PreviewThenRun();
    // Puts right what runs cut short left, with the window up and showing it
    // as it goes, then offers to finish a run cut short.
    void RecoverAtStart();

    // IRunView
    void SetRunning(bool running) override;
    void ShowEntry(size_t index) override;
    void ProcessPendingInput() override;
    void RunWork(const std::function<void()>& work) override;
    void EventsWaiting() override;
    void PaintProgress() override;
    void RefreshFolders() override;
    void OnWindowThread(const std::function<void()>& task) override;
    // Waits `ms` milliseconds before a folder in use is tried again, handling
    // input meanwhile; false as soon as Cancel was pressed.
    bool PauseForRetry(unsigned ms);
    // IChildHost
    void FocusHistory() override;
    void RestoreFrameMenu() override;
    void ShowChooserFolder(const std::wstring& path, bool force) override;
    void SetSourceFolder(const std::wstring& path) override;
    void FocusTargets() override;
    void HoldTargetPainting(bool held) override;
    bool CanUndo() override;
    // Takes the newest run not yet taken back; more than kAskBeforeUndo
    // folders only after a question with their number.
    void UndoLastRun() override;
    void ShowRuns() override;
    void UndoByKey() override;
    static constexpr size_t kAskBeforeUndo = 100;
    void ShowPreview() override { PreviewThenRun(); }
    // IAliasMaintenance
    bool Maintain(AliasTable& aliases) override;

    // The program's keys (F1, Ctrl+1 to Ctrl+8 for the mode buttons, F6 between
    // the button row and the child windows) and those of the controls (Tab,
    // Enter on a button); true when `msg` was one and has been handled.
    bool TranslateKeys(const MSG& msg) const;
    // The loop that hands the frame's messages on, with the MDI keyboard
    // interface and the keys above.
    MessagePump Pump() const;
    // The layout of the child windows and of Cancel, for the current size.
    void Layout();

    HWND MdiClient() const { return mdiClient_; }
    HWND ExeButton(int mode) const { return buttons_.Mode(mode); }
    HWND CancelButton() const { return buttons_.Cancel(); }
    // The bar at the bottom: how many folders the target list holds, during a
    // run how far it is ("123 / 1000"), never over a button.
    HWND StatusBar() const { return statusBar_; }
    HMENU FrameMenu() const { return menu_; }
    std::wstring HintOf(HWND control) const { return hints_.CurrentText(control); }
    SourceFolderWindow& SourceWindow() { return sourceWindow_; }
    FolderChooserWindow& ChooserWindow() { return chooserWindow_; }
    AliasDialog& AliasesDialog() { return aliasDialog_; }
    OptionDialog& Option() { return option_; }
    InitialFolderDialog& Default() { return default_; }
    PreviewDialog& Preview() { return preview_; }
    RunsDialog& Runs() { return runs_; }
    AboutDialog& About() { return about_; }
    TargetListWindow& Targets() { return targetWindow_; }
    HistoryWindow& History() { return historyWindow_; }
    ChangedListWindow& Changed() { return changedWindow_; }
    const std::array<ChildWindow*, 5>& Children() const { return children_; }
    bool Running() const { return driver_.Running(); }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // A run's thread has events for the lists waiting.
    static constexpr UINT kRunEventsMessage = WM_APP + 1;
    // A run's thread asks for a task on this one (lParam: the task).
    static constexpr UINT kWindowTaskMessage = WM_APP + 2;
    RenameServices RenameWith(ILineSink& history, ILineSink& changed);
    void CreateControls();
    bool LoadDialogs();
    void PropagateTip(bool on);
    void FontEveryWindow();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    UINT Dpi() const { return dpi_ ? dpi_ : WindowDpi(hwnd_); }
    void OnFirstActivate();
    void OnCommand(UINT id);
    // The run of a mode button, by `mode`, leaving alone the folders the preview left out.
    void RunMode(int16_t mode, const std::vector<bool>& leftOut = {});
    void OnClose();
    LRESULT OnQueryEndSession(LPARAM why);
    void OnEndSession(bool ending);
    void CloseSequence();
    bool TranslatePaneKeys(const MSG& msg) const;
    void FocusNextPane(bool backwards) const;
    void ShowFocusCues() const;
    void ReturnFocusAfterRun();

    AppState& state_;
    Services& services_;
    FolderListings runListings_{services_.fs};  // the running run's look at each parent
    RunDriver driver_;
    SourceFolderWindow sourceWindow_;
    FolderChooserWindow chooserWindow_;
    TargetListWindow targetWindow_;
    HistoryWindow historyWindow_;
    ChangedListWindow changedWindow_;
    std::array<ChildWindow*, 5> children_;
    AboutDialog about_;
    InitialFolderDialog default_;
    OptionDialog option_;
    AliasDialog aliasDialog_;
    PreviewDialog preview_;
    RunsDialog runs_;
    // Every dialog the window keeps: made, given the window's hints and font, and kept alike.
    const std::array<OwnedDialog*, 6> dialogs_{&about_, &default_, &option_, &aliasDialog_, &preview_, &runs_};
    int16_t lastMode_ = -1;  // the mode of the last run; none yet
    ModeButtons buttons_;
    HWND mdiClient_ = nullptr;
    HWND statusBar_ = nullptr;
    HMENU menu_ = nullptr;
    UniqueAccelerators accelerators_;
    HintSet hints_;
    SettingsFont font_;
    UINT dpi_ = 0;  // from the last DPI change, else the window's
    int panelPixels_ = 0;
    std::chrono::steady_clock::time_point lastPaint_;
    // How far the run of the target list is, shown beside Cancel with each repaint.
    size_t runDone_ = 0, runTotal_ = 0;
    void ShowProgress();
    void ShowStatus(const std::wstring& text);
    HWND focusBeforeRun_ = nullptr;  // where the keyboard was when the run started
    bool activated_ = false;
    bool closeAfterRun_ = false;
    bool closed_ = false;
};

// The message loop of the program, with the MDI keyboard interface.
int RunMainLoop(const MainWindow& window);

}  // namespace kelvaro
