#include "windows/mode_buttons.h"

#include <algorithm>
#include <cmath>

#include "engine/catalog.h"
#include "windows/window_base.h"

namespace kelvaro {
namespace {

// Twips of the button panel and its buttons.
constexpr double kPanelHeight = 615;
constexpr double kButtonTop = 120, kButtonHeight = 375;
constexpr double kExeWidth = 855, kExeLeft = 120, kExeStep = 960;
constexpr double kCancelWidth = 1335;

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

SIZE CaptionSize(HWND button) {
    wchar_t text[64] = {};
    GetWindowTextW(button, text, 64);
    return TextSize(button, text);
}

}  // namespace

void ModeButtons::Create(HWND parent) {
    parent_ = parent;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const UINT dpi = WindowDpi(parent);
    modes_.assign(static_cast<size_t>(ModeCount()), nullptr);
    for (int i = 0; i < ModeCount(); ++i) {
        modes_[static_cast<size_t>(i)] =
            CreateWindowExW(0, L"BUTTON", ModeCaption(i).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                            TwipsToPixels(kExeLeft + kExeStep * i, dpi), TwipsToPixels(kButtonTop, dpi),
                            TwipsToPixels(kExeWidth, dpi), TwipsToPixels(kButtonHeight, dpi), parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstModeId + i)), instance, nullptr);
    }
    cancel_ = CreateWindowExW(0, L"BUTTON", ResAllText(AText::CancelButton).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, TwipsToPixels(kButtonTop, dpi),
                              TwipsToPixels(kCancelWidth, dpi), TwipsToPixels(kButtonHeight, dpi), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kCancelId)), instance, nullptr);
}

void ModeButtons::AddHints(HintSet& hints) const {
    for (int i = 0; i < ModeCount(); ++i)
        hints.Add(modes_[static_cast<size_t>(i)],
                  ModeHint(i) + (i < 9 ? FillIn(ResKelvaroText(KText::ModeShortcutHint), {static_cast<uint64_t>(i + 1)})
                                       : std::wstring()));  // Ctrl and a digit: nine at most
    hints.Add(cancel_, ResAllText(AText::StopHint));
}

bool ModeButtons::Holds(HWND control) const {
    return control && (control == cancel_ || std::find(modes_.begin(), modes_.end(), control) != modes_.end());
}

HWND ModeButtons::NextInRow(HWND from, bool backwards) const {
    std::vector<HWND> row(modes_.begin(), modes_.end());
    row.push_back(cancel_);
    const int count = static_cast<int>(row.size());
    const auto at = std::find(row.begin(), row.end(), from);
    int index = at == row.end() ? (backwards ? count : -1) : static_cast<int>(at - row.begin());
    for (int step = 0; step < count; ++step) {
        index = (index + (backwards ? count - 1 : 1)) % count;
        const HWND button = row[static_cast<size_t>(index)];
        if (IsWindowEnabled(button) && IsWindowVisible(button)) return button;
    }
    return nullptr;
}

// The buttons keep their designed size unless their captions need more in the
// font chosen; the mode buttons keep their spacing, and the panel grows with them.
int ModeButtons::SetFont(HFONT font) {
    for (HWND button : modes_) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(cancel_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    const UINT dpi = WindowDpi(parent_);
    const int padding = TwipsToPixels(240, dpi);
    int width = TwipsToPixels(kExeWidth, dpi), height = TwipsToPixels(kButtonHeight, dpi);
    for (HWND button : modes_) {
        const SIZE caption = CaptionSize(button);
        width = std::max<int>(width, caption.cx + padding);
        height = std::max<int>(height, caption.cy + padding / 2);
    }
    const SIZE cancelCaption = CaptionSize(cancel_);
    height = std::max<int>(height, cancelCaption.cy + padding / 2);
    const int cancelWidth = std::max<int>(TwipsToPixels(kCancelWidth, dpi), cancelCaption.cx + padding);
    const int top = TwipsToPixels(kButtonTop, dpi), gap = TwipsToPixels(kExeStep - kExeWidth, dpi);
    for (int i = 0; i < ModeCount(); ++i)
        MoveWindow(modes_[static_cast<size_t>(i)], TwipsToPixels(kExeLeft, dpi) + i * (width + gap), top, width, height,
                   TRUE);
    RECT cancel{};
    GetWindowRect(cancel_, &cancel);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&cancel), 2);
    MoveWindow(cancel_, cancel.left, top, cancelWidth, height, TRUE);
    return std::max(TwipsToPixels(kPanelHeight, dpi), top + height + TwipsToPixels(kButtonTop, dpi));
}

// Cancel's least left edge: one gap after the last mode button.
int ModeButtons::CancelLeast() const {
    RECT last{};
    GetWindowRect(modes_.back(), &last);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&last), 2);
    return last.right + TwipsToPixels(kExeStep - kExeWidth, WindowDpi(parent_));
}

void ModeButtons::PlaceCancel(int width) {
    const UINT dpi = WindowDpi(parent_);
    RECT cancel{};
    GetWindowRect(cancel_, &cancel);
    const double x = RoundHalfEven(PixelsToTwips(width, dpi) - 60 - PixelsToTwips(cancel.right - cancel.left, dpi));
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&cancel), 2);
    const int left = std::max(x > 0 ? TwipsToPixels(x, dpi) : 0, CancelLeast());
    MoveWindow(cancel_, left, cancel.top, cancel.right - cancel.left, cancel.bottom - cancel.top, TRUE);
}

int ModeButtons::PanelWidth() const {
    RECT cancel{};
    GetWindowRect(cancel_, &cancel);
    return CancelLeast() + (cancel.right - cancel.left) + TwipsToPixels(60, WindowDpi(parent_));
}

void ModeButtons::EnableModes(bool enabled) {
    for (HWND button : modes_) EnableWindow(button, enabled);
}

int ModeButtons::DefaultPanelHeight() const {
    return TwipsToPixels(kPanelHeight, WindowDpi(parent_));
}

}  // namespace kelvaro
