#include "windows/preview_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "resource.h"
#include "windows/accessible_name.h"
#include "windows/window_base.h"

namespace kelvaro {
namespace {

// Each column's share of the list's width, in percent.
constexpr int kColumnShare[] = {40, 22, 38};
// Refused rows in dark red, kept and left-out ones in grey; with high contrast
// the system's colours only: the window's text, and its grey text for the latter.
constexpr COLORREF kRefusedColour = RGB(176, 0, 0), kKeptColour = RGB(96, 96, 96);
constexpr UINT_PTR kListSubclass = 1;
// Posted when the dialog is shown without an owner (a "Send to" run): it comes to the front.
constexpr UINT kComeForward = WM_APP + 1;

HFONT FontOf(HWND control) {
    return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

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
    SetDlgItemTextW(hwnd_, IDC_PRE_MODE_LABEL, ResKelvaroText(KText::PreviewModeLabelKey).c_str());
    SetDlgItemTextW(hwnd_, IDC_PRE_ONLY_REFUSED, ResKelvaroText(KText::PreviewOnlyRefused).c_str());
    SetDlgItemTextW(hwnd_, IDOK, ResKelvaroText(KText::PreviewRunKey).c_str());
    SetDlgItemTextW(hwnd_, IDCANCEL, ResKelvaroText(KText::PreviewCancelKey).c_str());
    for (int i = 0; i < ModeCount(); ++i)
        SendMessageW(ModeList(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ModeCaption(i).c_str()));
    const HWND list = List();
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_CHECKBOXES);
    // The rows' check boxes come from the plan, like their texts.
    SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    constexpr KText kTitles[] = {KText::PreviewBeforeColumn, KText::PreviewAfterColumn, KText::PreviewStateColumn};
    for (int c = 0; c < 3; ++c) {
        std::wstring title = ResKelvaroText(kTitles[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = title.data();
        column.cx = 100;
        ListView_InsertColumn(list, c, &column);
    }
    SetWindowSubclass(list, ListProc, kListSubclass, reinterpret_cast<DWORD_PTR>(this));
    SetAccessibleName(list, ResKelvaroText(KText::PreviewCaption));
    rowTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                              0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (rowTip_) {
        TTTOOLINFOW tool = ToolFor(hwnd_, list, L"");
        SendMessageW(rowTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        // Several lines: the path, the new path and the state.
        SendMessageW(rowTip_, TTM_SETMAXTIPWIDTH, 0, 1200);
    }
    hints_.Create(hwnd_);
    const std::pair<int, KText> hints[] = {{IDC_PRE_MODE, KText::PreviewModeHint},
                                           {IDC_PRE_ONLY_REFUSED, KText::PreviewOnlyRefusedHint},
                                           {IDOK, KText::PreviewRunHint},
                                           {IDCANCEL, KText::PreviewCancelHint}};
    for (const auto& [id, number] : hints) hints_.Add(Control(id), ResKelvaroText(number));
    SetToolTip(state_.settings.showTips);
    RestorePosition(services_.store, L"Preview_", {1000, 1000, 9000, 6000}, true, screen);
    Layout();
    return true;
}

void PreviewDialog::SetToolTip(bool on) {
    hints_.SetToolTip(on);
    tipRow_ = -2;  // the list's own hint follows at the next move
}

std::optional<RunChoice> PreviewDialog::Ask(int16_t mode) {
    mode_ = (mode >= 0 && mode < ModeCount()) ? mode : 0;
    ShowModal();
    return chosen_;
}

void PreviewDialog::OnActivate() {
    chosen_.reset();
    SetToolTip(state_.settings.showTips);
    CheckDlgButton(hwnd_, IDC_PRE_ONLY_REFUSED, BST_UNCHECKED);
    model_.SetOnlyRefused(false);
    SendMessageW(ModeList(), CB_SETCURSEL, static_cast<WPARAM>(mode_), 0);
    std::vector<std::wstring> paths;
    paths.reserve(state_.targets.Count());
    for (size_t i = 0; i < state_.targets.Count(); ++i) paths.push_back(state_.targets.Text(i));
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    model_.Compute(services_.fs, paths, mode_, state_.settings.hiraganaToKatakana);
    SetCursor(previous);
    ShowRows();
    // Like the mode buttons, 実行 needs a folder to run over.
    EnableWindow(Control(IDOK), state_.targets.Empty() ? FALSE : TRUE);
    // The first row has the focus, and focus and access keys are shown from the start.
    if (!model_.Rows().empty())
        ListView_SetItemState(List(), 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    SetFocus(List());
}

void PreviewDialog::Recompute(int16_t mode) {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    model_.Recompute(mode);
    SetCursor(previous);
    ShowRows();
}

void PreviewDialog::ShowRows() {
    const HWND list = List();
    ListView_SetItemCountEx(list, static_cast<int>(model_.Rows().size()), LVSICF_NOSCROLL);
    // The counts may need another line: the layout makes room for them.
    Layout();
    InvalidateRect(list, nullptr, TRUE);
}

std::wstring PreviewDialog::CountLines(int width, int* lines) const {
    const HWND counts = Control(IDC_PRE_COUNTS);
    const MeasuringDc dc(counts, FontOf(counts));
    const std::wstring separator = L"\u3000";
    const int separatorWidth = TextWidth(dc.get(), separator);
    std::wstring text;
    int used = 0;
    *lines = 1;
    for (const auto& item : model_.CountItems()) {
        const int itemWidth = TextWidth(dc.get(), item);
        if (text.empty()) {
            text = item;
            used = itemWidth;
        } else if (used + separatorWidth + itemWidth <= width) {
            text += separator + item;
            used += separatorWidth + itemWidth;
        } else {
            text += L"\r\n" + item;
            used = itemWidth;
            ++*lines;
        }
    }
    return text;
}

void PreviewDialog::FitColumns() {
    const HWND list = List();
    const MeasuringDc dc(list, FontOf(list));
    const int ellipsis = TextWidth(dc.get(), L"\u2026");
    const auto extents = [&dc](const std::wstring& text) {
        std::vector<int> widths(text.size());
        SIZE size{};
        if (!text.empty())
            GetTextExtentExPointW(dc.get(), text.c_str(), static_cast<int>(text.size()), 0, nullptr, widths.data(),
                                  &size);
        return widths;
    };
    const UINT dpi = Dpi();
    // The room the list leaves for the text: its padding, and the check box in the first column.
    const int padding = MulDiv(12, static_cast<int>(dpi), 96);
    const int box = GetSystemMetricsForDpi(SM_CXSMICON, dpi) + MulDiv(2, static_cast<int>(dpi), 96);
    for (int c = 0; c < 2; ++c) {
        const int width = ListView_GetColumnWidth(list, c) - padding - (c == 0 ? box : 0);
        fitted_[c] = model_.FittedColumn(c, std::max(1, width), extents, ellipsis);
    }
}

std::vector<size_t> PreviewDialog::SelectedEntries() const {
    const HWND list = List();
    std::vector<size_t> entries;
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    const auto& rows = model_.Rows();
    const auto add = [&](int row) {
        if (row >= 0 && static_cast<size_t>(row) < rows.size()) entries.push_back(rows[static_cast<size_t>(row)]);
    };
    if (focused >= 0 && ListView_GetItemState(list, focused, LVIS_SELECTED)) add(focused);
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED))
        if (row != focused) add(row);
    if (entries.empty()) add(focused);
    return entries;
}

void PreviewDialog::ToggleEntries(const std::vector<size_t>& entries) {
    model_.Toggle(entries);
    ShowRows();
    // The tip of the row under the mouse says at once what the run will do with it now.
    ShowRowTip(tipRow_);
}

std::wstring PreviewDialog::ListTip() const {
    if (!rowTip_) return {};
    wchar_t buffer[2048] = {};
    TTTOOLINFOW tool = ToolFor(hwnd_, List(), buffer);
    SendMessageW(rowTip_, TTM_GETTEXTW, 2048, reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

void PreviewDialog::OnListMouseMove(int x, int y) {
    LVHITTESTINFO hit{};
    hit.pt = {x, y};
    const int row = static_cast<int>(SendMessageW(List(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    const auto& rows = model_.Rows();
    const int over = (row >= 0 && static_cast<size_t>(row) < rows.size()) ? row : -1;
    if (over != tipRow_) ShowRowTip(over);
}

void PreviewDialog::ShowRowTip(int over) {
    const auto& rows = model_.Rows();
    if (!rowTip_ || over < -1 || (over >= 0 && static_cast<size_t>(over) >= rows.size())) return;
    tipRow_ = over;
    // Over a row its whole path and note, else the list's hint (when hints are on).
    tipText_ = over >= 0 ? model_.TipText(rows[static_cast<size_t>(over)])
               : state_.settings.showTips
                   ? ResKelvaroText(KText::PreviewListHint) + L"\r\n" + ResKelvaroText(KText::PreviewCheckListHint)
                   : std::wstring();
    TTTOOLINFOW tool = ToolFor(hwnd_, List(), tipText_.c_str());
    SendMessageW(rowTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CALLBACK
PreviewDialog::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* dialog = reinterpret_cast<PreviewDialog*>(self);
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && dialog->rowTip_) {
        if (message == WM_MOUSEMOVE)
            dialog->OnListMouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        MSG msg{list, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        GetCursorPos(&msg.pt);
        SendMessageW(dialog->rowTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(list, ListProc, kListSubclass);
    return DefSubclassProc(list, message, wParam, lParam);
}

bool PreviewDialog::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDOK:
            if (state_.targets.Empty()) return true;
            chosen_ = RunChoice{model_.Mode(), model_.LeftOut()};
            Hide();
            return true;
        case IDCANCEL:
            Hide();
            return true;
        case IDC_PRE_MODE:
            if (code == CBN_SELCHANGE) {
                const LRESULT chosen = SendMessageW(ModeList(), CB_GETCURSEL, 0, 0);
                if (chosen >= 0 && chosen < ModeCount()) Recompute(static_cast<int16_t>(chosen));
            }
            return true;
        case IDC_PRE_ONLY_REFUSED:
            if (code == BN_CLICKED) {
                model_.SetOnlyRefused(IsDlgButtonChecked(hwnd_, IDC_PRE_ONLY_REFUSED) == BST_CHECKED);
                ShowRows();
            }
            return true;
        default:
            return false;
    }
}

LRESULT PreviewDialog::OnListNotify(NMHDR& header) {
    const auto& rows = model_.Rows();
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
            if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows.size()) return 0;
            const size_t row = static_cast<size_t>(item.iItem), entry = rows[row];
            if (item.mask & LVIF_STATE) {
                // No box for a folder the run would not rename.
                const int image = !model_.HasCheckBox(entry) ? 0 : model_.Ticked(entry) ? 2 : 1;
                item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(image);
                item.stateMask |= LVIS_STATEIMAGEMASK;
            }
            if (!(item.mask & LVIF_TEXT)) return 0;
            const int column = item.iSubItem;
            if (column < 2 && row < fitted_[column].size())
                cell_ = fitted_[column][row];
            else
                cell_ = column == 0   ? model_.Before(entry)
                        : column == 1 ? model_.After(entry)
                                      : model_.StateText(entry);
            if (item.pszText && item.cchTextMax > 0) lstrcpynW(item.pszText, cell_.c_str(), item.cchTextMax);
            return 0;
        }
        case NM_CLICK:
        case NM_DBLCLK: {
            // A click on a row's box ticks or unticks that row only.
            LVHITTESTINFO hit{};
            hit.pt = reinterpret_cast<NMITEMACTIVATE&>(header).ptAction;
            const int row = static_cast<int>(SendMessageW(List(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
            if (row >= 0 && static_cast<size_t>(row) < rows.size() && (hit.flags & LVHT_ONITEMSTATEICON))
                ToggleEntries({rows[static_cast<size_t>(row)]});
            return 0;
        }
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN&>(header).wVKey == VK_SPACE) ToggleEntries(SelectedEntries());
            return 0;
        case NM_CUSTOMDRAW: {
            auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
            if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw.nmcd.dwItemSpec < rows.size()) {
                const PlanEntry& entry = model_.Plan()[rows[draw.nmcd.dwItemSpec]];
                const bool contrast = highContrast && highContrast();
                const COLORREF kept = contrast ? GetSysColor(COLOR_GRAYTEXT) : kKeptColour;
                if (entry.leftOut)
                    draw.clrText = kept;
                else if (!PlanDone(entry.state))
                    draw.clrText = !PlanRefused(entry.state) ? kept
                                   : contrast                ? GetSysColor(COLOR_WINDOWTEXT)
                                                             : kRefusedColour;
            }
            return CDRF_DODEFAULT;
        }
        default:
            return 0;
    }
}

INT_PTR PreviewDialog::OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wParam && !GetWindow(hwnd_, GW_OWNER)) PostMessageW(hwnd_, kComeForward, 0, 0);
            return FALSE;
        case kComeForward:
            SetForegroundWindow(hwnd_);
            SetFocus(List());
            return TRUE;
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

// The mode selector on top, the list below it, then the counts (as many lines
// as they need), the switch and the two buttons at the bottom right; the list
// takes what the window gains.
void PreviewDialog::Layout() {
    if (!hwnd_ || !List()) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const UINT dpi = Dpi();
    const Metrics m = FontMetrics();
    const auto px = [dpi](double twips) { return TwipsToPixels(twips, dpi); };
    const auto place = [](HWND control, int left, int top, int w, int h) {
        MoveWindow(control, left, top, std::max(0, w), std::max(0, h), TRUE);
    };
    const auto heightOf = [](HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        return static_cast<int>(r.bottom - r.top);
    };
    const int margin = px(120), gap = px(90);
    const int width = client.right, height = client.bottom;
    // The combo box sizes itself to its font; the buttons and the switch follow the font too.
    const int comboHeight = heightOf(ModeList());
    const HWND label = Control(IDC_PRE_MODE_LABEL);
    const int labelWidth = TextSize(label).cx + m.gap;
    const SIZE run = ButtonSize(Control(IDOK)), cancel = ButtonSize(Control(IDCANCEL));
    const int buttonWidth = std::max(run.cx, cancel.cx), buttonHeight = m.button;
    const int listWidth = width - 2 * margin;
    if (listWidth <= 0) return;
    std::wstring counts = CountLines(listWidth, &countLines_);
    SetDlgItemTextW(hwnd_, IDC_PRE_COUNTS, counts.c_str());
    const int countsHeight = countLines_ * m.line + px(30);
    place(label, margin, margin + (comboHeight - m.line) / 2, labelWidth, m.line);
    place(ModeList(), margin + labelWidth, margin, px(1800), comboHeight);
    // The switch stands beside the buttons, or on a row of its own above them when that is too narrow.
    const SIZE only = CheckBoxSize(Control(IDC_PRE_ONLY_REFUSED));
    const int besideButtons = listWidth - 2 * buttonWidth - 2 * gap;
    const bool ownRow = only.cx > besideButtons;
    const int buttonTop = height - margin - buttonHeight;
    const int onlyTop = ownRow ? buttonTop - gap - only.cy : buttonTop + (buttonHeight - only.cy) / 2;
    const int countsTop = (ownRow ? onlyTop : buttonTop) - gap - countsHeight;
    const int listTop = margin + comboHeight + gap;
    const int listHeight = countsTop - gap - listTop;
    if (listHeight <= 0) return;
    place(List(), margin, listTop, listWidth, listHeight);
    place(Control(IDC_PRE_COUNTS), margin, countsTop, listWidth, countsHeight);
    place(Control(IDCANCEL), width - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    place(Control(IDOK), width - margin - gap - 2 * buttonWidth, buttonTop, buttonWidth, buttonHeight);
    place(Control(IDC_PRE_ONLY_REFUSED), margin, onlyTop, std::min<int>(only.cx, listWidth), only.cy);
    RECT inner{};
    GetClientRect(List(), &inner);
    const int scroll = GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
    const int usable = std::max<int>(0, inner.right - scroll);
    for (int c = 0; c < 3; ++c) ListView_SetColumnWidth(List(), c, usable * kColumnShare[c] / 100);
    FitColumns();
    // Wine leaves moved controls unpainted until they get the focus: everything is drawn anew.
    if (IsWindowVisible(hwnd_)) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace kelvaro
