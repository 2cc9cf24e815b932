#include "settings/window_position.h"

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

}  // namespace

TwipsRect ReadTopLevelPosition(ISettingsStore& store,
                               const std::wstring& prefix,
                               const TwipsRect& defaults,
                               bool withSize,
                               const ScreenTwips& screen) {
    TwipsRect rect = ReadRect(store, prefix, defaults, withSize);
    if (rect.left < 0 || rect.left > screen.width) rect.left = kDefaultTwipsPosition;
    if (rect.top < 0 || rect.top > screen.height) rect.top = kDefaultTwipsPosition;
    return rect;
}

void WriteTopLevelPosition(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& rect, bool withSize) {
    WriteRect(store, prefix, rect, withSize);
}

MainPosition ReadMainPosition(ISettingsStore& store, const ScreenTwips& screen) {
    MainPosition position;
    position.rect = ReadTopLevelPosition(store, L"Main_", {1000, 1000, 8000, 8000}, true, screen);
    if (position.rect.width < 2000) position.rect.width = 8000;
    if (position.rect.height < 500) position.rect.height = 8000;
    const std::wstring app = ProbeWindowApp(store, L"Main_Left");
    position.windowState = ReadInteger(store, app, L"Main_WindowState", 0);
    return position;
}

void WriteMainPosition(ISettingsStore& store, const MainPosition& position) {
    WriteText(store, L"Main_WindowState", IntegerText(position.windowState));
    if (position.windowState == 0) WriteRect(store, L"Main_", position.rect, true);
}

TwipsRect ReadChildPosition(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& designed) {
    return ReadRect(store, prefix, designed, true);
}

void WriteChildPosition(ISettingsStore& store, const std::wstring& prefix, const TwipsRect& rect) {
    WriteRect(store, prefix, rect, true);
}

}  // namespace kelvaro
