#include "windows/initial_folder_dialog.h"

#include <windowsx.h>

#include <algorithm>

#include "engine/catalog.h"
#include "engine/disk_paths.h"
#include "engine/path_text.h"
#include "resource.h"
#include "windows/accessible_name.h"
#include "windows/window_base.h"

namespace kelvaro {

FolderQuestion InitialFolderQuestion(const AppSettings& settings) {
    FolderQuestion question;
    question.folder = settings.initialFolder;
    question.switchOn = settings.initialFolderOn;
    question.showsFreeSpace = false;
    question.label = ResKelvaroText(KText::InitialFolderLabel);
    question.switchHint = ResKelvaroText(KText::ReturnToLastFolderHint);
    question.driveHint = ResKelvaroText(KText::InitialDriveHint);
    question.dirListHint = ResKelvaroText(KText::InitialFolderHint);
    question.dirTextHint = ResKelvaroText(KText::InitialFolderNameHint);
    return question;
}

InitialFolderDialog::InitialFolderDialog(AppState& state,
                                         Services& services,
                                         std::function<std::wstring()> sourceFolder)
    : state_(state),
      services_(services),
      browser_(services.fs,
               [this](const std::wstring&, bool) {
                   if (!hwnd_) return;
                   drive_.Fill(browser_.Drives());
                   drive_.Select(browser_.Drive());
                   dir_.Show(browser_.List());
                   DirTextSet();
                   if (showing_) EnableWindow(Control(IDOK), TRUE);
               }),
      sourceFolder_(std::move(sourceFolder)) {}

bool InitialFolderDialog::Load(HWND owner, const ScreenTwips& screen) {
    if (!DialogBase::Load(owner, IDD_DEFAULT)) return false;
    drive_.Create(hwnd_, IDC_DEF_DRIVE);
    dir_.Create(hwnd_, IDC_DEF_DIRLIST);
    drive_.onEnter = [this] { SetFocus(dir_.Handle()); };
    dir_.onOpen = [this](size_t index) { browser_.OpenEntry(index); };
    dir_.onOpenAbove = [this](size_t index) { browser_.OpenAbove(index); };
    // Tab order: the switch, the drive list, the folder list, the folder's text.
    SetWindowPos(drive_.Handle(), Control(IDC_DEF_SWITCH), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(dir_.Handle(), drive_.Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetAccessibleName(drive_.Handle(), ResKelvaroText(KText::DriveListName));
    RestorePosition(services_.store, L"Default_", {1000, 1000, 5000, 5000}, true, screen);
    SetWindowTextW(hwnd_, ResKelvaroText(KText::InitialFolderCaption).c_str());
    SetDlgItemTextW(hwnd_, IDOK, ResAllText(AText::OptionOkButton).c_str());
    SetDlgItemTextW(hwnd_, IDCANCEL, ResAllText(AText::OptionCancelButton).c_str());
    hints_.Create(hwnd_);
    for (HWND control : {Control(IDC_DEF_SWITCH), drive_.Handle(), dir_.Handle(), Control(IDC_DEF_DIRTEXT),
                         Control(IDOK), Control(IDCANCEL)})
        hints_.Add(control, L"");
    hints_.SetText(Control(IDOK), ResAllText(AText::OptionOkHint));
    hints_.SetText(Control(IDCANCEL), ResAllText(AText::OptionCancelHint));
    ForwardContextMenu(Control(IDC_DEF_DIRTEXT));
    SetSwitchOn(true);
    Relayout();
    return true;
}

void InitialFolderDialog::Relayout() {
    SetWindowIcons(hwnd_, IDI_KELVARO2, Dpi());
    FitToFont();
}

void InitialFolderDialog::SetToolTip(bool on) {
    hints_.SetText(Control(IDC_DEF_SWITCH), question_.switchHint);
    hints_.SetText(drive_.Handle(), question_.driveHint);
    hints_.SetText(dir_.Handle(), question_.dirListHint);
    hints_.SetText(Control(IDC_DEF_DIRTEXT), question_.dirTextHint);
    hints_.SetToolTip(on);
}

// Rows of the lists as high as a line of the font, and a dialog large enough
// for what it shows.
void InitialFolderDialog::FitToFont() {
    drive_.FitToFont();
    dir_.FitToFont();
    Layout();
    GrowToMinimum();
}

// The smallest inner size at which nothing is cut off: the label's line, the
// drive list, four folder rows, the text line and the buttons' panel.
SIZE InitialFolderDialog::MinimumClient() const {
    const Metrics m = FontMetrics();
    const UINT dpi = Dpi();
    const int edge = TwipsToPixels(60, dpi);
    const int row = static_cast<int>(SendMessageW(dir_.Handle(), LB_GETITEMHEIGHT, 0, 0));
    RECT drive{};
    GetWindowRect(drive_.Handle(), &drive);
    const int buttons = 2 * ClosingButtonWidth() + 3 * m.gap;
    const int label = LabelLeft() + TextSize(Control(IDC_DEF_LABEL)).cx + edge;
    const int height = LabelHeight() + (drive.bottom - drive.top) + 4 * row + TextHeight() + PanelHeight() +
                       TwipsToPixels(300, dpi) + 4;
    return {std::max({buttons, label, 10 * m.line}), height};
}

void InitialFolderDialog::GrowToMinimum() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const SIZE minimum = MinimumClient();
    if (client.right >= minimum.cx && client.bottom >= minimum.cy) return;
    SetClientSize(std::max<int>(client.right, minimum.cx), std::max<int>(client.bottom, minimum.cy));
}

int InitialFolderDialog::LabelLeft() const {
    const UINT dpi = Dpi();
    if (!question_.offersSwitch) return TwipsToPixels(60, dpi);
    RECT box{};
    GetWindowRect(Control(IDC_DEF_SWITCH), &box);
    return TwipsToPixels(60, dpi) + (box.right - box.left) + TwipsToPixels(60, dpi);
}

int InitialFolderDialog::LabelHeight() const {
    const Metrics m = FontMetrics();
    return std::max(m.line, m.check);
}

int InitialFolderDialog::TextHeight() const {
    return FontMetrics().line + MulDiv(8, static_cast<int>(Dpi()), 96);
}

int InitialFolderDialog::PanelHeight() const {
    const Metrics m = FontMetrics();
    return m.button + 2 * m.gap;
}

int InitialFolderDialog::ClosingButtonWidth() const {
    return std::max(ButtonSize(Control(IDOK)).cx, ButtonSize(Control(IDCANCEL)).cx);
}

void InitialFolderDialog::SetDirName(const std::wstring& path) {
    browser_.SetDirName(path);
}

bool InitialFolderDialog::SwitchOn() const {
    return IsDlgButtonChecked(hwnd_, IDC_DEF_SWITCH) == BST_CHECKED;
}

void InitialFolderDialog::SetSwitchOn(bool on) {
    CheckDlgButton(hwnd_, IDC_DEF_SWITCH, on ? BST_CHECKED : BST_UNCHECKED);
    EnableBySwitch();
}

void InitialFolderDialog::EnableBySwitch() {
    const BOOL enabled = SwitchOn() ? TRUE : FALSE;
    for (HWND control : {Control(IDC_DEF_LABEL), drive_.Handle(), dir_.Handle(), Control(IDC_DEF_DIRTEXT)})
        EnableWindow(control, enabled);
}

void InitialFolderDialog::DirTextSet() {
    std::wstring label = question_.label;
    const std::wstring dir = LongDirName(services_.fs, browser_.List().Path());
    SetDlgItemTextW(hwnd_, IDC_DEF_DIRTEXT, DirNameAbbrev(dir).c_str());
    if (question_.showsFreeSpace) label += DriveFreeText(services_.fs, dir);
    SetDlgItemTextW(hwnd_, IDC_DEF_LABEL, label.c_str());
}

void InitialFolderDialog::OnActivate() {
    showing_ = false;
    accepted_ = false;
    SetToolTip(state_.settings.showTips);
    // The names a screen reader announces. The switch is only as wide as its
    // box: the label beside it shows what its text says.
    SetWindowTextW(Control(IDC_DEF_SWITCH), question_.label.c_str());
    SetAccessibleName(dir_.Handle(), question_.label);
    SetAccessibleName(Control(IDC_DEF_DIRTEXT), question_.dirTextHint);
    DirTextSet();
    // The label starts right of the switch, or at the edge when no switch is offered.
    if (question_.offersSwitch) {
        ShowWindow(Control(IDC_DEF_SWITCH), SW_SHOW);
    } else {
        SetSwitchOn(true);
        ShowWindow(Control(IDC_DEF_SWITCH), SW_HIDE);
    }
    Layout();
    GrowToMinimum();
    EnableWindow(Control(IDOK), FALSE);
    showing_ = true;
}

bool InitialFolderDialog::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDOK:
            accepted_ = true;
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
                EnableBySwitch();
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
            if (sourceFolder_) SetDirName(sourceFolder_());
            return true;
        case kPopupFromTemp:
            SetDirName(TempDirName(services_.fs));
            return true;
        default:
            return false;
    }
}

void InitialFolderDialog::Layout() {
    if (!hwnd_ || !drive_.Handle()) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const UINT dpi = Dpi();
    const Metrics m = FontMetrics();
    const int edge = TwipsToPixels(60, dpi);
    // The switch and the label on the first line, as high as the font.
    const int labelHeight = LabelHeight(), labelLeft = LabelLeft();
    MoveWindow(Control(IDC_DEF_SWITCH), edge, edge, m.check + MulDiv(2, static_cast<int>(dpi), 96), labelHeight, TRUE);
    MoveWindow(Control(IDC_DEF_LABEL), labelLeft, edge, std::max<int>(client.right - labelLeft - edge, 0), labelHeight,
               TRUE);
    // The buttons' panel keeps the bottom edge, OK and Cancel at its right.
    const int panelHeight = PanelHeight(), buttonWidth = ClosingButtonWidth();
    const int panelTop = client.bottom - panelHeight, buttonTop = panelTop + (panelHeight - m.button) / 2;
    MoveWindow(Control(IDC_DEF_PANEL), 0, panelTop, client.right, panelHeight, TRUE);
    MoveWindow(Control(IDCANCEL), client.right - edge - buttonWidth, buttonTop, buttonWidth, m.button, TRUE);
    MoveWindow(Control(IDOK), client.right - 2 * (edge + buttonWidth), buttonTop, buttonWidth, m.button, TRUE);

    const HWND text = Control(IDC_DEF_DIRTEXT);
    const double width = PixelsToTwips(client.right, dpi), height = PixelsToTwips(client.bottom, dpi);
    const double labelTwips = PixelsToTwips(labelHeight, dpi), textTwips = PixelsToTwips(TextHeight(), dpi);
    const double driveHeight = HeightInTwips(drive_.Handle());
    const double w = static_cast<long>(width - 120);
    const double h =
        static_cast<long>(height - PixelsToTwips(panelHeight, dpi) - 300 - driveHeight - textTwips - labelTwips);
    if (w <= 0) return;
    const double driveTop = 60 + labelTwips + 60;
    PlaceTwips(drive_.Handle(), 60, driveTop, w, driveHeight);
    const double dirTop = driveTop + driveHeight + 60;
    PlaceTwips(dir_.Handle(), 60, dirTop, w, h >= 1 ? h : HeightInTwips(dir_.Handle()));
    PlaceTwips(text, 60, dirTop + h + 60, w, textTwips);
}

INT_PTR InitialFolderDialog::OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return TRUE;
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kMinimumRow;
            return TRUE;
        case WM_GETMINMAXINFO: {
            if (!drive_.Handle()) return FALSE;
            const SIZE minimum = MinimumClient();
            RECT r{0, 0, minimum.cx, minimum.cy};
            AdjustWindowRectExForDpi(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), Dpi());
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            return (drive_.Draw(item) || dir_.Draw(item)) ? TRUE : FALSE;
        }
        // A dialog procedure gives these answers itself, not through DWLP_MSGRESULT;
        // left unanswered, the character would move the highlight to the first row.
        case WM_VKEYTOITEM:
            return reinterpret_cast<HWND>(lParam) == dir_.Handle() ? dir_.OnKey(LOWORD(wParam)) : -1;
        case WM_CHARTOITEM:
            return DirectoryListBox::OnChar(static_cast<wchar_t>(LOWORD(wParam)));
        case WM_CONTEXTMENU: {
            if (reinterpret_cast<HWND>(wParam) == drive_.Handle()) return TRUE;
            HMENU popup = CreatePopupMenu();
            AppendMenuW(popup, MF_STRING, kPopupFromSource, ResKelvaroText(KText::CopyFromCurrentFolder).c_str());
            AppendMenuW(popup, MF_STRING, kPopupFromTemp, ResKelvaroText(KText::CopyFromTempFolder).c_str());
            if (const UINT id = TrackContextMenu(hwnd_, popup, lParam)) OnCommand(id, 0);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

std::optional<FolderChoice> InitialFolderDialog::Ask(const FolderQuestion& question) {
    if (Shown()) return std::nullopt;  // its texts and folder belong to the one shown
    question_ = question;
    SetDirName(question_.folder);
    SetSwitchOn(question_.switchOn);
    ShowModal();
    if (!accepted_) return std::nullopt;
    return FolderChoice{DirName(), SwitchOn()};
}

}  // namespace kelvaro
