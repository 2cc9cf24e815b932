#include "windows/list_box_view.h"

namespace kelvaro {

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

void ListBoxView::OnFontChanged() {
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
