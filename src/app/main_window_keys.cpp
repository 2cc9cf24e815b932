#include "app/main_window.h"

// The main window's keyboard: the frame's keys, F6 between the panes, and the focus.
namespace kelvaro {

bool MainWindow::TranslateKeys(const MSG& msg) const {
    // The accelerator table only reads the message.
    if (hwnd_ && accelerators_ && TranslateAcceleratorW(hwnd_, accelerators_.get(), const_cast<MSG*>(&msg)))
        return true;
    return TranslatePaneKeys(msg) || TranslateChildKeys(mdiClient_, msg);
}

// F6 and Shift+F6 go round the panes, the button row and the five child
// windows; in the row, Tab and Shift+Tab go round its buttons and Enter
// presses one; during a run, Esc presses Cancel.
bool MainWindow::TranslatePaneKeys(const MSG& msg) const {
    if (msg.message != WM_KEYDOWN || !hwnd_ || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool inRow = buttons_.Holds(msg.hwnd);
    switch (msg.wParam) {
        case VK_F6:
            FocusNextPane(shift);
            return true;
        case VK_ESCAPE:
            if (!driver_.Running()) return false;
            SendMessageW(buttons_.Cancel(), BM_CLICK, 0, 0);
            return true;
        case VK_TAB:
            if (!inRow) return false;
            if (const HWND next = buttons_.NextInRow(msg.hwnd, shift)) SetFocus(next);
            ShowFocusCues();
            return true;
        case VK_RETURN:
            if (!inRow) return false;
            SendMessageW(msg.hwnd, BM_CLICK, 0, 0);
            return true;
        default:
            return false;
    }
}

void MainWindow::FocusNextPane(bool backwards) const {
    // Pane 0 is the button row, 1 to 5 the child windows in their order.
    constexpr int kPanes = 1 + 5;
    const HWND focus = GetFocus();
    int pane = buttons_.Holds(focus) ? 0 : -1;
    for (size_t i = 0; i < children_.size() && pane < 0; ++i)
        if (focus && (focus == children_[i]->Handle() || IsChild(children_[i]->Handle(), focus)))
            pane = static_cast<int>(i) + 1;
    if (pane < 0) pane = backwards ? 0 : kPanes - 1;
    for (int step = 1; step <= kPanes; ++step) {
        const int next = (pane + (backwards ? kPanes - step : step)) % kPanes;
        if (next == 0) {
            if (const HWND button = buttons_.NextInRow(nullptr, false)) {
                SetFocus(button);
                ShowFocusCues();
                return;
            }
            continue;
        }
        const HWND child = children_[static_cast<size_t>(next - 1)]->Handle();
        if (!IsWindowEnabled(child) || !IsWindowVisible(child)) continue;
        SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
        SetFocus(child);  // the child hands it to its first control
        ShowFocusCues();
        return;
    }
}

// Moved by keyboard: focus rectangles are drawn from now on.
void MainWindow::ShowFocusCues() const {
    SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

MessagePump MainWindow::Pump() const {
    return MessagePump(
        [this](MSG& msg) { return (mdiClient_ && TranslateMDISysAccel(mdiClient_, &msg)) || TranslateKeys(msg); });
}

void MainWindow::FocusTargets() {
    SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(targetWindow_.Handle()), 0);
    SetFocus(targetWindow_.List());
}

void MainWindow::FocusHistory() {
    SendMessageW(mdiClient_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(historyWindow_.Handle()), 0);
    SetFocus(historyWindow_.List());
}

}  // namespace kelvaro
