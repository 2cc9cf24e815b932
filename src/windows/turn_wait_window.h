#pragma once
#include <windows.h>

#include <string>

#include "windows/window_base.h"

namespace kelvaro {

// Shown while the program waits for another copy's journal turn before its
// main window exists (recovery at start, /UNDO, the automatic run): a small
// window that says what the program waits for, with キャンセル to give the wait
// up. It appears at the first pause and goes when the object does.
class TurnWaitWindow final : public WindowBase {
public:
    TurnWaitWindow() = default;
    ~TurnWaitWindow() override;
    // Waits `ms` milliseconds, the window answering meanwhile; false once
    // キャンセル was pressed (or the window closed).
    bool Pause(unsigned ms);
    bool Cancelled() const { return cancelled_; }
    HWND CancelButton() const { return cancel_; }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Create();
    HWND cancel_ = nullptr;
    HFONT font_ = nullptr;
    bool cancelled_ = false;
};

}  // namespace kelvaro
