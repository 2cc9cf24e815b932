#include "windows/preview_dialog.h"

#include <commctrl.h>

#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "resource.h"
#include "windows/window_base.h"

namespace kelvaro {
namespace {

constexpr int kModes = kModeCount;
// Each column's share of the list's width, in percent.
constexpr int kColumnShare[] = {40, 22, 38};
// Refused rows in dark red, kept ones in grey.
constexpr COLORREF kRefusedColour = RGB(176, 0, 0), kKeptColour = RGB(96, 96, 96);

}  // namespace

HWND PreviewDialog::List() const {
    return Control(IDC_PRE_LIST);
}

HWND PreviewDialog::ModeList() const {
    return Control(IDC_PRE_MODE);
}

bool PreviewDialog::Load(HWND owner, const ScreenTwips& screen) {
    if (!DialogBase::Load(owner, IDD_PREVIEW)) return false;
    SetWindowTextW(hwnd_, ResKelvaroText(KText::PreviewCaption).c_str());
    SetDlgItemTextW(hwnd_, IDC_PRE_MODE_LABEL, ResKelvaroText(KText::PreviewModeLabel).c_str());
    SetDlgItemTextW(hwnd_, IDC_PRE_ONLY_KEPT, ResKelvaroText(KText::PreviewOnlyKept).c_str());
    SetDlgItemTextW(hwnd_, IDOK, ResKelvaroText(KText::PreviewRun).c_str());
    SetDlgItemTextW(hwnd_, IDCANCEL, ResKelvaroText(KText::PreviewCancel).c_str());
    for (int i = 0; i < kModes; ++i)
        SendMessageW(ModeList(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ModeCaption(i).c_str()));
    const HWND list = List();
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int c = 0; c < 3; ++c) {
        std::wstring title = ResKelvaroText(NthText(KText::PreviewBeforeColumn, c));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = 100;
        ListView_InsertColumn(list, c, &column);
    }
    hints_.Create(hwnd_);
    const std::pair<int, KText> hints[] = {{IDC_PRE_MODE, KText::PreviewModeHint},
                                           {IDC_PRE_LIST, KText::PreviewListHint},
                                           {IDC_PRE_ONLY_KEPT, KText::PreviewOnlyKeptHint},
                                           {IDOK, KText::PreviewRunHint},
                                           {IDCANCEL, KText::PreviewCancelHint}};
    for (const auto& [id, number] : hints) hints_.Add(Control(id), ResKelvaroText(number));
    SetToolTip(state_.settings.Tip);
    RestorePosition(services_.store, L"Preview_", {1000, 1000, 9000, 6000}, true, screen);
    Layout();
    return true;
}

std::optional<int16_t> PreviewDialog::Ask(int16_t mode) {
    mode_ = (mode >= 0 && mode < kModes) ? mode : 0;
    ShowModal();
    return chosen_;
}

void PreviewDialog::OnActivate() {
    chosen_.reset();
    SetToolTip(state_.settings.Tip);
    CheckDlgButton(hwnd_, IDC_PRE_ONLY_KEPT, BST_UNCHECKED);
    model_.SetOnlyKept(false);
    SendMessageW(ModeList(), CB_SETCURSEL, static_cast<WPARAM>(mode_), 0);
    Recompute(mode_);
    // Like the mode buttons, 実行 needs a folder to run over.
    EnableWindow(Control(IDOK), state_.targets.Empty() ? FALSE : TRUE);
    SetFocus(List());
}

void PreviewDialog::Recompute(int16_t mode) {
    std::vector<std::wstring> paths;
    paths.reserve(state_.targets.Count());
    for (size_t i = 0; i < state_.targets.Count(); ++i) paths.push_back(state_.targets.Text(i));
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    model_.Compute(services_.fs, paths, mode, state_.settings.Hira);
    SetCursor(previous);
    ShowRows();
}

void PreviewDialog::ShowRows() {
    const HWND list = List();
    ListView_SetItemCountEx(list, static_cast<int>(model_.Rows().size()), 0);
    InvalidateRect(list, nullptr, TRUE);
    SetDlgItemTextW(hwnd_, IDC_PRE_COUNTS, model_.CountsText().c_str());
}

bool PreviewDialog::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDOK:
            if (state_.targets.Empty()) return true;
            chosen_ = model_.Mode();
            Hide();
            return true;
        case IDCANCEL:
            Hide();
            return true;
        case IDC_PRE_MODE:
            if (code == CBN_SELCHANGE) {
                const LRESULT chosen = SendMessageW(ModeList(), CB_GETCURSEL, 0, 0);
                if (chosen >= 0 && chosen < kModes) Recompute(static_cast<int16_t>(chosen));
            }
            return true;
        case IDC_PRE_ONLY_KEPT:
            if (code == BN_CLICKED) {
                model_.SetOnlyKept(IsDlgButtonChecked(hwnd_, IDC_PRE_ONLY_KEPT) == BST_CHECKED);
                ShowRows();
            }
            return true;
        default:
            return false;
    }
}

LRESULT PreviewDialog::OnListNotify(NMHDR& header) {
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if (!(item.mask & LVIF_TEXT) || item.iItem < 0 || static_cast<size_t>(item.iItem) >= model_.Rows().size())
            return 0;
        const size_t entry = model_.Rows()[static_cast<size_t>(item.iItem)];
        cell_ = item.iSubItem == 0   ? model_.Before(entry)
                : item.iSubItem == 1 ? model_.After(entry)
                                     : model_.StateText(entry);
        if (item.pszText && item.cchTextMax > 0) lstrcpynW(item.pszText, cell_.c_str(), item.cchTextMax);
        return 0;
    }
    if (header.code == NM_CUSTOMDRAW) {
        auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw.nmcd.dwItemSpec < model_.Rows().size()) {
            const PlanState state = model_.Plan()[model_.Rows()[draw.nmcd.dwItemSpec]].state;
            if (!PlanDone(state))
                draw.clrText = (state == PlanState::KeptLong || state == PlanState::KeptEightLong ||
                                state == PlanState::NoShortName)
                                   ? kKeptColour
                                   : kRefusedColour;
        }
        return CDRF_DODEFAULT;
    }
    return 0;
}

INT_PTR PreviewDialog::OnOtherMessage(UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return TRUE;
        case WM_GETMINMAXINFO: {
            const UINT dpi = Dpi();
            auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
            info.ptMinTrackSize = {TwipsToPixels(5400, dpi), TwipsToPixels(3600, dpi)};
            return TRUE;
        }
        case WM_NOTIFY: {
            auto& header = *reinterpret_cast<NMHDR*>(lParam);
            if (header.idFrom != IDC_PRE_LIST) return FALSE;
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, OnListNotify(header));
            return TRUE;
        }
        default:
            return FALSE;
    }
}

// The mode selector on top, the list below it, then the counts, the switch and
// the two buttons at the bottom right; the list takes what the window gains.
void PreviewDialog::Layout() {
    if (!hwnd_ || !List()) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const UINT dpi = Dpi();
    const double width = PixelsToTwips(client.right, dpi), height = PixelsToTwips(client.bottom, dpi);
    // In twips at the dialog's DPI, which is new already while the controls are still being moved.
    const auto place = [dpi](HWND control, double left, double top, double w, double h) {
        MoveWindow(control, TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(w, dpi),
                   TwipsToPixels(h, dpi), TRUE);
    };
    const auto heightOf = [dpi](HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        return PixelsToTwips(r.bottom - r.top, dpi);
    };
    const double margin = 120, gap = 90;
    // The combo box sizes itself to its font; the buttons follow the font too.
    const double comboHeight = heightOf(ModeList()), buttonHeight = PixelsToTwips(FontMetrics().button, dpi);
    const double countsHeight = heightOf(Control(IDC_PRE_COUNTS)), buttonWidth = 1200;
    place(Control(IDC_PRE_MODE_LABEL), margin, margin + 45, 600, comboHeight - 45);
    place(ModeList(), margin + 660, margin, 1800, comboHeight);
    const double buttonTop = height - margin - buttonHeight;
    const double countsTop = buttonTop - gap - countsHeight;
    const double listTop = margin + comboHeight + gap;
    const double listWidth = width - 2 * margin, listHeight = countsTop - gap - listTop;
    if (listWidth <= 0 || listHeight <= 0) return;
    place(List(), margin, listTop, listWidth, listHeight);
    place(Control(IDC_PRE_COUNTS), margin, countsTop, listWidth, countsHeight);
    place(Control(IDCANCEL), width - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    place(Control(IDOK), width - margin - gap - 2 * buttonWidth, buttonTop, buttonWidth, buttonHeight);
    place(Control(IDC_PRE_ONLY_KEPT), margin, buttonTop, std::max(0.0, listWidth - 2 * buttonWidth - 2 * gap),
          buttonHeight);
    RECT inner{};
    GetClientRect(List(), &inner);
    const int scroll = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
    const int usable = std::max<int>(0, inner.right - scroll);
    for (int c = 0; c < 3; ++c) ListView_SetColumnWidth(List(), c, usable * kColumnShare[c] / 100);
}

}  // namespace kelvaro
