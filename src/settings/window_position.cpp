#include "settings/window_position.h"

#include <algorithm>

#include "settings/app_settings.h"
#include "settings/value_text.h"

namespace kelvaro {
namespace {

TwipsRect ReadRect(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& defaults, bool withSize) {
    const std::wstring app = ProbeWindowApp(store, prefix + L"Left");
    TwipsRect rect = defaults;
    rect.left = ReadNumber(store, app, prefix + L"Left", defaults.left);
    rect.top = ReadNumber(store, app, prefix + L"Top", defaults.top);
    if (withSize) {
        rect.width = ReadNumber(store, app, prefix + L"Width", defaults.width);
        rect.height = ReadNumber(store, app, prefix + L"Height", defaults.height);
    }
    return rect;
}

void WriteRect(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& rect, bool withSize) {
    WriteText(store, prefix + L"Left", CoordinateText(rect.left));
    WriteText(store, prefix + L"Top", CoordinateText(rect.top));
    if (withSize) {
        WriteText(store, prefix + L"Width", CoordinateText(rect.width));
        WriteText(store, prefix + L"Height", CoordinateText(rect.height));
    }
}

double DesktopWidth(const ScreenTwips& screen) {
    return std::max(screen.width, screen.virtualWidth);
}

double DesktopHeight(const ScreenTwips& screen) {
    return std::max(screen.height, screen.virtualHeight);
}

// A size outside [least, desktop] gives the default.
double SaneSize(double size, double least, double desktop, double fallback) {
    return (size < least || size > desktop) ? fallback : size;
}

// The least size each resizable top-level window can be used at.
TwipsRect LeastSize(const std::wstring& prefix) {
    if (prefix == L"Main_") return {0, 0, 2000, 500};
    return {0, 0, 3000, 3000};  // the initial folder dialog's lists and buttons
}

constexpr double kChildLeastWidth = 1500;
constexpr double kChildLeastHeight = 900;
// How much of a child window's caption must lie within the desktop's extent.
constexpr double kReachTwips = 600;

}  // namespace

TwipsRect ReadTopLevelPosition(ISettingsStore& store,
                               const std::wstring& prefix,
                               const TwipsRect& defaults,
                               bool withSize,
                               const ScreenTwips& screen) {
    TwipsRect rect = ReadRect(store, prefix, defaults, withSize);
    if (rect.left < 0 || rect.left > screen.width) rect.left = kDefaultTwipsPosition;
    if (rect.top < 0 || rect.top > screen.height) rect.top = kDefaultTwipsPosition;
    if (withSize) {
        const TwipsRect least = LeastSize(prefix);
        rect.width = SaneSize(rect.width, least.width, DesktopWidth(screen), defaults.width);
        rect.height = SaneSize(rect.height, least.height, DesktopHeight(screen), defaults.height);
        // The default size can be larger than a small screen at a large scale
        // (1280 x 720 at 150 %): then it is cut to the screen, and a window at
        // the default place moves up and left until all of it shows.
        rect.width = std::min(rect.width, DesktopWidth(screen));
        rect.height = std::min(rect.height, DesktopHeight(screen));
        if (rect.left == defaults.left || rect.left == kDefaultTwipsPosition)
            rect.left = std::max(0.0, std::min(rect.left, DesktopWidth(screen) - rect.width));
        if (rect.top == defaults.top || rect.top == kDefaultTwipsPosition)
            rect.top = std::max(0.0, std::min(rect.top, DesktopHeight(screen) - rect.height));
    }
    return rect;
}

void WriteTopLevelPosition(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& rect, bool withSize) {
    WriteRect(store, prefix, rect, withSize);
}

MainPosition ReadMainPosition(ISettingsStore& store, const ScreenTwips& screen, double defaultWidth) {
    MainPosition position;
    const double width = std::min(std::max(defaultWidth, kMainDefaultWidth), DesktopWidth(screen));
    position.rect = ReadTopLevelPosition(store, L"Main_", {1000, 1000, width, 8000}, true, screen);
    const std::wstring app = ProbeWindowApp(store, L"Main_Left");
    position.windowState = ReadInteger(store, app, L"Main_WindowState", 0);
    return position;
}

void WriteMainPosition(ISettingsStore& store, const MainPosition& position) {
    WriteText(store, L"Main_WindowState", IntegerText(position.windowState));
    if (position.windowState == 0) WriteRect(store, L"Main_", position.rect, true);
}

TwipsRect ReadChildPosition(ISettingsStore& store,
                            const std::wstring& prefix,
                            const TwipsRect& designed,
                            const ScreenTwips& screen) {
    TwipsRect rect = ReadRect(store, prefix, designed, true);
    const double width = DesktopWidth(screen), height = DesktopHeight(screen);
    rect.width = SaneSize(rect.width, kChildLeastWidth, width, designed.width);
    rect.height = SaneSize(rect.height, kChildLeastHeight, height, designed.height);
    if (rect.left + rect.width < kReachTwips || rect.left > width - kReachTwips) rect.left = designed.left;
    if (rect.top < 0 || rect.top > height - kReachTwips) rect.top = designed.top;
    return rect;
}

void WriteChildPosition(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& rect) {
    WriteRect(store, prefix, rect, true);
}

}  // namespace kelvaro
