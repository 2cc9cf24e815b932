#pragma once
#include <windows.h>

namespace kelvaro {

// While a modal dialog is shown, the message and input boxes it opens belong
// to it: closing them gives the focus back to the dialog, and the main
// window stays disabled. One scope per shown dialog; scopes nest.
class PromptOwnerScope {
public:
    explicit PromptOwnerScope(HWND dialog);
    ~PromptOwnerScope();
    PromptOwnerScope(const PromptOwnerScope&) = delete;
    PromptOwnerScope& operator=(const PromptOwnerScope&) = delete;

    // The innermost dialog shown, or null.
    static HWND Current();

private:
    HWND previous_;
};

}  // namespace kelvaro
