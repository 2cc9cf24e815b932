#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kelvaro::testing {

// Dispatches every message waiting for this thread.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Drops the quit request a closed main window leaves for the test's loop.
inline void DropQuit() {
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// The texts of a list box, as another program would read them.
inline std::vector<std::wstring> ListLines(HWND list) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        lines.push_back(text);
    }
    return lines;
}

// Runs what a run's own thread hands it on the thread that made it (the
// test's, which owns the windows), and returns when that is done: a test
// acts on the window "in the middle of a run" from the fake file system.
class WindowThread {
public:
    WindowThread() {
        static const ATOM atom = [] {
            WNDCLASSW type{};
            type.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message != WM_APP) return DefWindowProcW(hwnd, message, wParam, lParam);
                (*reinterpret_cast<const std::function<void()>*>(lParam))();
                return 0;
            };
            type.hInstance = GetModuleHandleW(nullptr);
            type.lpszClassName = L"KelvaroTestWindowThread";
            return RegisterClassW(&type);
        }();
        (void)atom;
        hwnd_ = CreateWindowExW(0, L"KelvaroTestWindowThread", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    ~WindowThread() { DestroyWindow(hwnd_); }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;
    // Runs `work` there, after the messages waiting there (what the run told the windows so far).
    void operator()(const std::function<void()>& work) const {
        const std::function<void()> then = [&] {
            Pump();
            work();
        };
        if (GetWindowThreadProcessId(hwnd_, nullptr) == GetCurrentThreadId()) return then();
        SendMessageW(hwnd_, WM_APP, 0, reinterpret_cast<LPARAM>(&then));
    }

private:
    HWND hwnd_ = nullptr;
};

}  // namespace kelvaro::testing
