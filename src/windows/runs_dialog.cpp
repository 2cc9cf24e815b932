#include "windows/runs_dialog.h"

#include <commctrl.h>

#include <algorithm>

#include "engine/catalog.h"
#include "resource.h"
#include "windows/accessible_name.h"

namespace kelvaro {
namespace {

constexpr int kColumns = 4;
constexpr KText kColumnTitles[kColumns] = {KText::RunsTimeColumn, KText::RunsModeColumn, KText::RunsCountColumn,
                                           KText::RunsStateColumn};

}  // namespace

bool RunsDialog::Load(HWND owner, const ScreenTwips&) {
    if (!DialogBase::Load(owner, IDD_RUNS)) return false;
    SetWindowTextW(hwnd_, ResKelvaroText(KText::RunsCaption).c_str());
    SetDlgItemTextW(hwnd_, IDC_RUNS_UNDO, ResKelvaroText(KText::RunsUndoButton).c_str());
    SetDlgItemTextW(hwnd_, IDC_RUNS_RESUME, ResKelvaroText(KText::RunsResumeButton).c_str());
    SetDlgItemTextW(hwnd_, IDCANCEL, ResKelvaroText(KText::RunsCloseButton).c_str());
    const HWND list = List();
    SetAccessibleName(list, ResKelvaroText(KText::RunsCaption));
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    for (int c = 0; c < kColumns; ++c) {
        std::wstring title = ResKelvaroText(kColumnTitles[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = c == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.pszText = title.data();
        column.cx = 80;
        ListView_InsertColumn(list, c, &column);
    }
    hints_.Create(hwnd_);
    hints_.Add(list, ResKelvaroText(KText::RunsListHint));
    hints_.Add(Control(IDC_RUNS_UNDO), ResKelvaroText(KText::RunsUndoHint));
    hints_.Add(Control(IDC_RUNS_RESUME), ResKelvaroText(KText::RunsResumeHint));
    Relayout();
    return true;
}

std::optional<RunsChoice> RunsDialog::Ask(const RunsSource& source, bool tip) {
    source_ = source;
    SetToolTip(tip);
    ShowModal();
    source_ = {};
    return chosen_;
}

void RunsDialog::Refresh() {
    model_.Compute(source_.read ? source_.read() : std::vector<JournalRun>{}, source_.running);
    ShowRows();
    EnableWindow(Control(IDC_RUNS_UNDO), model_.UndoCount() > 0 ? TRUE : FALSE);
    EnableWindow(Control(IDC_RUNS_RESUME), model_.Resume() ? TRUE : FALSE);
}

void RunsDialog::TakeBack() {
    if (busy_ || model_.UndoCount() == 0 || !source_.undo) return;
    busy_ = true;
    for (const int id : {IDC_RUNS_UNDO, IDC_RUNS_RESUME, IDCANCEL}) EnableWindow(Control(id), FALSE);
    // The owner shows the undo as it goes, and its Cancel stops it.
    const HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner) EnableWindow(owner, TRUE);
    const bool goOn = source_.undo();
    if (owner) EnableWindow(owner, FALSE);
    busy_ = false;
    EnableWindow(Control(IDCANCEL), TRUE);
    if (!goOn) return Hide();
    Refresh();
    SetForegroundWindow(hwnd_);
    SetFocus(List());
}

void RunsDialog::OnActivate() {
    chosen_.reset();
    Refresh();
    // Over the middle of its owner.
    RECT owner{}, self{};
    GetWindowRect(GetWindow(hwnd_, GW_OWNER) ? GetWindow(hwnd_, GW_OWNER) : GetDesktopWindow(), &owner);
    GetWindowRect(hwnd_, &self);
    SetWindowPos(hwnd_, nullptr, (owner.left + owner.right - (self.right - self.left)) / 2,
                 (owner.top + owner.bottom - (self.bottom - self.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetFocus(List());
}

void RunsDialog::ShowRows() {
    const HWND list = List();
    ListView_DeleteAllItems(list);
    const auto& rows = model_.Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::wstring* cells[kColumns] = {&rows[i].time, &rows[i].mode, &rows[i].folders, &rows[i].state};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(cells[0]->c_str());
        ListView_InsertItem(list, &item);
        for (int c = 1; c < kColumns; ++c)
            ListView_SetItemText(list, static_cast<int>(i), c, const_cast<wchar_t*>(cells[c]->c_str()));
    }
    if (!rows.empty()) ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    Relayout();  // as wide as the longest state needs
}

// The time, the mode and the number as wide as their texts and titles; the
// state takes the rest. Returns the list's width that shows every state whole.
int RunsDialog::FitColumns() {
    const HWND list = List();
    RECT inner{};
    GetClientRect(list, &inner);
    int used = 0, state = 0;
    for (const auto& row : model_.Rows()) state = std::max(state, ListView_GetStringWidth(list, row.state.c_str()));
    for (int c = 0; c < kColumns - 1; ++c) {
        ListView_SetColumnWidth(list, c, LVSCW_AUTOSIZE_USEHEADER);
        // Room for the title and the header's padding, which the automatic width does not always leave.
        const std::wstring title = ResKelvaroText(kColumnTitles[c]);
        const int titleWidth = ListView_GetStringWidth(list, title.c_str()) + FontMetrics().line;
        if (ListView_GetColumnWidth(list, c) < titleWidth) ListView_SetColumnWidth(list, c, titleWidth);
        used += ListView_GetColumnWidth(list, c);
    }
    ListView_SetColumnWidth(list, kColumns - 1, std::max<int>(inner.right - used, 0));
    RECT outer{};
    GetWindowRect(list, &outer);
    return used + state + FontMetrics().line + GetSystemMetricsForDpi(SM_CXVSCROLL, Dpi()) +
           (outer.right - outer.left) - inner.right;
}

bool RunsDialog::OnCommand(UINT id, UINT) {
    switch (id) {
        case IDC_RUNS_UNDO:
            TakeBack();
            return true;
        case IDC_RUNS_RESUME:
            if (busy_ || !model_.Resume()) return true;
            chosen_ = RunsChoice::Resume;
            Hide();
            return true;
        case IDCANCEL:
            if (!busy_) Hide();  // the undo under way ends first
            return true;
        default:
            return false;
    }
}

// The list on top, the two buttons below it on the left and 閉じる on the
// right, all sized for the font the controls show.
void RunsDialog::Relayout() {
    if (!hwnd_ || !List()) return;
    const Metrics metrics = FontMetrics();
    const SIZE undo = ButtonSize(Control(IDC_RUNS_UNDO)), resume = ButtonSize(Control(IDC_RUNS_RESUME)),
               close = ButtonSize(Control(IDCANCEL));
    const int rowHeight = metrics.line + metrics.gap / 2;
    // Wide enough for the longest state (a killed run's tells how far it got), within the screen.
    MONITORINFO monitor{sizeof(monitor)};
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
    const int widest = monitor.rcWork.right - monitor.rcWork.left - 4 * metrics.margin;
    const int listWidth = std::max<int>(
        {metrics.line * 34, undo.cx + resume.cx + close.cx + 3 * metrics.gap, std::min(FitColumns(), widest)});
    const int listHeight = rowHeight * 12;
    const int buttonTop = metrics.margin + listHeight + metrics.gap;
    MoveWindow(List(), metrics.margin, metrics.margin, listWidth, listHeight, TRUE);
    MoveWindow(Control(IDC_RUNS_UNDO), metrics.margin, buttonTop, undo.cx, metrics.button, TRUE);
    MoveWindow(Control(IDC_RUNS_RESUME), metrics.margin + undo.cx + metrics.gap, buttonTop, resume.cx, metrics.button,
               TRUE);
    MoveWindow(Control(IDCANCEL), metrics.margin + listWidth - close.cx, buttonTop, close.cx, metrics.button, TRUE);
    SetClientSize(listWidth + 2 * metrics.margin, buttonTop + metrics.button + metrics.margin);
    FitColumns();
}

}  // namespace kelvaro
