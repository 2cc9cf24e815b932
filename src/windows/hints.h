#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace kelvaro {

// A tooltip's entry for `control` of the window `owner`, showing `text`.
TTTOOLINFOW ToolFor(HWND owner, HWND control, const wchar_t* text);

// The hint texts (tooltips) of one window's controls, switched on and off together.
class HintSet {
public:
    ~HintSet();
    void Create(HWND owner);
    void Add(HWND control, std::wstring text);
    // Changes the text a control shows while hints are on.
    void SetText(HWND control, std::wstring text);
    void SetToolTip(bool on);
    // The hint a control shows now (empty when hints are off).
    std::wstring CurrentText(HWND control) const;
    HWND Handle() const { return tooltip_; }
    // Hands a mouse message of the message loop to every hint window. (Letting
    // the hint windows subclass the controls instead makes every message to a
    // list box many times slower under Wine.)
    static void RelayMouse(const MSG& msg);

private:
    struct Tool {
        HWND control;
        std::wstring text;
    };
    HWND owner_ = nullptr;
    HWND tooltip_ = nullptr;
    std::vector<Tool> tools_;
};

}  // namespace kelvaro
