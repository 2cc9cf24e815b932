#pragma once
#include "settings/app_settings.h"

namespace kelvaro {

// What the options dialog shows: the six options it edits.
struct OptionsForm {
    bool autoRun = false;
    int mode = 0;  // the selected automatic-run mode, 0 to 7
    bool log = true;
    bool hiraganaToKatakana = true;
    bool resize = true;
    bool tip = true;
    bool confirm = false;  // ask before a mode button renames

    // The settings as the dialog opens with them (a mode outside 0-7 shows as 0).
    static OptionsForm FromSettings(const AppSettings& settings);
    // The initial values: no automatic run, mode 0, every other box checked.
    static OptionsForm Initial();
    // Writes the form back; true when the hint setting changed.
    bool ToSettings(AppSettings& settings) const;
};

}  // namespace kelvaro
