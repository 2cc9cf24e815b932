#pragma once
#include <cstdint>
#include <string>

#include "ports/settings_store.h"

namespace kelvaro {

// A window's position and size in twips.
struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The primary screen, and the desktop over every monitor (0: the primary
// screen is the whole desktop).
struct ScreenTwips {
    double width = 0;
    double height = 0;
    double virtualWidth = 0;
    double virtualHeight = 0;
};

inline constexpr double kDefaultTwipsPosition = 1000;

// A top-level window (main window or dialog): `prefix` such as L"Option_".
// Left and Top come back inside the screen; Width and Height are read only
// when `withSize` is set, and a size larger than the desktop or smaller than
// the window is usable at gives the default.
TwipsRect ReadTopLevelPosition(ISettingsStore& store,
                               const std::wstring& prefix,
                               const TwipsRect& defaults,
                               bool withSize,
                               const ScreenTwips& screen);
void WriteTopLevelPosition(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& rect, bool withSize);

// The main window: the top-level rules, a minimum size, and its window state
// (0 normal, 1 minimised, 2 maximised).
struct MainPosition {
    TwipsRect rect;
    int16_t windowState = 0;
};
// Without a stored width the window is `defaultWidth` wide (what its buttons
// need), at least kMainDefaultWidth and at most the desktop.
inline constexpr double kMainDefaultWidth = 8000;
MainPosition ReadMainPosition(ISettingsStore& store,
                              const ScreenTwips& screen,
                              double defaultWidth = kMainDefaultWidth);
// The coordinates are written only for a normal window; the state always.
void WriteMainPosition(ISettingsStore& store, const MainPosition& position);

// A child window: the designed position serves as default. A size larger
// than the desktop or too small to use, and a position that leaves no part of
// the caption within the desktop's extent, give the designed values.
TwipsRect ReadChildPosition(ISettingsStore& store,
                            const std::wstring& prefix,
                            const TwipsRect& designed,
                            const ScreenTwips& screen);
void WriteChildPosition(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& rect);

}  // namespace kelvaro
