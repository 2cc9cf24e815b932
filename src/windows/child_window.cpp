#include "windows/child_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "settings/app_settings.h"
#include "windows/accessible_name.h"
#include "windows/shared_menu.h"

namespace kelvaro {
namespace {

constexpr const wchar_t* kChildClass = L"Kelvaro2Child";
constexpr UINT kFirstPopupId = kPopupSelectAll;

bool IsClass(HWND control, const wchar_t* name) {
    wchar_t className[32] = {};
    return GetClassNameW(control, className, 32) && _wcsicmp(className, name) == 0;
}

}  // namespace

ChildWindow::ChildWindow(AppState& state,
                         Services& services,
                         IChildHost& host,
                         std::wstring prefix,
                         KText caption,
                         TwipsRect designed)
    : state_(state),
      services_(services),
      host_(host),
      prefix_(std::move(prefix)),
      caption_(caption),
      designed_(designed) {}

ChildWindow::~ChildWindow() {
    if (menu_ && IsMenu(menu_)) DestroyMenu(menu_);
}

bool ChildWindow::Load(HWND mdiClient) {
    try {
        RegisterClassOnce(kChildClass, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
        const UINT dpi = WindowDpi(mdiClient);
        CreateWindowExW(WS_EX_MDICHILD, kChildClass, ResKelvaroText(caption_).c_str(),
                        WS_CHILD | WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN,
                        TwipsToPixels(designed_.left, dpi), TwipsToPixels(designed_.top, dpi),
                        TwipsToPixels(designed_.width, dpi), TwipsToPixels(designed_.height, dpi), mdiClient, nullptr,
                        GetModuleHandleW(nullptr), this);
        if (!hwnd_) throw std::runtime_error("window");
        menu_ = CreateSharedMenu();
        hints_.Create(hwnd_);
        CreateControls();
        if (!state_.settings.autoRunning && !state_.settings.resizeChildren) {
            // Never placed by the user: the main window arranges it once it knows its own size.
            const std::wstring left = prefix_ + L"Left";
            unplaced_ = ReadText(services_.store, ProbeWindowApp(services_.store, left), left, L"\x01") == L"\x01";
            if (!unplaced_) PlaceTwips(ReadChildPosition(services_.store, prefix_, PositionTwips(), ScreenTwipsNow()));
        }
        SetToolTip(state_.settings.showTips);
        OnLoaded();
        return true;
    } catch (...) {
        RecordUnexpected("ChildWindow::Load");
        services_.prompts.Notice(std::wstring(L"Kelvaro2 ") + FormName() + L" Form_Load ERR");
        return false;
    }
}

void ChildWindow::Unload(bool mainWindowNormal) {
    if (!hwnd_) return;
    if (mainWindowNormal && !state_.settings.resizeChildren && !state_.settings.autoRunning)
        WriteChildPosition(services_.store, prefix_, PositionTwips());
    if (!state_.settings.autoRunning) OnUnloading();
    DestroyWindow(hwnd_);
}

void ChildWindow::ApplyFont(HFONT font) {
    for (HWND control : textControls_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    OnFontChanged();
    Relayout();
}

void ChildWindow::EnableMenus(bool enabled) {
    EnableTopItems(menu_, enabled);
    HWND frame = GetParent(GetParent(hwnd_));
    if (frame && GetMenu(frame) == menu_) DrawMenuBar(frame);
}

TwipsRect ChildWindow::PositionTwips() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    const UINT dpi = WindowDpi(hwnd_);
    return {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi), PixelsToTwips(r.right - r.left, dpi),
            PixelsToTwips(r.bottom - r.top, dpi)};
}

void ChildWindow::PlaceTwips(const TwipsRect& rect) {
    const UINT dpi = WindowDpi(hwnd_);
    MoveWindow(hwnd_, TwipsToPixels(rect.left, dpi), TwipsToPixels(rect.top, dpi), TwipsToPixels(rect.width, dpi),
               TwipsToPixels(rect.height, dpi), TRUE);
}

void ChildWindow::Relayout() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const UINT dpi = WindowDpi(hwnd_);
    Layout(PixelsToTwips(client.right, dpi), PixelsToTwips(client.bottom, dpi));
    // Controls moved together with the window are drawn anew, not left as
    // the blank squares the move may have copied.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HWND ChildWindow::MakeListBox(DWORD style, int id) {
    HWND list = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"LISTBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | style, 0, 0, 100, 100,
        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    textControls_.push_back(list);
    SetAccessibleName(list, ResKelvaroText(caption_));
    return list;
}

HWND ChildWindow::MakeButton(const wchar_t* text, DWORD style, int id) {
    HWND button =
        CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, 32, 32, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    textControls_.push_back(button);
    return button;
}

HWND ChildWindow::MakePictureButton(int iconId, int id, KText hint) {
    HWND button = MakeButton(ResKelvaroText(hint).c_str(), BS_PUSHBUTTON | BS_ICON, id);
    pictures_.emplace_back(button, iconId);
    LoadPictures();
    AddHint(button, hint);
    return button;
}

void ChildWindow::LoadPictures() {
    for (const auto& [button, iconId] : pictures_) SetButtonIcon(button, iconId);
}

void ChildWindow::AddHint(HWND control, KText hint) {
    hints_.Add(control, ResKelvaroText(hint));
}

void ChildWindow::FillWithList(HWND list, double width, double height) {
    const double w = static_cast<long>(width - 120), h = static_cast<long>(height - 120);
    if (w <= 0) return;
    MoveTwips(list, 60, 60, w, h >= 1 ? h : HeightTwips(list));
}

void ChildWindow::FillWithListAndButtons(HWND list, std::initializer_list<HWND> buttons, double width, double height) {
    constexpr double kButtonWidth = 495, kButtonHeight = 375;
    const double w = static_cast<long>(width - 120);
    const double h = static_cast<long>(height - kButtonHeight - 180);
    if (w <= 0) return;
    MoveTwips(list, 60, 60, w, h >= 1 ? h : HeightTwips(list));
    double left = 60;
    for (HWND button : buttons) {
        MoveTwips(button, left, h + 120, kButtonWidth, kButtonHeight);
        left = left == 60 ? kButtonWidth + 120 : left + kButtonWidth + 60;
    }
}

HMENU ChildWindow::BuildPopup() {
    HMENU popup = CreatePopupMenu();
    FillPopup(popup);
    return popup;
}

bool TranslateChildKeys(HWND mdiClient, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_TAB && msg.wParam != VK_RETURN)) return false;
    if (!mdiClient || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    HWND child = msg.hwnd;
    while (child && GetParent(child) != mdiClient) child = GetParent(child);
    if (!child || !IsWindowEnabled(child)) return false;
    HWND control = msg.hwnd == child ? nullptr : msg.hwnd;
    if (msg.wParam == VK_RETURN) {
        if (!control || !IsClass(control, L"BUTTON")) return false;
        SendMessageW(control, BM_CLICK, 0, 0);
        return true;
    }
    if (control && IsClass(control, L"COMBOBOX")) SendMessageW(control, CB_SHOWDROPDOWN, FALSE, 0);
    HWND next = GetNextDlgTabItem(child, control, GetKeyState(VK_SHIFT) < 0);
    if (!next) return false;
    SetFocus(next);
    // Moved by keyboard: focus rectangles are drawn from now on.
    SendMessageW(GetAncestor(child, GA_ROOT), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    return true;
}

LRESULT ChildWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS: {
            // The window itself takes no keys: its first control does.
            const LRESULT result = Default(message, wParam, lParam);
            if (GetFocus() == hwnd_)
                if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
            return result;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) Relayout();
            break;  // the MDI child procedure needs WM_SIZE too
        case WM_MDIACTIVATE:
            if (reinterpret_cast<HWND>(lParam) == hwnd_) {
                HWND client = GetParent(hwnd_);
                SendMessageW(client, WM_MDISETMENU, reinterpret_cast<WPARAM>(menu_), 0);
                DrawMenuBar(GetParent(client));
            } else if (!lParam) {
                host_.RestoreFrameMenu();
            }
            break;
        case WM_DPICHANGED_AFTERPARENT:
            // The frame gives the new font (ApplyFont); the pictures and the layout follow the DPI.
            LoadPictures();
            Relayout();
            return 0;
        case WM_CLOSE:
            return 0;  // the child windows live as long as the main window
        case WM_VKEYTOITEM:
            return OnListKey(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            measure->itemHeight =
                std::max<UINT>(MulDiv(18, static_cast<int>(WindowDpi(hwnd_)), 96), measure->itemHeight);
            return TRUE;
        }
        case WM_CONTEXTMENU: {
            HMENU popup = BuildPopup();
            if (const UINT id = TrackContextMenu(hwnd_, popup, lParam)) OnPopupCommand(id);
            return 0;
        }
        case WM_COMMAND:
            if (lParam) {
                OnControlCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
                return 0;
            }
            if (LOWORD(wParam) >= kFirstPopupId) {
                OnPopupCommand(LOWORD(wParam));
                return 0;
            }
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

LRESULT ChildWindow::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcW(hwnd_, message, wParam, lParam);
}

void ArrangeChildren(HWND mdiClient, const std::array<ChildWindow*, 5>& children, bool unplacedOnly) {
    // Measured without scroll bars: once the windows are arranged they fit.
    ShowScrollBar(mdiClient, SB_BOTH, FALSE);
    RECT inner{};
    GetClientRect(mdiClient, &inner);
    const UINT dpi = WindowDpi(mdiClient);
    const double w = std::nearbyint(PixelsToTwips(inner.right, dpi) / 2);
    const double h = std::nearbyint(PixelsToTwips(inner.bottom, dpi) / 3);
    const std::array<TwipsRect, 5> rects{TwipsRect{0, 0, w, h}, TwipsRect{0, h, w, h}, TwipsRect{0, 2 * h, w, h},
                                         TwipsRect{w, 0, w, 2 * h}, TwipsRect{w, 2 * h, w, h}};
    for (size_t i = 0; i < children.size(); ++i) {
        if (unplacedOnly && !children[i]->Unplaced()) continue;
        // Whole pixels: the rounding must not push a window a pixel past the
        // edge, where the client area would show its scroll bars.
        const TwipsRect& r = rects[i];
        const int left = TwipsToPixels(r.left, dpi), top = TwipsToPixels(r.top, dpi);
        const int width = std::min(TwipsToPixels(r.width, dpi), static_cast<int>(inner.right) - left);
        const int height = std::min(TwipsToPixels(r.height, dpi), static_cast<int>(inner.bottom) - top);
        MoveWindow(children[i]->Handle(), left, top, std::max(0, width), std::max(0, height), TRUE);
    }
}

}  // namespace kelvaro
