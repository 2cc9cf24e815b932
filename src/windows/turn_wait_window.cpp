#include "windows/turn_wait_window.h"

#include "engine/catalog.h"
#include "ports/services.h"

namespace kelvaro {
namespace {

constexpr const wchar_t* kClass = L"Kelvaro2TurnWait";
constexpr UINT kCancelId = 1;

}  // namespace

TurnWaitWindow::~TurnWaitWindow() {
    if (hwnd_) DestroyWindow(hwnd_);  // before its font goes
    if (font_) DeleteObject(font_);
}

void TurnWaitWindow::Create() {
    RegisterClassOnce(kClass, GetSysColorBrush(COLOR_BTNFACE));
    const UINT dpi = GetDpiForSystem();
    const int width = MulDiv(420, static_cast<int>(dpi), 96), height = MulDiv(120, static_cast<int>(dpi), 96);
    CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kClass, kAppTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                    (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
                    height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) return;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi);
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int margin = MulDiv(12, static_cast<int>(dpi), 96), button = MulDiv(24, static_cast<int>(dpi), 96);
    const HWND text =
        CreateWindowExW(0, L"STATIC", ResKelvaroText(KText::WaitingForTurnLine).c_str(), WS_CHILD | WS_VISIBLE, margin,
                        margin, client.right - 2 * margin, button, hwnd_, nullptr, nullptr, nullptr);
    const int buttonWidth = MulDiv(96, static_cast<int>(dpi), 96);
    cancel_ = CreateWindowExW(0, L"BUTTON", ResAllText(AText::CancelButton).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, (client.right - buttonWidth) / 2,
                              client.bottom - margin - button, buttonWidth, button, hwnd_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCancelId)), nullptr, nullptr);
    for (HWND control : {text, cancel_}) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetFocus(cancel_);
}

bool TurnWaitWindow::Pause(unsigned ms) {
    if (!hwnd_ && !cancelled_) Create();
    const ULONGLONG end = GetTickCount64() + ms;
    for (MSG message; !cancelled_;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!hwnd_ || !IsDialogMessageW(hwnd_, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
    return !cancelled_;
}

LRESULT TurnWaitWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kCancelId || LOWORD(wParam) == IDCANCEL) cancelled_ = true;
            return 0;
        case WM_CLOSE:
            cancelled_ = true;
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

}  // namespace kelvaro
