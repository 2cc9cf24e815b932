#include "settings/app_settings.h"

#include "settings/value_text.h"

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

void SettingsLoad(ISettingsStore& store, AppSettings& s) {
    const bool old = ReadText(store, kOldAppName, L"Version", kVersionProbeAbsent) != kVersionProbeAbsent;
    const std::wstring app = old ? kOldAppName : kAppName;
    const AppSettings defaults;
    s.Auto = ReadFlag(store, app, L"Auto", defaults.Auto);
    s.AutoExe = ReadInteger(store, app, L"AutoExe", defaults.AutoExe);
    s.AutoLog = ReadFlag(store, app, L"AutoLog", defaults.AutoLog);
    s.Resize = ReadFlag(store, app, L"Resize", defaults.Resize);
    s.Tip = ReadFlag(store, app, L"Tip", defaults.Tip);
    s.Hira = ReadFlag(store, app, L"Hira", defaults.Hira);
    s.Font_Name = ReadText(store, app, L"Font_Name", defaults.Font_Name);
    s.Font_Size = ReadInteger(store, app, L"Font_Size", defaults.Font_Size);
    // A size no one could choose would only make every window unusable (and be stored again).
    if (s.Font_Size < kFontSizeMin || s.Font_Size > kFontSizeMax) s.Font_Size = defaults.Font_Size;
    s.Font_Bold = ReadFlag(store, app, L"Font_Bold", defaults.Font_Bold);
    s.Font_Italic = ReadFlag(store, app, L"Font_Italic", defaults.Font_Italic);
    s.Confirm = ReadFlag(store, app, L"Confirm", defaults.Confirm);
}

void SettingsSave(ISettingsStore& store, const AppSettings& s) {
    WriteText(store, L"Version", kVersionText);
    WriteText(store, L"Auto", FlagText(s.Auto));
    WriteText(store, L"AutoExe", IntegerText(s.AutoExe));
    WriteText(store, L"AutoLog", FlagText(s.AutoLog));
    WriteText(store, L"Resize", FlagText(s.Resize));
    WriteText(store, L"Tip", FlagText(s.Tip));
    WriteText(store, L"Hira", FlagText(s.Hira));
    WriteText(store, L"Font_Name", s.Font_Name);
    WriteText(store, L"Font_Size", IntegerText(s.Font_Size));
    WriteText(store, L"Font_Bold", FlagText(s.Font_Bold));
    WriteText(store, L"Font_Italic", FlagText(s.Font_Italic));
    WriteText(store, L"Confirm", FlagText(s.Confirm));
    store.StoreDelete(kOldAppName, L"");
}

void SettingsRemove(ISettingsStore& store) {
    store.StoreDelete(kAppName, kSectionName);
}

void KeepUnrecordedMark(RenameJournal& journal, ISettingsStore& store) {
    journal.SetUnrecordedMark(
        [&store] { return ReadFlag(store, kAppName, L"Unrecorded", false); },
        [&store](bool unrecorded) { WriteText(store, L"Unrecorded", FlagText(unrecorded)); });
}

}  // namespace kelvaro
