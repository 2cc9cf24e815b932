#pragma once
#include <cstdint>
#include <string>
#include <variant>

#include "engine/journal.h"
#include "ports/settings_store.h"
#include "version.h"

namespace kelvaro {

// Where the settings live: the current location, and the one earlier
// releases wrote to, which is read once and then removed.
inline constexpr const wchar_t* kAppName = L"Orlenk's Soft";
inline constexpr const wchar_t* kOldAppName = L"Kelvaro2";
inline constexpr const wchar_t* kSectionName = L"Kelvaro2";
// The version written beside the settings: the one the build carries.
inline constexpr const wchar_t* kVersionText = L"" KELVARO_VERSION_TEXT;

// The process-wide settings record. The registry keys keep the names earlier
// releases gave them (kSettingKeys in app_settings.cpp maps each field to its key).
struct AppSettings {
    bool autoRun = false;        // folders named at start are renamed without a window
    int16_t autoMode = 2;        // by this mode
    bool copyHistory = true;     // the automatic run puts its history on the clipboard
    bool resizeChildren = true;  // the child windows follow the frame's size
    bool showTips = true;
    bool hiraganaToKatakana = true;                        // half-width conversion turns hiragana into katakana too
    std::wstring fontName = L"\uFF2D\uFF33 \u660E\u671D";  // ＭＳ 明朝
    int16_t fontSize = 10;
    bool fontBold = false;
    bool fontItalic = false;
    // A mode button shows what the run would do and asks before renaming.
    bool confirmBeforeRun = false;
    // Read and written by the source folder browser with its window: the
    // folder it opens at, whether it does, and the folder it showed last.
    std::wstring initialFolder;
    bool initialFolderOn = true;
    std::wstring lastFolder;
    // Never stored: true while the automatic run is in progress.
    bool autoRunning = false;
};

// The font sizes the font dialog offers, in points.
inline constexpr int kFontSizeMin = 6;
inline constexpr int kFontSizeMax = 72;

// Fills the global options (not the three folder fields). A missing or
// malformed value, and a font size the font dialog does not offer, leave the
// field at its default.
void SettingsLoad(ISettingsStore& store, AppSettings& settings);
// Writes the version and the global options, then removes the old location.
void SettingsSave(ISettingsStore& store, const AppSettings& settings);
// Removes every key of the current location (the "/U" request).
void SettingsRemove(ISettingsStore& store);
// The journal remembers a run that went on without a record under the key
// Unrecorded, which every copy of the program reads before an undo.
void KeepUnrecordedMark(RenameJournal& journal, ISettingsStore& store);

// Reads a typed value with a default; malformed text counts as absent.
bool ReadFlag(ISettingsStore& store, const std::wstring& app, const std::wstring& key, bool fallback);
int16_t ReadInteger(ISettingsStore& store, const std::wstring& app, const std::wstring& key, int16_t fallback);
double ReadNumber(ISettingsStore& store, const std::wstring& app, const std::wstring& key, double fallback);
std::wstring ReadText(ISettingsStore& store,
                      const std::wstring& app,
                      const std::wstring& key,
                      const std::wstring& fallback);
void WriteText(ISettingsStore& store, const std::wstring& key, const std::wstring& value);

// The application a window's group of keys is read from: the old location
// when it holds the window's Left key, otherwise the current one.
std::wstring ProbeWindowApp(ISettingsStore& store, const std::wstring& leftKey);

}  // namespace kelvaro
