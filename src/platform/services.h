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

// Message boxes carrying the application's title.
class IPrompts {
public:
    virtual ~IPrompts() = default;
    virtual void Notice(const std::wstring& text) = 0;      // OK box, no icon
    virtual bool AskYesNo(const std::wstring& text) = 0;    // Yes/No box, no icon; true for Yes
};

// The title of every message box unless a window names another.
inline constexpr const wchar_t* kAppTitle = L"Kelvaro2";

}  // namespace kelvaro
