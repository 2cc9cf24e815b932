#pragma once
#include <windows.h>

#include <array>

#include "windows/hints.h"

namespace kelvaro {

// The panel above the child windows: the seven mode buttons from the left and
// Cancel at the right edge, each with its hint.
class ModeButtons {
public:
    static constexpr int kModes = 7;
    static constexpr UINT kFirstModeId = 1000;
    static constexpr UINT kCancelId = 1010;

    // Creates the buttons in `parent`.
    void Create(HWND parent);
    void AddHints(HintSet& hints) const;
    // Gives the buttons `font` and sizes them to their captions; returns the
    // height of the panel in pixels.
    int SetFont(HFONT font);
    // Keeps Cancel at the right edge of a client area `width` pixels wide.
    void PlaceCancel(int width);
    void EnableModes(bool enabled);
    void EnableCancel(bool enabled) { EnableWindow(cancel_, enabled); }
    // The default height of the panel, before any font is set.
    int DefaultPanelHeight() const;

    HWND Mode(int mode) const { return modes_[static_cast<size_t>(mode)]; }
    HWND Cancel() const { return cancel_; }

private:
    HWND parent_ = nullptr;
    std::array<HWND, kModes> modes_{};
    HWND cancel_ = nullptr;
};

}  // namespace kelvaro
