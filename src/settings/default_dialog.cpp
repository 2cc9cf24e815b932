#include "settings/default_dialog.h"

#include <windowsx.h>

#include "engine/catalog.h"
#include "engine/disk_paths.h"
#include "engine/path_text.h"
#include "resource.h"
#include "windows/window_base.h"

namespace kelvaro {

DefaultDialog::DefaultDialog(AppState& state, Services& services)
    : state_(state), services_(services), browser_(services.fs, [this](const std::wstring&, bool) {
          if (!hwnd_) return;
          drive_.Fill(browser_.Drives());
          drive_.Select(browser_.Drive());
          dir_.Show(browser_.List());
          DirTextSet();
          if (showing_) EnableWindow(Control(IDOK), TRUE);
      }) {}

bool DefaultDialog::Load(HWND owner, const ScreenTwips& screen) {
    if (!DialogBase::Load(owner, IDD_DEFAULT)) return false;
    drive_.Create(hwnd_, IDC_DEF_DRIVE);
    dir_.Create(hwnd_, IDC_DEF_DIRLIST);
    drive_.onEnter = [this] { SetFocus(dir_.Handle()); };
    dir_.onOpen = [this](size_t index) { browser_.OpenEntry(index); };
    dir_.onOpenAbove = [this](size_t index) { browser_.OpenAbove(index); };
    // Tab order: the switch, the drive list, the folder list, the folder's text.
    SetWindowPos(drive_.Handle(), Control(IDC_DEF_SWITCH), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(dir_.Handle(), drive_.Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RestorePosition(services_.store, L"Default_", {1000, 1000, 5000, 5000}, true, screen);
    SetWindowTextW(hwnd_, ResKelvaroText(9000).c_str());
    SetDlgItemTextW(hwnd_, IDOK, ResAllText(8044).c_str());
    SetDlgItemTextW(hwnd_, IDCANCEL, ResAllText(8043).c_str());
    hints_.Create(hwnd_);
    for (HWND control : {Control(IDC_DEF_SWITCH), drive_.Handle(), dir_.Handle(), Control(IDC_DEF_DIRTEXT),
                         Control(IDOK), Control(IDCANCEL)})
        hints_.Add(control, L"");
    hints_.SetText(Control(IDOK), ResAllText(8047));
    hints_.SetText(Control(IDCANCEL), ResAllText(8046));
    SetYuko(true);
    Layout();
    return true;
}

void DefaultDialog::SetToolTip(bool on) {
    hints_.SetText(Control(IDC_DEF_SWITCH), pstr_cbxDrive_Hint);
    hints_.SetText(drive_.Handle(), pstr_drvDrive_Hint);
    hints_.SetText(dir_.Handle(), pstr_dlbDir_Hint);
    hints_.SetText(Control(IDC_DEF_DIRTEXT), pstr_txtDir_Hint);
    hints_.SetToolTip(on);
}

void DefaultDialog::SetFontData(HFONT font) {
    ApplyFont(font);
    Layout();
}

void DefaultDialog::SetDirName(const std::wstring& path) {
    browser_.SetDirName(path);
}

void DefaultDialog::RefreshForm() {
    browser_.RefreshForm();
}

bool DefaultDialog::Yuko() const {
    return IsDlgButtonChecked(hwnd_, IDC_DEF_SWITCH) == BST_CHECKED;
}

void DefaultDialog::SetYuko(bool yuko) {
    CheckDlgButton(hwnd_, IDC_DEF_SWITCH, yuko ? BST_CHECKED : BST_UNCHECKED);
    YukoEnabledSet();
}

void DefaultDialog::YukoEnabledSet() {
    const BOOL enabled = Yuko() ? TRUE : FALSE;
    for (HWND control : {Control(IDC_DEF_LABEL), drive_.Handle(), dir_.Handle(), Control(IDC_DEF_DIRTEXT)})
        EnableWindow(control, enabled);
}

void DefaultDialog::DirTextSet() {
    std::wstring label = pstr_lblDrive_Caption;
    const std::wstring dir = LongDirName(services_.fs, browser_.List().Path());
    SetDlgItemTextW(hwnd_, IDC_DEF_DIRTEXT, DirNameAbbrev(dir).c_str());
    if (pblnDiskFreeOk) label += DriveFreeText(services_.fs, dir);
    SetDlgItemTextW(hwnd_, IDC_DEF_LABEL, label.c_str());
}

void DefaultDialog::OnActivate() {
    showing_ = false;
    pblnOk = false;
    SetToolTip(state_.settings.Tip);
    DirTextSet();
    RECT box{};
    GetWindowRect(Control(IDC_DEF_SWITCH), &box);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
    RECT label{};
    GetWindowRect(Control(IDC_DEF_LABEL), &label);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&label), 2);
    const UINT dpi = WindowDpi(hwnd_);
    int left = TwipsToPixels(60, dpi);
    if (pblnYukoMukouOk) {
        ShowWindow(Control(IDC_DEF_SWITCH), SW_SHOW);
        left = box.right + TwipsToPixels(60, dpi);
    } else {
        SetYuko(true);
        ShowWindow(Control(IDC_DEF_SWITCH), SW_HIDE);
    }
    MoveWindow(Control(IDC_DEF_LABEL), left, label.top, label.right - label.left, label.bottom - label.top, TRUE);
    EnableWindow(Control(IDOK), FALSE);
    showing_ = true;
}

bool DefaultDialog::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDOK:
            pblnOk = true;
            showing_ = false;
            Hide();
            return true;
        case IDCANCEL:
            showing_ = false;
            Hide();
            return true;
        case IDC_DEF_SWITCH:
            if (code == BN_CLICKED) {
                EnableWindow(Control(IDOK), TRUE);
                YukoEnabledSet();
            }
            return true;
        case IDC_DEF_DRIVE:
            if (code == CBN_SELCHANGE) {
                EnableWindow(Control(IDOK), TRUE);
                if (!browser_.ChooseDrive(drive_.SelectedRoot())) drive_.Select(browser_.Drive());
            }
            return true;
        case IDC_DEF_DIRLIST:
            if (code == LBN_DBLCLK) browser_.OpenEntry(dir_.Highlighted());
            return true;
        case kPopupFromSource:
            if (sourceFolder) SetDirName(sourceFolder());
            return true;
        case kPopupFromTemp:
            SetDirName(TempDirName(services_.fs));
            return true;
        default:
            return false;
    }
}

void DefaultDialog::Layout() {
    if (!hwnd_ || !drive_.Handle()) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const UINT dpi = WindowDpi(hwnd_);
    const double width = PixelsToTwips(client.right, dpi), height = PixelsToTwips(client.bottom, dpi);
    const HWND panel = Control(IDC_DEF_PANEL), label = Control(IDC_DEF_LABEL), text = Control(IDC_DEF_DIRTEXT);
    const double panelHeight = HeightTwips(panel), labelHeight = HeightTwips(label);
    const double driveHeight = HeightTwips(drive_.Handle()), textHeight = HeightTwips(text);
    // The buttons' panel keeps the bottom edge, OK and Cancel at its right.
    MoveTwips(panel, 0, height - panelHeight, width, panelHeight);
    const double buttonWidth = 750, buttonHeight = HeightTwips(Control(IDOK));
    const double buttonTop = height - panelHeight + (panelHeight - buttonHeight) / 2;
    MoveTwips(Control(IDCANCEL), width - 60 - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    MoveTwips(Control(IDOK), width - 120 - 2 * buttonWidth, buttonTop, buttonWidth, buttonHeight);

    const double w = static_cast<long>(width - 120);
    const double h = static_cast<long>(height - panelHeight - 300 - driveHeight - textHeight - labelHeight);
    if (w <= 0) return;
    RECT labelRect{};
    GetWindowRect(label, &labelRect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&labelRect), 2);
    const double driveTop = PixelsToTwips(labelRect.top, dpi) + labelHeight + 60;
    MoveTwips(drive_.Handle(), 60, driveTop, w, driveHeight);
    const double dirTop = driveTop + driveHeight + 60;
    MoveTwips(dir_.Handle(), 60, dirTop, w, h >= 1 ? h : HeightTwips(dir_.Handle()));
    MoveTwips(text, 60, dirTop + h + 60, w, textHeight);
}

INT_PTR DefaultDialog::OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return TRUE;
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 18;
            return TRUE;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            return (drive_.Draw(item) || dir_.Draw(item)) ? TRUE : FALSE;
        }
        case WM_VKEYTOITEM:
            if (reinterpret_cast<HWND>(lParam) == dir_.Handle()) {
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, dir_.OnKey(LOWORD(wParam)));
                return TRUE;
            }
            return FALSE;
        case WM_CONTEXTMENU: {
            if (reinterpret_cast<HWND>(wParam) == drive_.Handle()) return TRUE;
            HMENU popup = CreatePopupMenu();
            AppendMenuW(popup, MF_STRING, kPopupFromSource, ResKelvaroText(9005).c_str());
            AppendMenuW(popup, MF_STRING, kPopupFromTemp, ResKelvaroText(9007).c_str());
            if (const UINT id = TrackContextMenu(hwnd_, popup, lParam)) OnCommand(id, 0);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

bool AboutDialog::Load(HWND owner, const ScreenTwips& screen) {
    if (!DialogBase::Load(owner, IDD_ABOUT)) return false;
    RestorePosition(services_.store, L"About_", {1000, 1000, 0, 0}, false, screen);
    SetWindowTextW(hwnd_, ResKelvaroText(7000).c_str());
    SetDlgItemTextW(hwnd_, IDC_ABOUT_TITLE, ResKelvaroText(7001).c_str());
    SetDlgItemTextW(hwnd_, IDC_ABOUT_NAME, ResKelvaroText(9999).c_str());
    return true;
}

bool AboutDialog::OnCommand(UINT id, UINT) {
    if (id != IDOK && id != IDCANCEL) return false;
    Hide();
    return true;
}

}  // namespace kelvaro
