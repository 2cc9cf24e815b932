#include "windows/dialog_base.h"

#include <algorithm>

#include "platform/prompt_owner.h"
#include "windows/message_pump.h"
#include "windows/window_base.h"

namespace kelvaro {
namespace {

// The dialog lays itself out at a new DPI: Windows must neither resize it nor
// give its controls the template's font (Windows 10 1703 and later; looked up,
// since the program also runs on 1607).
void KeepOwnDpiLayout(HWND dialog) {
    using SetBehavior = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto set = user32 ? reinterpret_cast<SetBehavior>(
                                  reinterpret_cast<void*>(GetProcAddress(user32, "SetDialogDpiChangeBehavior")))
                            : nullptr;
    if (set) set(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

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
    const UINT dpi = Dpi();
    SetWindowPos(hwnd_, nullptr, TwipsToPixels(rect.left, dpi), TwipsToPixels(rect.top, dpi),
                 TwipsToPixels(rect.width, dpi), TwipsToPixels(rect.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE | (withSize ? 0 : SWP_NOSIZE));
}

void DialogBase::Unload(ISettingsStore& store, const std::wstring& prefix, bool withSize) {
    if (!hwnd_) return;
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const UINT dpi = Dpi();
    WriteTopLevelPosition(store, prefix,
                          {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi), PixelsToTwips(r.right - r.left, dpi),
                           PixelsToTwips(r.bottom - r.top, dpi)},
                          withSize);
    DestroyWindow(hwnd_);
}

void DialogBase::ApplyFont(HFONT font, UINT fontDpi) {
    if (!hwnd_) return;
    given_ = font;
    givenDpi_ = fontDpi ? fontDpi : Dpi();
    UseFontForDpi();
    Relayout();
}

UINT DialogBase::Dpi() const {
    return dpi_ ? dpi_ : WindowDpi(hwnd_);
}

void DialogBase::PlaceTwips(HWND control, double left, double top, double width, double height) const {
    const UINT dpi = Dpi();
    MoveWindow(control, TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi),
               TwipsToPixels(height, dpi), TRUE);
}

double DialogBase::HeightInTwips(HWND control) const {
    RECT r{};
    GetWindowRect(control, &r);
    return PixelsToTwips(r.bottom - r.top, Dpi());
}

void DialogBase::UseFontForDpi() {
    HFONT use = given_;
    OwnedFont scaled;
    LOGFONTW logFont{};
    if (given_ && givenDpi_ != Dpi() && GetObjectW(given_, sizeof(logFont), &logFont)) {
        logFont.lfHeight = MulDiv(logFont.lfHeight, static_cast<int>(Dpi()), static_cast<int>(givenDpi_));
        logFont.lfWidth = MulDiv(logFont.lfWidth, static_cast<int>(Dpi()), static_cast<int>(givenDpi_));
        scaled.reset(CreateFontIndirectW(&logFont));
        if (scaled) use = scaled.get();
    }
    font_ = use;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(use), TRUE);
    // The controls have let go of the copy made before.
    scaled_ = std::move(scaled);
}

// Moved to a screen of another DPI: the place Windows suggests, the font at
// the new DPI and the dialog's own layout (not the one Windows would make
// with the template's font).
void DialogBase::OnDpiChanged(UINT dpi, const RECT& suggested) {
    if (!given_) {
        given_ = Font();
        givenDpi_ = Dpi();
    }
    dpi_ = dpi;
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    UseFontForDpi();
    Relayout();
}

void DialogBase::ShowModal() {
    if (!hwnd_ || shown_) return;
    OnActivate();
    const bool ownerWasEnabled = owner_ && IsWindowEnabled(owner_);
    if (owner_) EnableWindow(owner_, FALSE);
    shown_ = true;
    const PromptOwnerScope prompts(hwnd_);
    ShowWindow(hwnd_, SW_SHOW);
    const MessagePump pump([this](MSG& msg) { return IsDialogMessageW(hwnd_, &msg) != FALSE; });
    // The program is ending: the quit goes on to the main loop.
    if (const auto quit = pump.Run([this] { return !shown_; })) PostQuitMessage(*quit);
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

HFONT DialogBase::Font() const {
    return font_ ? font_ : reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
}

DialogBase::Metrics DialogBase::FontMetrics() const {
    TEXTMETRICW tm{};
    {
        const MeasuringDc dc(hwnd_, Font());
        GetTextMetricsW(dc.get(), &tm);
    }
    const UINT dpi = Dpi();
    Metrics m;
    m.line = std::max<int>(tm.tmHeight, MulDiv(8, static_cast<int>(dpi), 96));
    m.check = GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi);
    m.margin = MulDiv(8, static_cast<int>(dpi), 96) + m.line / 4;
    m.gap = MulDiv(3, static_cast<int>(dpi), 96) + m.line / 4;
    m.button = m.line + MulDiv(10, static_cast<int>(dpi), 96);
    return m;
}

SIZE DialogBase::TextSize(HWND control) const {
    const std::wstring text = TextOf(control);
    RECT r{};
    const MeasuringDc dc(hwnd_, Font());
    DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE DialogBase::CheckBoxSize(HWND control) const {
    const Metrics m = FontMetrics();
    const SIZE text = TextSize(control);
    // The box, a gap, the caption and room for the focus rectangle.
    return {m.check + m.line / 2 + text.cx + MulDiv(4, static_cast<int>(Dpi()), 96),
            std::max(m.line, m.check) + MulDiv(4, static_cast<int>(Dpi()), 96)};
}

SIZE DialogBase::ButtonSize(HWND control) const {
    const Metrics m = FontMetrics();
    return {std::max<LONG>(TextSize(control).cx + 2 * m.line, 4 * m.line), m.button};
}

void DialogBase::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectExForDpi(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), Dpi());
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<DialogBase*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        KeepOwnDpiLayout(hwnd);
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
            case WM_DPICHANGED:
                if (HIWORD(wParam)) self->OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
                SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
                return TRUE;
            case WM_SYSCOLORCHANGE:
                // High contrast on or off: the common controls take the new colours when told.
                for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                    SendMessageW(c, WM_SYSCOLORCHANGE, wParam, lParam);
                return FALSE;
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
