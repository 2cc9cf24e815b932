#include "windows/list_box_view.h"

#include <algorithm>

#include "windows/line_wrap.h"

namespace kelvaro {
namespace {

constexpr int kTextMargin = 2;  // left of the text, as the plain list box leaves it

}  // namespace

ListBoxView::~ListBoxView() {
    if (measureDc_) DeleteDC(measureDc_);
}

// The list's font is asked for once and kept selected for measuring: asking
// for it with every line would cost more than the measuring.
void ListBoxView::SelectMeasureFont() {
    if (!measureDc_) measureDc_ = CreateCompatibleDC(nullptr);
    if (!measureDc_) return;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(listBox_, WM_GETFONT, 0, 0));
    SelectObject(measureDc_, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics{};
    if (GetTextMetricsW(measureDc_, &metrics)) rowHeight_ = std::max<int>(1, metrics.tmHeight);
}

void ListBoxView::Widen(const std::wstring& text) {
    if (!trackWidth_) return;
    if (!measureDc_) SelectMeasureFont();
    SIZE size{};
    if (!measureDc_ || !GetTextExtentPoint32W(measureDc_, text.c_str(), static_cast<int>(text.size()), &size)) return;
    constexpr int kMargin = 8;  // the list's own text margins
    if (size.cx + kMargin <= widest_) return;
    widest_ = size.cx + kMargin;
    ApplyWidth();
}

void ListBoxView::ApplyWidth() {
    SendMessageW(listBox_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widthSuspended_ ? 0 : widest_), 0);
}

void ListBoxView::SuspendWidth(bool suspended) {
    if (!listBox_ || !trackWidth_ || suspended == widthSuspended_) return;
    widthSuspended_ = suspended;
    ApplyWidth();
}

// The rows are as wide as the list with its vertical scroll bar, shown or
// not, so that the bar coming and going changes no row.
int ListBoxView::RowWidth() const {
    RECT client{};
    GetClientRect(listBox_, &client);
    const bool barShown = (GetWindowLongW(listBox_, GWL_STYLE) & WS_VSCROLL) != 0;
    const int bar = barShown ? 0 : GetSystemMetrics(SM_CXVSCROLL);
    return std::max(1, static_cast<int>(client.right) - bar - 2 * kTextMargin);
}

int ListBoxView::RowHeight() {
    if (!measureDc_) SelectMeasureFont();
    return rowHeight_;
}

int ListBoxView::MaxRows() {
    return std::max(1, 255 / RowHeight());
}

int ListBoxView::RowsOf(size_t index) {
    if (!measureDc_) SelectMeasureFont();
    const int rows = static_cast<int>(WrapRows(measureDc_, source_.text(index), RowWidth()).size());
    return std::min(rows, MaxRows());
}

void ListBoxView::Measure(size_t index) {
    if (!wrap_ || !listBox_) return;
    SendMessageW(listBox_, LB_SETITEMHEIGHT, index, MAKELPARAM(HeightOf(index), 0));
}

void ListBoxView::MeasureAll() {
    if (!wrap_ || !listBox_) return;
    wrapWidth_ = RowWidth();
    const size_t count = source_.count();
    for (size_t i = 0; i < count; ++i) Measure(i);
    InvalidateRect(listBox_, nullptr, TRUE);
}

void ListBoxView::OnResized() {
    if (wrap_ && listBox_ && RowWidth() != wrapWidth_) MeasureAll();
}

// Each row of the entry in the system's colours; an entry cut at the most
// rows ends in an ellipsis.
bool ListBoxView::Draw(const DRAWITEMSTRUCT& item) {
    if (!wrap_ || item.hwndItem != listBox_) return false;
    if (item.itemID == static_cast<UINT>(-1)) {
        if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
        return true;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID < source_.count()) {
        const std::wstring text = source_.text(item.itemID);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(listBox_, WM_GETFONT, 0, 0));
        const HGDIOBJ previous = font ? SelectObject(item.hDC, font) : nullptr;
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        const std::vector<size_t> rows = WrapRows(item.hDC, text, RowWidth());
        const size_t shown = std::min(rows.size(), static_cast<size_t>(MaxRows()));
        const int height = RowHeight();
        for (size_t r = 0; r < shown; ++r) {
            const size_t end = r + 1 < rows.size() ? rows[r + 1] : text.size();
            RECT row{item.rcItem.left + kTextMargin, item.rcItem.top + static_cast<int>(r) * height, item.rcItem.right,
                     item.rcItem.top + static_cast<int>(r + 1) * height};
            const bool cut = r + 1 == shown && shown < rows.size();
            const size_t length = (cut ? text.size() : end) - rows[r];
            DrawTextW(item.hDC, text.c_str() + rows[r], static_cast<int>(length), &row,
                      DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS | (cut ? DT_END_ELLIPSIS : 0));
        }
        if (previous) SelectObject(item.hDC, previous);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
    return true;
}

void ListBoxView::OnFontChanged() {
    if (listBox_ && wrap_) {
        SelectMeasureFont();
        MeasureAll();
    }
    if (!listBox_ || !trackWidth_) return;
    SelectMeasureFont();
    widest_ = 0;
    const size_t count = source_.count();
    for (size_t i = 0; i < count; ++i) Widen(source_.text(i));
    ApplyWidth();
}

void ListBoxView::Attach(HWND listBox) {
    listBox_ = listBox;
    OnReset();
}

void ListBoxView::Hold(bool held) {
    if (!listBox_ || held == held_) return;
    if (held) {
        held_ = true;
        SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
        return;
    }
    // Scroll while still held, so the scroll bar is drawn once.
    held_ = false;
    if (pendingTop_ != kAll) SendMessageW(listBox_, LB_SETTOPINDEX, pendingTop_, 0);
    pendingTop_ = kAll;
    FollowCursor();
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
    UpdateWindow(listBox_);
}

void ListBoxView::TakeSelection(const std::function<void(size_t, bool)>& take) const {
    const size_t count = source_.count();
    for (size_t i = 0; i < count; ++i) take(i, SendMessageW(listBox_, LB_GETSEL, i, 0) > 0);
}

bool ListBoxView::Multi() const {
    return (GetWindowLongW(listBox_, GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) != 0;
}

void ListBoxView::FollowCursor() {
    if (cursor_ != Cursor::Last || held_) return;
    const LRESULT count = SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageW(listBox_, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
}

void ListBoxView::OnInserted(size_t index) {
    if (!listBox_) return;
    const std::wstring& text = source_.text(index);
    SendMessageW(listBox_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(text.c_str()));
    if (source_.selected && Multi() && source_.selected(index)) SendMessageW(listBox_, LB_SETSEL, TRUE, index);
    Widen(text);
    FollowCursor();
}

void ListBoxView::OnRemoved(size_t index) {
    if (listBox_) SendMessageW(listBox_, LB_DELETESTRING, index, 0);
}

void ListBoxView::OnReplaced(size_t index) {
    if (!listBox_) return;
    const bool wasSelected = Multi() && SendMessageW(listBox_, LB_GETSEL, index, 0) > 0;
    SendMessageW(listBox_, LB_DELETESTRING, index, 0);
    SendMessageW(listBox_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(source_.text(index).c_str()));
    if (wasSelected) SendMessageW(listBox_, LB_SETSEL, TRUE, index);
    Widen(source_.text(index));
}

void ListBoxView::OnReset() {
    if (!listBox_) return;
    const bool wasHeld = held_;
    Hold(true);
    pendingTop_ = kAll;
    SendMessageW(listBox_, LB_RESETCONTENT, 0, 0);
    widest_ = 0;
    const size_t count = source_.count();
    for (size_t i = 0; i < count; ++i) {
        SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(source_.text(i).c_str()));
        if (source_.selected && Multi() && source_.selected(i)) SendMessageW(listBox_, LB_SETSEL, TRUE, i);
        Widen(source_.text(i));
    }
    if (wrap_) wrapWidth_ = RowWidth();
    if (trackWidth_ && widest_ == 0) ApplyWidth();
    FollowCursor();
    if (!wasHeld) Hold(false);
}

void ListBoxView::OnSelectionChanged(size_t index) {
    if (!listBox_ || !source_.selected || !Multi()) return;
    if (index == kAll) {
        const size_t count = source_.count();
        bool all = count > 0, none = true;
        for (size_t i = 0; i < count; ++i) (source_.selected(i) ? none : all) = false;
        if (all || none) {
            SendMessageW(listBox_, LB_SETSEL, all ? TRUE : FALSE, static_cast<LPARAM>(-1));
            return;
        }
        for (size_t i = 0; i < count; ++i) SendMessageW(listBox_, LB_SETSEL, source_.selected(i), i);
        return;
    }
    SendMessageW(listBox_, LB_SETSEL, source_.selected(index) ? TRUE : FALSE, index);
}

void ListBoxView::OnTopIndexChanged(size_t index) {
    if (!listBox_) return;
    if (held_)
        pendingTop_ = index;
    else
        SendMessageW(listBox_, LB_SETTOPINDEX, index, 0);
}

}  // namespace kelvaro
