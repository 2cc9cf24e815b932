#pragma once
#include <windows.h>

#include "ports/services.h"
#include "platform/unique_handle.h"

namespace kelvaro {

// Opens the clipboard with a message-only window of its own, so that the
// data has an owner (Windows refuses SetClipboardData without one).
class Win32Clipboard final : public IClipboard {
public:
    Win32Clipboard();
    bool SetText(const std::wstring& text) override;

private:
    UniqueWindow owner_;
};

class Win32Prompts final : public IPrompts {
public:
    explicit Win32Prompts(HWND* owner = nullptr) : owner_(owner) {}
    void Notice(const std::wstring& text) override;
    bool AskYesNo(const std::wstring& text) override;
    bool AskYesNoWarning(const std::wstring& text) override;
    std::wstring AskSaveFile(const std::wstring& filter, const std::wstring& defaultExtension) override;
    bool AskFont(FontChoice& font) override;
    std::wstring AskText(const std::wstring& prompt, const std::wstring& title, const std::wstring& proposed) override;
    void ShowHelp(const std::wstring& helpFile) override;
    bool OpenDocument(const std::wstring& path) override;

private:
    // The modal dialog shown at the moment, else the main window.
    HWND Owner() const;
    HWND* owner_;
};

}  // namespace kelvaro
