#include "app/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "app/log_file.h"
#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "engine/rename_dir.h"
#include "model/menu_actions.h"
#include "resource.h"
#include "settings/window_position.h"

namespace kelvaro {
namespace {

constexpr const wchar_t* kFrameClass = L"Kelvaro2Frame";
constexpr UINT kFirstChildId = 50000;

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
    // Ctrl+1 to Ctrl+9 (on the keypad too) press the mode buttons from the left.
    std::vector<ACCEL> keys{{FVIRTKEY, VK_F1, static_cast<WORD>(kMenuHelp)},
                            {FVIRTKEY | FCONTROL, 'Z', static_cast<WORD>(kMenuUndoLast)}};
    for (int i = 0; i < std::min(ModeCount(), 9); ++i) {
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
        SetToolTip(state_.settings.showTips);
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

// A dialog that cannot be made ends the program with its box (the about box goes without).
bool MainWindow::LoadDialogs() {
    const ScreenTwips screen = ScreenTwipsNow();
    for (OwnedDialog* dialog : dialogs_) {
        if (dialog->Load(hwnd_, screen) || !*dialog->LoadError()) continue;
        services_.prompts.Notice(dialog->LoadError());
        return false;
    }
    return true;
}

void MainWindow::PropagateTip(bool on) {
    for (OwnedDialog* dialog : dialogs_) dialog->SetToolTip(on);
    SetToolTip(on);
    for (ChildWindow* child : children_) child->SetToolTip(on);
}

void MainWindow::SetToolTip(bool on) {
    hints_.SetToolTip(on);
}

void MainWindow::ShowOptions() {
    const auto form = option_.Ask(OptionsForm::FromSettings(state_.settings));
    if (form && form->ToSettings(state_.settings)) PropagateTip(state_.settings.showTips);
}

void MainWindow::ShowAbout() {
    about_.Ask();
}

void MainWindow::EditInitialFolder() {
    if (const auto choice = default_.Ask(InitialFolderQuestion(state_.settings))) {
        state_.settings.initialFolder = choice->folder;
        state_.settings.initialFolderOn = choice->switchOn;
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

    if (state_.settings.resizeChildren) ArrangeChildren(mdiClient_, children_, false);
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

// The browser re-reads its folder and has the chooser list it anew, once.
void MainWindow::RefreshFolders() {
    // A run that changed nothing the windows show costs no repainting.
    sourceWindow_.Refresh(false);
}

void MainWindow::ShowChooserFolder(const std::wstring& path, bool force) {
    chooserWindow_.Chooser().SetDirName(path, force);
}

void MainWindow::SetSourceFolder(const std::wstring& path) {
    sourceWindow_.SetDirName(path);
}

void MainWindow::HoldTargetPainting(bool held) {
    targetWindow_.HoldPainting(held);
}

bool MainWindow::Maintain(AliasTable& aliases) {
    const auto edited = aliasDialog_.Ask(aliases);
    if (edited) aliases = *edited;
    return edited.has_value();
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
        if (!state_.settings.resizeChildren) ArrangeChildren(mdiClient_, children_, true);
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

// The main window, the child windows and every dialog.
void MainWindow::FontEveryWindow() {
    ApplyFont();
    for (ChildWindow* child : children_) child->ApplyFont(font_.Get());
    for (OwnedDialog* dialog : dialogs_) dialog->ApplyFont(font_.Get(), Dpi());
}

void MainWindow::ShowUserGuide() {
    OpenHelp(services_.fs, services_.prompts);
}

void MainWindow::CopyHistory() {
    LogCopy(state_.history, services_.clipboard);
}

void MainWindow::SaveHistory() {
    LogSave(state_.history, services_.fs, services_.prompts);
}

void MainWindow::OnCommand(UINT id) {
    if (id >= ModeButtons::kFirstModeId && id < ModeButtons::kFirstModeId + ModeCount()) {
        const auto mode = static_cast<int16_t>(id - ModeButtons::kFirstModeId);
        // A shortcut does what its button does, and nothing while the button is off.
        if (driver_.Running() || !IsWindowEnabled(buttons_.Mode(mode))) return;
        // With the option on, the button shows the preview first and runs on 実行 only.
        if (!state_.settings.confirmBeforeRun) {
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
        for (OwnedDialog* dialog : dialogs_) dialog->Unload();
        WriteMainPosition(services_.store, MainPosition{WindowRectTwips(hwnd_), windowState});
        SettingsSave(services_.store, state_.settings);
        ShutdownBlockReasonDestroy(hwnd_);  // a shutdown held for a run goes on
    } catch (...) {
        // The program closes all the same.
    }
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kRunEventsMessage:
            driver_.DeliverEvents();
            return 0;
        case kWindowTaskMessage:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
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
