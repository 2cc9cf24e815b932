#pragma once
#include <string>

namespace kelvaro {

// The clipboard as plain text.
class IClipboard {
public:
    virtual ~IClipboard() = default;
    // Empties the clipboard, then puts `text` on it unless it is empty.
    virtual bool SetText(const std::wstring& text) = 0;
};

struct FontChoice {
    std::wstring name;
    double points = 0;
    bool bold = false;
    bool italic = false;
};

// What the program asks of the user, and the help viewer. Message boxes carry
// the application's title.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    virtual void Notice(const std::wstring& text) = 0;    // OK box, no icon
    virtual bool AskYesNo(const std::wstring& text) = 0;  // Yes/No box, no icon; true for Yes
    // A warning whose safe answer is No: No is the default button.
    virtual bool AskYesNoWarning(const std::wstring& text) { return AskYesNo(text); }
    // The save-file dialog: `filter` in the form "Name|*.EXT|Name|*.*". Empty when cancelled.
    virtual std::wstring AskSaveFile(const std::wstring& filter, const std::wstring& defaultExtension) {
        (void)filter;
        (void)defaultExtension;
        return {};
    }
    // The input box: the text typed, or empty text when cancelled.
    virtual std::wstring AskText(const std::wstring& prompt, const std::wstring& title, const std::wstring& proposed) {
        (void)prompt;
        (void)title;
        (void)proposed;
        return {};
    }
    // The font dialog, preset with `font`; false when cancelled.
    virtual bool AskFont(FontChoice& font) {
        (void)font;
        return false;
    }
    // Opens a help file at its contents.
    virtual void ShowHelp(const std::wstring& helpFile) { (void)helpFile; }
    // Opens a document with the program the user has chosen for it (the
    // browser for a web page); false when nothing could open it.
    virtual bool OpenDocument(const std::wstring& path) {
        (void)path;
        return false;
    }
};

// The title of every message box unless a window names another.
inline constexpr const wchar_t* kAppTitle = L"Kelvaro2";

}  // namespace kelvaro
