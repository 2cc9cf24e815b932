#include "model/menu_actions.h"

#include <windows.h>

#include <cmath>

#include "engine/catalog.h"

namespace kelvaro {

bool ChooseSettingsFont(AppSettings& s, IPrompts& prompts) {
    FontChoice font{s.Font_Name, static_cast<double>(s.Font_Size), s.Font_Bold, s.Font_Italic};
    if (!prompts.AskFont(font)) return false;
    const auto size = static_cast<int16_t>(std::nearbyint(font.points));
    if (font.name == s.Font_Name && font.points == s.Font_Size && font.bold == s.Font_Bold &&
        font.italic == s.Font_Italic)
        return false;
    s.Font_Name = font.name;
    s.Font_Size = size;
    s.Font_Bold = font.bold;
    s.Font_Italic = font.italic;
    return true;
}

void OpenHelp(IFileSystem& fs, IPrompts& prompts) {
    std::wstring module(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()))) == module.size())
        module.resize(module.size() * 2);
    module.resize(length);
    const std::wstring folder = module.substr(0, module.rfind(L'\\') + 1);
    const std::wstring helpFile = folder + L"KELVARO2.HLP";
    if (fs.IsOrdinaryFile(helpFile)) {
        prompts.ShowHelp(helpFile);
        return;
    }
    const std::wstring guide = folder + L"KELVARO2.html";
    if (!fs.IsOrdinaryFile(guide)) {
        prompts.Notice(ResKelvaroText(KText::HelpFileMissing) + L"\r\n" + guide);
        return;
    }
    if (!prompts.OpenDocument(guide)) prompts.Notice(ResKelvaroText(KText::HelpNotShown) + L"\r\n" + guide);
}

}  // namespace kelvaro
