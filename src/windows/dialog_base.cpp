#include "windows/dialog_base.h"

#include "windows/hints.h"
#include "windows/window_base.h"

namespace kelvaro {

DialogBase::~DialogBase() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

bool DialogBase::Load(HWND owner, int templateId) {
    owner_ = owner;
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    return hwnd_ != nullptr;
}

void DialogBase::RestorePosition(ISettingsStore& store,
                                 const std::wstring& prefix,
                                 const TwipsRect& defaults,
                                 bool withSize,
                                 const ScreenTwips& screen) {
    const TwipsRect rect = ReadTopLevelPosition(store, prefix, defaults, withSize, screen);
    const UINT dpi = WindowDpi(hwnd_);
    SetWindowPos(hwnd_, nullptr, TwipsToPixels(rect.left, dpi), TwipsToPixels(rect.top, dpi),
                 TwipsToPixels(rect.width, dpi), TwipsToPixels(rect.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE | (withSize ? 0 : SWP_NOSIZE));
}

void DialogBase::Unload(ISettingsStore& store, const std::wstring& prefix, bool withSize) {
    if (!hwnd_) return;
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const UINT dpi = WindowDpi(hwnd_);
    WriteTopLevelPosition(store, prefix,
                          {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi), PixelsToTwips(r.right - r.left, dpi),
                           PixelsToTwips(r.bottom - r.top, dpi)},
                          withSize);
    DestroyWindow(hwnd_);
}

void DialogBase::ApplyFont(HFONT font) {
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void DialogBase::ShowModal() {
    if (!hwnd_) return;
    OnActivate();
    const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
    if (owner_) EnableWindow(owner_, FALSE);
    shown_ = true;
    ShowWindow(hwnd_, SW_SHOW);
    MSG msg;
    while (shown_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HintSet::RelayMouse(msg);
        if (!IsDialogMessageW(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (shown_ && msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));
    if (owner_ && ownerWasEnabled) {
        EnableWindow(owner_, TRUE);
        SetActiveWindow(owner_);
    }
}

void DialogBase::Hide() {
    shown_ = false;
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wake the modal loop
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<DialogBase*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        try {
            self->OnInit();
        } catch (...) {
        }
        return TRUE;
    }
    auto* self = reinterpret_cast<DialogBase*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    try {
        switch (message) {
            case WM_COMMAND:
                return self->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
            case WM_CLOSE:
                self->OnCommand(IDCANCEL, BN_CLICKED);
                return TRUE;
            case WM_NCDESTROY:
                self->hwnd_ = nullptr;
                return FALSE;
            default:
                return self->OnOtherMessage(message, wParam, lParam);
        }
    } catch (...) {
        return FALSE;
    }
}

}  // namespace kelvaro
