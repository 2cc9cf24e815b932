#pragma once
#include <windows.h>

#include "settings/app_settings.h"

namespace kelvaro {

// The font the settings name, at the given DPI. Owned; non-copyable.
class SettingsFont {
public:
    SettingsFont() = default;
    ~SettingsFont() { Reset(); }
    SettingsFont(const SettingsFont&) = delete;
    SettingsFont& operator=(const SettingsFont&) = delete;

    HFONT Create(const AppSettings& settings, UINT dpi);
    HFONT Get() const { return font_; }

private:
    void Reset();
    HFONT font_ = nullptr;
    HFONT previous_ = nullptr;
};

}  // namespace kelvaro
