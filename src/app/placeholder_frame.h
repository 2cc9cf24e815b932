#pragma once
#include <windows.h>

#include "app/app_state.h"
#include "platform/unique_handle.h"

namespace kelvaro {

// The program's top-level window for the normal start: a plain frame with
// the program's title until the full main window takes its place.
class PlaceholderFrame {
public:
    PlaceholderFrame(AppState& state, Services& services) : state_(state), services_(services) {}
    bool Create(HINSTANCE instance, int show);
    HWND Handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    AppState& state_;
    Services& services_;
    HWND hwnd_ = nullptr;
};

// Runs the message loop until the last window closes; returns the exit code.
int RunMessageLoop();

}  // namespace kelvaro
