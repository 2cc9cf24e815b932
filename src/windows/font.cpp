#include "windows/font.h"

#include <cwchar>

namespace kelvaro {

HFONT SettingsFont::Create(const AppSettings& settings, UINT dpi) {
    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(settings.fontSize, static_cast<int>(dpi), 72);
    logFont.lfWeight = settings.fontBold ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = settings.fontItalic ? TRUE : FALSE;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = DEFAULT_QUALITY;
    wcsncpy(logFont.lfFaceName, settings.fontName.c_str(), LF_FACESIZE - 1);
    HFONT created = CreateFontIndirectW(&logFont);
    if (!created) return font_;  // keep the font in use
    // The controls still hold the font in use until they are given the new one.
    if (previous_) DeleteObject(previous_);
    previous_ = font_;
    font_ = created;
    return font_;
}

void SettingsFont::Reset() {
    for (HFONT* font : {&font_, &previous_}) {
        if (*font) DeleteObject(*font);
        *font = nullptr;
    }
}

}  // namespace kelvaro
