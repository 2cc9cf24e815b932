#include "platform/win32_services.h"

#include <cstring>

namespace kelvaro {
namespace {

// Closes the clipboard when the scope ends.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) {
        // Another program may hold the clipboard for a moment.
        for (int attempt = 0; attempt < 10 && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_) Sleep(20);
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
    : owner_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
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

void Win32Prompts::Notice(const std::wstring& text) { MessageBoxW(Owner(), text.c_str(), kAppTitle, MB_OK); }

bool Win32Prompts::AskYesNo(const std::wstring& text) {
    return MessageBoxW(Owner(), text.c_str(), kAppTitle, MB_YESNO) == IDYES;
}

}  // namespace kelvaro
