#include "model/menu_actions.h"

#include <windows.h>

#include <cmath>

#include "engine/catalog.h"
#include "platform/process_setup.h"

namespace kelvaro {

bool ChooseSettingsFont(AppSettings& s, IPrompts& prompts) {
    FontChoice font{s.fontName, static_cast<double>(s.fontSize), s.fontBold, s.fontItalic};
    if (!prompts.AskFont(font)) return false;
    const auto size = static_cast<int16_t>(std::nearbyint(font.points));
    if (font.name == s.fontName && font.points == s.fontSize && font.bold == s.fontBold && font.italic == s.fontItalic)
        return false;
    s.fontName = font.name;
    s.fontSize = size;
    s.fontBold = font.bold;
    s.fontItalic = font.italic;
    return true;
}

void OpenHelp(IFileSystem& fs, IPrompts& prompts) {
    const std::wstring folder = ProgramFolder();
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
