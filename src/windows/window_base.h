#pragma once
#include <windows.h>

#include <string>
#include "settings/window_position.h"

namespace kelvaro {

// One C++ object per window: the static window procedure finds the object
// (from the creation parameters, for MDI children from MDICREATESTRUCT) and
// hands every message to OnMessage. No exception crosses the procedure.
class WindowBase {
public:
    WindowBase() = default;
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND Handle() const { return hwnd_; }

protected:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }
    virtual LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Registers a window class that uses WindowProc (once per name).
    static void RegisterClassOnce(const wchar_t* name, HBRUSH background, HICON icon = nullptr);

    HWND hwnd_ = nullptr;
};

// Twips at the edge: stored positions and layout rules are in twips.
UINT WindowDpi(HWND hwnd);
int TwipsToPixels(double twips, UINT dpi);
double PixelsToTwips(int pixels, UINT dpi);
// The primary screen and the whole desktop, in twips at the system DPI.
ScreenTwips ScreenTwipsNow();
// Places a control within its parent, in twips at the control's DPI.
void MoveTwips(HWND control, double left, double top, double width, double height);
double HeightTwips(HWND control);
// A top-level window's place on the screen, in twips at its DPI.
TwipsRect WindowRectTwips(HWND window);
// 0 for a window shown normally, 1 minimised, 2 maximised.
int16_t ShowStateOf(HWND window);
// Gives a top-level window the icon resource `iconId` in the small and large
// sizes Windows asks for at `dpi` (the resource holds each size up to 200 %).
void SetWindowIcons(HWND window, int iconId, UINT dpi);
// Shows the icon resource `iconId` on a picture button (BS_ICON), in the
// small-icon size of the button's DPI.
void SetButtonIcon(HWND button, int iconId);
// True while Windows shows high contrast: then only the system's colours are used.
bool HighContrastOn();
// The size in pixels of `text` (or, when empty, of one line) in the font of `control`.
SIZE TextSize(HWND control, const std::wstring& text);
// Opens `popup` at the point of a WM_CONTEXTMENU (the cursor for the keyboard)
// and gives the command chosen, or 0; the menu is destroyed.
UINT TrackContextMenu(HWND owner, HMENU popup, LPARAM point);

}  // namespace kelvaro
