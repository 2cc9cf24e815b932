#include "settings/app_settings.h"

#include "settings/value_text.h"

#include <type_traits>
#include <utility>

namespace kelvaro {
namespace {

constexpr double kProbeAbsent = -9999;
constexpr const wchar_t* kVersionProbeAbsent = L"0.00";

}  // namespace

std::wstring ReadText(ISettingsStore& store,
                      const std::wstring& app,
                      const std::wstring& key,
                      const std::wstring& fallback) {
    return store.StoreRead(app, kSectionName, key, fallback);
}

bool ReadFlag(ISettingsStore& store, const std::wstring& app, const std::wstring& key, bool fallback) {
    return ParseFlag(ReadText(store, app, key, FlagText(fallback))).value_or(fallback);
}

int16_t ReadInteger(ISettingsStore& store, const std::wstring& app, const std::wstring& key, int16_t fallback) {
    return ParseInteger(ReadText(store, app, key, IntegerText(fallback))).value_or(fallback);
}

double ReadNumber(ISettingsStore& store, const std::wstring& app, const std::wstring& key, double fallback) {
    return ParseNumber(ReadText(store, app, key, CoordinateText(fallback))).value_or(fallback);
}

void WriteText(ISettingsStore& store, const std::wstring& key, const std::wstring& value) {
    store.StoreWrite(kAppName, kSectionName, key, value);
}

std::wstring ProbeWindowApp(ISettingsStore& store, const std::wstring& leftKey) {
    const double probe = ReadNumber(store, kOldAppName, leftKey, kProbeAbsent);
    return probe == kProbeAbsent ? kAppName : kOldAppName;
}

namespace {

// Each stored field and its key, read and written in this order.
using SettingField = std::variant<bool AppSettings::*, int16_t AppSettings::*, std::wstring AppSettings::*>;
const std::pair<const wchar_t*, SettingField> kSettingKeys[] = {
    {L"Auto", &AppSettings::autoRun},
    {L"AutoExe", &AppSettings::autoMode},
    {L"AutoLog", &AppSettings::copyHistory},
    {L"Resize", &AppSettings::resizeChildren},
    {L"Tip", &AppSettings::showTips},
    {L"Hira", &AppSettings::hiraganaToKatakana},
    {L"Font_Name", &AppSettings::fontName},
    {L"Font_Size", &AppSettings::fontSize},
    {L"Font_Bold", &AppSettings::fontBold},
    {L"Font_Italic", &AppSettings::fontItalic},
    {L"Confirm", &AppSettings::confirmBeforeRun},
};

}  // namespace

void SettingsLoad(ISettingsStore& store, AppSettings& s) {
    const bool old = ReadText(store, kOldAppName, L"Version", kVersionProbeAbsent) != kVersionProbeAbsent;
    const std::wstring app = old ? kOldAppName : kAppName;
    const AppSettings defaults;
    for (const auto& [key, field] : kSettingKeys)
        std::visit(
            [&, key = key](auto member) {
                using T = std::remove_reference_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, bool>)
                    s.*member = ReadFlag(store, app, key, defaults.*member);
                else if constexpr (std::is_same_v<T, int16_t>)
                    s.*member = ReadInteger(store, app, key, defaults.*member);
                else
                    s.*member = ReadText(store, app, key, defaults.*member);
            },
            field);
    // A size no one could choose would only make every window unusable (and be stored again).
    if (s.fontSize < kFontSizeMin || s.fontSize > kFontSizeMax) s.fontSize = defaults.fontSize;
}

void SettingsSave(ISettingsStore& store, const AppSettings& s) {
    WriteText(store, L"Version", kVersionText);
    for (const auto& [key, field] : kSettingKeys)
        std::visit(
            [&, key = key](auto member) {
                using T = std::remove_reference_t<decltype(s.*member)>;
                if constexpr (std::is_same_v<T, const bool>)
                    WriteText(store, key, FlagText(s.*member));
                else if constexpr (std::is_same_v<T, const int16_t>)
                    WriteText(store, key, IntegerText(s.*member));
                else
                    WriteText(store, key, s.*member);
            },
            field);
    store.StoreDelete(kOldAppName, L"");
}

void SettingsRemove(ISettingsStore& store) {
    store.StoreDelete(kAppName, kSectionName);
}

void KeepUnrecordedMark(RenameJournal& journal, ISettingsStore& store) {
    journal.SetUnrecordedMark([&store] { return ReadFlag(store, kAppName, L"Unrecorded", false); },
                              [&store](bool unrecorded) { WriteText(store, L"Unrecorded", FlagText(unrecorded)); });
}

}  // namespace kelvaro
