#include "platform/win32_services.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cmath>
#include <cstring>

#include "platform/input_box.h"
#include "settings/app_settings.h"
#include "platform/prompt_owner.h"

namespace kelvaro {
namespace {

// Closes the clipboard when the scope ends.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) {
        // Another program may hold the clipboard for a moment: about a second.
        constexpr int kAttempts = 20;
        constexpr DWORD kPause = 50;
        for (int attempt = 0; attempt < kAttempts && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_ && attempt + 1 < kAttempts) Sleep(kPause);
        }
    }
    ~OpenClipboardScope() {
        if (open_) CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool IsOpen() const { return open_; }

private:
    bool open_ = false;
};

}  // namespace

Win32Clipboard::Win32Clipboard()
    : owner_(CreateWindowExW(0,
                             L"STATIC",
                             L"",
                             0,
                             0,
                             0,
                             0,
                             0,
                             HWND_MESSAGE,
                             nullptr,
                             GetModuleHandleW(nullptr),
                             nullptr)) {}

bool Win32Clipboard::SetText(const std::wstring& text) {
    OpenClipboardScope scope(owner_.get());
    if (!scope.IsOpen() || !EmptyClipboard()) return false;
    if (text.empty()) return true;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

HWND Win32Prompts::Owner() const {
    if (HWND dialog = PromptOwnerScope::Current()) return dialog;
    return owner_ ? *owner_ : nullptr;
}

void Win32Prompts::Notice(const std::wstring& text) {
    MessageBoxW(Owner(), text.c_str(), kAppTitle, MB_OK);
}

bool Win32Prompts::AskYesNo(const std::wstring& text) {
    return MessageBoxW(Owner(), text.c_str(), kAppTitle, MB_YESNO) == IDYES;
}

bool Win32Prompts::AskYesNoWarning(const std::wstring& text) {
    return MessageBoxW(Owner(), text.c_str(), kAppTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

}  // namespace kelvaro

namespace kelvaro {

std::wstring Win32Prompts::AskSaveFile(const std::wstring& filter, const std::wstring& defaultExtension) {
    // The dialog wants NUL-separated pairs ending in two NULs.
    std::wstring pairs = filter;
    for (auto& c : pairs)
        if (c == L'|') c = L'\0';
    pairs.push_back(L'\0');
    pairs.push_back(L'\0');
    std::wstring extension = defaultExtension;
    if (!extension.empty() && extension.front() == L'.') extension.erase(0, 1);
    wchar_t file[MAX_PATH * 4] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = Owner();
    ofn.lpstrFilter = pairs.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(std::size(file));
    ofn.lpstrDefExt = extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn)) return {};
    return file;
}

bool Win32Prompts::AskFont(FontChoice& font) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTW logFont{};
    logFont.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
    logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = font.italic;
    logFont.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(logFont.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
    CHOOSEFONTW choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = Owner();
    choose.lpLogFont = &logFont;
    choose.Flags =
        CF_SCREENFONTS | CF_NOVECTORFONTS | CF_TTONLY | CF_FORCEFONTEXIST | CF_LIMITSIZE | CF_INITTOLOGFONTSTRUCT;
    choose.nSizeMin = kFontSizeMin;
    choose.nSizeMax = kFontSizeMax;
    if (!ChooseFontW(&choose)) return false;
    font.name = logFont.lfFaceName;
    font.points = choose.iPointSize / 10.0;
    font.bold = logFont.lfWeight >= FW_BOLD;
    font.italic = logFont.lfItalic != 0;
    return true;
}

std::wstring Win32Prompts::AskText(const std::wstring& prompt,
                                   const std::wstring& title,
                                   const std::wstring& proposed) {
    return InputBox(Owner(), prompt, title, proposed);
}

void Win32Prompts::ShowHelp(const std::wstring& helpFile) {
    WinHelpW(Owner(), helpFile.c_str(), HELP_FINDER, 0);
}

bool Win32Prompts::OpenDocument(const std::wstring& path) {
    // The shell starts the viewer and returns; it never waits for it to close.
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(Owner(), L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

}  // namespace kelvaro
