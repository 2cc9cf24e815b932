#include "app/main_window.h"

#include <algorithm>
#include <cmath>

#include "app/log_file.h"
#include "engine/catalog.h"
#include "engine/journal_actions.h"
#include "engine/rename_dir.h"
#include "resource.h"
#include "settings/window_position.h"
#include "windows/shared_menu.h"

namespace kelvaro {
namespace {

constexpr const wchar_t* kFrameClass = L"Kelvaro2Frame";
constexpr UINT kExeButtonId = 1000;
constexpr UINT kCancelButtonId = 1010;
constexpr UINT kFirstChildId = 50000;

// Twips of the button panel and its buttons.
constexpr double kPanelHeight = 615;
constexpr double kButtonTop = 120, kButtonHeight = 375;
constexpr double kExeWidth = 855, kExeLeft = 120, kExeStep = 960;
constexpr double kCancelWidth = 1335;

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

}  // namespace

MainWindow::MainWindow(AppState& state, Services& services)
    : state_(state),
      services_(services),
      driver_(
          state,
          *this,
          [this](const std::wstring& path, int16_t mode) { return RenameDir(RenameWith(), path, mode); },
          services.journal),
      inDir_(state, services, *this, *this),
      inFile_(state, services, *this),
      file_(state, services, *this),
      status_(state, services, *this),
      outFile_(state, services, *this),
      children_{&inDir_, &inFile_, &file_, &status_, &outFile_},
      about_(services),
      default_(state, services),
      option_(state, services),
      mente_(state, services),
      preview_(state, services) {
    option_.onTipChanged = [this](bool on) { PropagateTip(on); };
    default_.sourceFolder = [this] { return inDir_.DirName(); };
}

RenameServices MainWindow::RenameWith() {
    return {services_.fs, state_.history, driver_.Changed(), state_.settings.Hira, services_.journal};
}

bool MainWindow::CanUndo() {
    return services_.journal && !driver_.Running() && kelvaro::CanUndo(*services_.journal);
}

void MainWindow::UndoLastRun() {
    if (services_.journal) driver_.Undo(RenameWith());
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
    // F1 anywhere in the program does what the Help item does.
    ACCEL help{FVIRTKEY, VK_F1, static_cast<WORD>(kMenuHelp)};
    accelerators_.reset(CreateAcceleratorTableW(&help, 1));
    CreateWindowExW(0, kFrameClass, ResKelvaroText(9999).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                    CW_USEDEFAULT, 640, 480, nullptr, menu_, instance, this);
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
        FontEveryWindow();
        const MainPosition position = ReadMainPosition(services_.store, ScreenTwipsNow());
        const UINT dpi = WindowDpi(hwnd_);
        MoveWindow(hwnd_, TwipsToPixels(position.rect.left, dpi), TwipsToPixels(position.rect.top, dpi),
                   TwipsToPixels(position.rect.width, dpi), TwipsToPixels(position.rect.height, dpi), FALSE);
        state_.blnCancel = false;
        EnableWindow(btnCancel_, FALSE);
        activated_ = false;
        const int command = position.windowState == 1   ? SW_SHOWMINIMIZED
                            : position.windowState == 2 ? SW_SHOWMAXIMIZED
                                                        : show;
        ShowWindow(hwnd_, command);
        UpdateWindow(hwnd_);
    } catch (...) {
        services_.prompts.Notice(L"Kelvaro2 frmKelvaro MDIForm_Load ERR");
        DestroyWindow(hwnd_);
        return false;
    }
    return true;
}

void MainWindow::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const UINT dpi = WindowDpi(hwnd_);
    for (int i = 0; i < kModes; ++i) {
        btnExe_[static_cast<size_t>(i)] = CreateWindowExW(
            0, L"BUTTON", ResKelvaroText(static_cast<int16_t>(10 + i)).c_str(),
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, TwipsToPixels(kExeLeft + kExeStep * i, dpi),
            TwipsToPixels(kButtonTop, dpi), TwipsToPixels(kExeWidth, dpi), TwipsToPixels(kButtonHeight, dpi), hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kExeButtonId + i)), instance, nullptr);
    }
    btnCancel_ = CreateWindowExW(0, L"BUTTON", ResAllText(5).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, TwipsToPixels(kButtonTop, dpi),
                                 TwipsToPixels(kCancelWidth, dpi), TwipsToPixels(kButtonHeight, dpi), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCancelButtonId)), instance, nullptr);
    CLIENTCREATESTRUCT client{nullptr, kFirstChildId};
    mdiClient_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 100, 100,
                                 hwnd_, nullptr, instance, &client);
    hints_.Create(hwnd_);
    for (int i = 0; i < kModes; ++i)
        hints_.Add(btnExe_[static_cast<size_t>(i)], ResKelvaroText(static_cast<int16_t>(20 + i)));
    hints_.Add(btnCancel_, ResAllText(10));
}

// The about box may fail to load without a word; the others end the program.
bool MainWindow::LoadDialogs() {
    const ScreenTwips screen = ScreenTwipsNow();
    about_.Load(hwnd_, screen);
    const std::pair<bool, const wchar_t*> loads[] = {
        {default_.Load(hwnd_, screen), L"Kelvaro2 frmDefault Form_Load ERR"},
        {option_.Load(hwnd_, screen), L"Kelvaro2 frmOption Form_Load ERR"},
        {mente_.Load(hwnd_, screen), L"frmMenuMente Form_Load ERR"},
        {preview_.Load(hwnd_, screen), L"Kelvaro2 frmPreview Form_Load ERR"}};
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
    mente_.SetToolTip(on);
    option_.SetToolTip(on);
    preview_.SetToolTip(on);
    SetToolTip(on);
    for (ChildWindow* child : children_) child->SetToolTip(on);
}

void MainWindow::SetToolTip(bool on) {
    hints_.SetToolTip(on);
}

void MainWindow::mnuOption_Click() {
    option_.ShowModal();
}

void MainWindow::mnuAbout_Click() {
    about_.ShowModal();
}

void MainWindow::mnuInDirDefault_Click() {
    if (default_.Shown()) return;  // its settings belong to the one shown
    default_.pstr_lblDrive_Caption = ResKelvaroText(10000);
    default_.pstr_cbxDrive_Hint = ResKelvaroText(10020);
    default_.pblnYukoMukouOk = true;
    default_.pblnDiskFreeOk = false;
    default_.pstr_drvDrive_Hint = ResKelvaroText(10021);
    default_.pstr_dlbDir_Hint = ResKelvaroText(10022);
    default_.pstr_txtDir_Hint = ResKelvaroText(10023);
    default_.SetDirName(state_.settings.Dir_In);
    default_.SetYuko(state_.settings.Dir_In_Yuko);
    default_.ShowModal();
    if (!default_.pblnOk) return;
    state_.settings.Dir_In = default_.DirName();
    state_.settings.Dir_In_Yuko = default_.Yuko();
}

void MainWindow::SetFontData() {
    HFONT font = font_.Create(state_.settings, WindowDpi(hwnd_));
    for (HWND button : btnExe_) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(btnCancel_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    PlaceButtons();
    Layout();
}

// The buttons keep their designed size unless their captions need more in the
// font chosen; the mode buttons keep their spacing, and the panel grows with them.
void MainWindow::PlaceButtons() {
    const UINT dpi = WindowDpi(hwnd_);
    const int padding = TwipsToPixels(240, dpi);
    auto captionSize = [](HWND button) {
        wchar_t text[64] = {};
        GetWindowTextW(button, text, 64);
        return TextSize(button, text);
    };
    int width = TwipsToPixels(kExeWidth, dpi), height = TwipsToPixels(kButtonHeight, dpi);
    for (HWND button : btnExe_) {
        const SIZE caption = captionSize(button);
        width = std::max<int>(width, caption.cx + padding);
        height = std::max<int>(height, caption.cy + padding / 2);
    }
    const SIZE cancelCaption = captionSize(btnCancel_);
    height = std::max<int>(height, cancelCaption.cy + padding / 2);
    const int cancelWidth = std::max<int>(TwipsToPixels(kCancelWidth, dpi), cancelCaption.cx + padding);
    const int top = TwipsToPixels(kButtonTop, dpi), gap = TwipsToPixels(kExeStep - kExeWidth, dpi);
    for (int i = 0; i < kModes; ++i)
        MoveWindow(btnExe_[static_cast<size_t>(i)], TwipsToPixels(kExeLeft, dpi) + i * (width + gap), top, width,
                   height, TRUE);
    RECT cancel{};
    GetWindowRect(btnCancel_, &cancel);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&cancel), 2);
    MoveWindow(btnCancel_, cancel.left, top, cancelWidth, height, TRUE);
    panelPixels_ = std::max(TwipsToPixels(kPanelHeight, dpi), top + height + TwipsToPixels(kButtonTop, dpi));
}

void MainWindow::Layout() {
    if (!mdiClient_) return;
    RECT frame{};
    GetClientRect(hwnd_, &frame);
    const UINT dpi = WindowDpi(hwnd_);
    const int panel = panelPixels_ ? panelPixels_ : TwipsToPixels(kPanelHeight, dpi);
    MoveWindow(mdiClient_, 0, panel, frame.right, std::max<int>(0, frame.bottom - panel), TRUE);

    if (state_.settings.Resize) Arrange(false);

    RECT cancel{};
    GetWindowRect(btnCancel_, &cancel);
    const double x =
        RoundHalfEven(PixelsToTwips(frame.right, dpi) - 60 - PixelsToTwips(cancel.right - cancel.left, dpi));
    if (x > 0) {
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&cancel), 2);
        MoveWindow(btnCancel_, TwipsToPixels(x, dpi), cancel.top, cancel.right - cancel.left,
                   cancel.bottom - cancel.top, TRUE);
    }
}

// The two columns: three equal windows on the left, the history over two
// thirds of the right and the changed folders below it. `unplacedOnly`: only
// the child windows that have no position of their own.
void MainWindow::Arrange(bool unplacedOnly) {
    // Measured without scroll bars: once the windows are arranged they fit.
    ShowScrollBar(mdiClient_, SB_BOTH, FALSE);
    RECT inner{};
    GetClientRect(mdiClient_, &inner);
    const UINT dpi = WindowDpi(hwnd_);
    const double w = RoundHalfEven(PixelsToTwips(inner.right, dpi) / 2);
    const double h = RoundHalfEven(PixelsToTwips(inner.bottom, dpi) / 3);
    const std::array<TwipsRect, 5> rects{TwipsRect{0, 0, w, h}, TwipsRect{0, h, w, h}, TwipsRect{0, 2 * h, w, h},
                                         TwipsRect{w, 0, w, 2 * h}, TwipsRect{w, 2 * h, w, h}};
    for (size_t i = 0; i < children_.size(); ++i) {
        if (unplacedOnly && !children_[i]->Unplaced()) continue;
        // Whole pixels: the rounding must not push a window a pixel past the
        // edge, where the client area would show its scroll bars.
        const TwipsRect& r = rects[i];
        const int left = TwipsToPixels(r.left, dpi), top = TwipsToPixels(r.top, dpi);
        const int width = std::min(TwipsToPixels(r.width, dpi), static_cast<int>(inner.right) - left);
        const int height = std::min(TwipsToPixels(r.height, dpi), static_cast<int>(inner.bottom) - top);
        MoveWindow(children_[i]->Handle(), left, top, std::max(0, width), std::max(0, height), TRUE);
    }
}

void MainWindow::BtnEnabledChange() {
    const bool enabled = !state_.targets.Empty();
    for (HWND button : btnExe_) EnableWindow(button, enabled);
}

void MainWindow::SetRunning(bool running) {
    if (running) {
        for (HWND button : btnExe_) EnableWindow(button, FALSE);
        for (ChildWindow* child : children_) EnableWindow(child->Handle(), FALSE);
        for (ChildWindow* child : children_) child->Menu_Enabled(false);
        inFile_.SelectClear();
        EnableWindow(btnCancel_, TRUE);
        for (ChildWindow* child : children_) child->OnRunning(true);
        for (ChildWindow* child : children_) child->HoldPainting(true);
        lastPaint_ = std::chrono::steady_clock::now();
        return;
    }
    for (ChildWindow* child : children_) child->OnRunning(false);
    for (ChildWindow* child : children_) child->HoldPainting(false);
    EnableWindow(btnCancel_, FALSE);
    for (ChildWindow* child : children_) EnableWindow(child->Handle(), TRUE);
    for (ChildWindow* child : children_) child->Menu_Enabled(true);
}

void MainWindow::ShowEntry(size_t) {}

void MainWindow::ProcessPendingInput() {
    // The lists show the progress ten times a second or more often; drawing
    // them after every line would cost more than the renames.
    constexpr auto kPaintInterval = std::chrono::milliseconds(70);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPaint_ >= kPaintInterval) {
        for (ChildWindow* child : children_) child->HoldPainting(false);
        for (ChildWindow* child : children_) child->HoldPainting(true);
        lastPaint_ = now;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        HintSet::RelayMouse(msg);
        if (TranslateMDISysAccel(mdiClient_, &msg) || TranslateKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool MainWindow::PauseForRetry(unsigned ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        ProcessPendingInput();
        if (state_.blnCancel) return false;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// The browser re-reads its folder and has the chooser list it anew, once.
void MainWindow::RefreshFolders() {
    inDir_.RefreshForm();
}

void MainWindow::ShowChooserFolder(const std::wstring& path, bool force) {
    inFile_.Chooser().SetDirName(path, force);
}

void MainWindow::SetSourceFolder(const std::wstring& path) {
    inDir_.SetDirName(path);
}

void MainWindow::FocusTargets() {
    SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(file_.Handle()), 0);
    SetFocus(file_.List());
}

void MainWindow::HoldTargetPainting(bool held) {
    file_.HoldPainting(held);
}

bool MainWindow::Maintain(AliasTable& aliases) {
    if (mente_.Shown()) return false;  // its slots belong to the one shown
    for (int i = 0; i < AliasTable::kSlots; ++i) {
        const bool used = i <= aliases.Last();
        mente_.Set_Menu(i, used ? aliases.Name(i) : L"", used ? aliases.Dir(i) : L"");
    }
    mente_.pstr_Me_Caption = ResKelvaroText(1000);
    mente_.ShowModal();
    if (!mente_.pblnOk) return false;
    std::array<std::wstring, AliasTable::kSlots> names{}, dirs{};
    const int last = mente_.MenuCount();
    for (int i = 0; i <= last; ++i) mente_.Get_Menu(i, names[static_cast<size_t>(i)], dirs[static_cast<size_t>(i)]);
    aliases.Assign(names, dirs, last);
    return true;
}

void MainWindow::FocusHistory() {
    SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(status_.Handle()), 0);
    SetFocus(status_.List());
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
        if (!state_.settings.Resize) Arrange(true);
        for (ChildWindow* child : children_) ShowWindow(child->Handle(), SW_SHOWNOACTIVATE);
        BtnEnabledChange();
        // The browser is the active child window: its caption, its copy of the
        // menu bar (greyed during a run) and the focus on its drive list agree.
        SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(inDir_.Handle()), 0);
        SetFocus(inDir_.DriveList());
    } catch (...) {
        services_.prompts.Notice(L"Kelvaro2 frmKelvaro MDIForm_Activate ERR");
        DestroyWindow(hwnd_);
    }
}

void MainWindow::mnuExit_Click() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::mnuFont_Click() {
    AppSettings& s = state_.settings;
    FontChoice font{s.Font_Name, static_cast<double>(s.Font_Size), s.Font_Bold, s.Font_Italic};
    if (!services_.prompts.AskFont(font)) return;
    const auto size = static_cast<int16_t>(std::nearbyint(font.points));
    if (font.name == s.Font_Name && font.points == s.Font_Size && font.bold == s.Font_Bold &&
        font.italic == s.Font_Italic)
        return;
    s.Font_Name = font.name;
    s.Font_Size = size;
    s.Font_Bold = font.bold;
    s.Font_Italic = font.italic;
    FontEveryWindow();
}

// The main window, the child windows and the four dialogs (the alias dialog
// too: it would otherwise keep the start-up font until the next start).
void MainWindow::FontEveryWindow() {
    SetFontData();
    for (ChildWindow* child : children_) child->SetFontData(font_.Get());
    about_.SetFontData(font_.Get());
    option_.SetFontData(font_.Get());
    default_.SetFontData(font_.Get());
    preview_.SetFontData(font_.Get());
    mente_.SetFontData(font_.Get());
}

// The old help file when one lies beside the program; otherwise the guide,
// a web page, in the user's browser.
void MainWindow::mnuHelp_Click() {
    std::wstring module(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()))) == module.size())
        module.resize(module.size() * 2);
    module.resize(length);
    const std::wstring folder = module.substr(0, module.rfind(L'\\') + 1);
    const std::wstring helpFile = folder + L"KELVARO2.HLP";
    if (services_.fs.IsOrdinaryFile(helpFile)) {
        services_.prompts.ShowHelp(helpFile);
        return;
    }
    const std::wstring guide = folder + L"KELVARO2.html";
    if (!services_.fs.IsOrdinaryFile(guide)) {
        services_.prompts.Notice(ResKelvaroText(23000) + L"\r\n" + guide);
        return;
    }
    if (!services_.prompts.OpenDocument(guide)) services_.prompts.Notice(ResKelvaroText(23001) + L"\r\n" + guide);
}

bool MainWindow::TranslateKeys(MSG& msg) const {
    return hwnd_ && accelerators_ && TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg);
}

void MainWindow::mnuLogCopy_Click() {
    LogCopy(state_.history, services_.clipboard);
}

void MainWindow::mnuLogSave_Click() {
    LogSave(state_.history, services_.fs, services_.prompts);
}

void MainWindow::RunMode(int16_t mode) {
    lastMode_ = mode;
    driver_.Run(mode);
    if (closeAfterRun_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::mnuPreview_Click() {
    if (driver_.Running()) return;
    const int16_t mode = lastMode_ >= 0 ? lastMode_ : state_.settings.AutoExe;
    if (preview_.Ask(mode)) RunMode(preview_.pintMode);
}

void MainWindow::OnCommand(UINT id) {
    if (id >= kExeButtonId && id < kExeButtonId + kModes) {
        if (driver_.Running()) return;
        const auto mode = static_cast<int16_t>(id - kExeButtonId);
        // With the option on, the button shows the preview first and runs on 実行 only.
        if (state_.settings.Confirm && !preview_.Ask(mode)) return;
        RunMode(state_.settings.Confirm ? preview_.pintMode : mode);
        return;
    }
    switch (id) {
        case kCancelButtonId:
            driver_.Cancel();
            break;
        case kMenuExit:
            mnuExit_Click();
            break;
        case kMenuFont:
            mnuFont_Click();
            break;
        case kMenuLogCopy:
            mnuLogCopy_Click();
            break;
        case kMenuLogSave:
            mnuLogSave_Click();
            break;
        case kMenuInDirDefault:
            mnuInDirDefault_Click();
            break;
        case kMenuOption:
            mnuOption_Click();
            break;
        case kMenuHelp:
            mnuHelp_Click();
            break;
        case kMenuAbout:
            mnuAbout_Click();
            break;
        default:
            break;
    }
}

// Moved to a screen of another DPI: the buttons keep their size in twips (PlaceButtons),
// the fonts are made anew, and everything is laid out again.
void MainWindow::OnDpiChanged(const RECT& suggested) {
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FontEveryWindow();
}

int16_t MainWindow::WindowState() const {
    if (IsIconic(hwnd_)) return 1;
    if (IsZoomed(hwnd_)) return 2;
    return 0;
}

void MainWindow::CloseSequence() {
    if (closed_) return;
    closed_ = true;
    try {
        const int16_t windowState = WindowState();
        SendMessageW(mdiClient_, WM_MDISETMENU, reinterpret_cast<WPARAM>(menu_), 0);
        for (ChildWindow* child : children_) child->Unload(windowState == 0);
        about_.Unload();
        default_.Unload();
        option_.Unload();
        mente_.Unload();
        preview_.Unload();
        MainPosition position{{}, windowState};
        RECT r{};
        GetWindowRect(hwnd_, &r);
        const UINT dpi = WindowDpi(hwnd_);
        position.rect = {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi), PixelsToTwips(r.right - r.left, dpi),
                         PixelsToTwips(r.bottom - r.top, dpi)};
        WriteMainPosition(services_.store, position);
        SettingsSave(services_.store, state_.settings);
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

LRESULT MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
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
            OnDpiChanged(*reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ENDSESSION:
            if (!wParam) return 0;
            if (driver_.Running()) {
                // Windows ends the process soon: stop after the folder in hand and keep the options.
                driver_.Cancel();
                SettingsSave(services_.store, state_.settings);
            } else {
                CloseSequence();
            }
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
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HintSet::RelayMouse(msg);
        if (window.MdiClient() && TranslateMDISysAccel(window.MdiClient(), &msg)) continue;
        if (window.TranslateKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace kelvaro
