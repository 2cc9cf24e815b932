#pragma once
#include <string>

#include "ports/file_system.h"
#include "ports/services.h"
#include "settings/app_settings.h"

namespace kelvaro {

// The font dialog preset with the settings' font; true when the user chose
// another one, which the settings then hold.
bool ChooseSettingsFont(AppSettings& settings, IPrompts& prompts);

// The old help file when one lies beside the program; otherwise the guide,
// a web page, in the user's browser; a notice when neither can be shown.
void OpenHelp(IFileSystem& fs, IPrompts& prompts);

}  // namespace kelvaro
