#pragma once
#include <windows.h>

#include <vector>
#include <string>

#include "engine/folder_rules.h"
#include "windows/command_ids.h"
#include "windows/hints.h"

namespace kelvaro {

// The panel above the child windows: the mode buttons from the left and
// Cancel at the right edge, each with its hint; a mode button's hint names its
// shortcut, Ctrl and the button's place in the row (Ctrl+1 for the first).
class ModeButtons {
public:
    static constexpr UINT kFirstModeId = kelvaro::kFirstModeId;
    static constexpr UINT kCancelId = kelvaro::kCancelId;

    // Creates the buttons in `parent`.
    void Create(HWND parent);
    void AddHints(HintSet& hints) const;
    // Gives the buttons `font` and sizes them to their captions; returns the
    // height of the panel in pixels.
    int SetFont(HFONT font);
    // Keeps Cancel at the right edge of a client area `width` pixels wide, but
    // never over the mode buttons.
    void PlaceCancel(int width);
    // The client width in pixels that shows every button without overlap.
    int PanelWidth() const;
    void EnableModes(bool enabled);
    void EnableCancel(bool enabled) { EnableWindow(cancel_, enabled); }
    // The default height of the panel, before any font is set.
    int DefaultPanelHeight() const;

    // The keyboard in the row: the button after (or before) `from` that can
    // take the focus, going round; from nullptr the first (or last). Nullptr
    // when no button of the row is enabled.
    HWND NextInRow(HWND from, bool backwards) const;
    bool Holds(HWND control) const;

    HWND Mode(int mode) const { return modes_[static_cast<size_t>(mode)]; }
    HWND Cancel() const { return cancel_; }

private:
    int CancelLeast() const;

    HWND parent_ = nullptr;
    std::vector<HWND> modes_;
    HWND cancel_ = nullptr;
};

}  // namespace kelvaro
