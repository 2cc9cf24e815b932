#include "windows/window_base.h"

#include <windowsx.h>

#include <cmath>

namespace kelvaro {

WindowBase::~WindowBase() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK WindowBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        void* param = create->lpCreateParams;
        if (create->dwExStyle & WS_EX_MDICHILD)
            param = reinterpret_cast<void*>(reinterpret_cast<const MDICREATESTRUCTW*>(create->lpCreateParams)->lParam);
        auto* self = static_cast<WindowBase*>(param);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) {
        return (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD) ? DefMDIChildProcW(hwnd, message, wParam, lParam)
                                                                    : DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = self->OnMessage(message, wParam, lParam);
    } catch (...) {
        result = self->Default(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

LRESULT WindowBase::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void WindowBase::RegisterClassOnce(const wchar_t* name, HBRUSH background, HICON icon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(instance, name, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

UINT WindowDpi(HWND hwnd) {
    const UINT dpi = hwnd ? GetDpiForWindow(hwnd) : 0;
    return dpi ? dpi : 96;
}

int TwipsToPixels(double twips, UINT dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

double PixelsToTwips(int pixels, UINT dpi) {
    return pixels * 1440.0 / dpi;
}

ScreenTwips ScreenTwipsNow() {
    HDC screen = GetDC(nullptr);
    const auto dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
    return {PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi), PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi),
            PixelsToTwips(GetSystemMetrics(SM_CXVIRTUALSCREEN), dpi),
            PixelsToTwips(GetSystemMetrics(SM_CYVIRTUALSCREEN), dpi)};
}

void MoveTwips(HWND control, double left, double top, double width, double height) {
    const UINT dpi = WindowDpi(control);
    MoveWindow(control, TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
               TwipsToPixels(height, dpi), TRUE);
}

double HeightTwips(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    return PixelsToTwips(r.bottom - r.top, WindowDpi(control));
}

void SetWindowIcons(HWND window, int iconId, UINT dpi) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const auto& [kind, metric] : {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
        const int pixels = GetSystemMetricsForDpi(metric, dpi);
        auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, pixels, pixels, 0));
        if (!icon) continue;
        // The icons given before were made here too: they are ours to destroy.
        if (auto previous =
                reinterpret_cast<HICON>(SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon))))
            DestroyIcon(previous);
    }
}

void SetButtonIcon(HWND button, int iconId) {
    const int pixels = GetSystemMetricsForDpi(SM_CXSMICON, WindowDpi(button));
    // Shared: the system keeps one copy of each size and frees it with the program.
    auto icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON, pixels, pixels, LR_SHARED));
    if (icon) SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

SIZE TextSize(HWND control, const std::wstring& text) {
    SIZE size{};
    HDC dc = GetDC(control);
    if (!dc) return size;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    if (text.empty()) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        size.cy = metrics.tmHeight;
    } else {
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    }
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

UINT TrackContextMenu(HWND owner, HMENU popup, LPARAM point) {
    POINT pt{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    if (pt.x == -1 && pt.y == -1) GetCursorPos(&pt);
    const UINT id = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
    DestroyMenu(popup);
    return id;
}

TwipsRect WindowRectTwips(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    const UINT dpi = WindowDpi(window);
    return {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi), PixelsToTwips(r.right - r.left, dpi),
            PixelsToTwips(r.bottom - r.top, dpi)};
}

int16_t ShowStateOf(HWND window) {
    if (IsIconic(window)) return 1;
    if (IsZoomed(window)) return 2;
    return 0;
}

}  // namespace kelvaro
