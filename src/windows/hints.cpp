#include "windows/hints.h"

#include <commctrl.h>

#include <algorithm>

namespace kelvaro {

TTTOOLINFOW ToolFor(HWND owner, HWND control, const wchar_t* text) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(text);
    return info;
}

namespace {

std::vector<HWND>& LiveTooltips() {
    static std::vector<HWND> tooltips;
    return tooltips;
}

}  // namespace

HintSet::~HintSet() {
    auto& live = LiveTooltips();
    live.erase(std::remove(live.begin(), live.end(), tooltip_), live.end());
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
}

void HintSet::RelayMouse(const MSG& msg) {
    if (!((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) || msg.message == WM_NCMOUSEMOVE)) return;
    for (HWND tooltip : LiveTooltips()) SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void HintSet::Create(HWND owner) {
    owner_ = owner;
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                               0, 0, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tooltip_) LiveTooltips().push_back(tooltip_);
}

void HintSet::Add(HWND control, std::wstring text) {
    tools_.push_back({control, std::move(text)});
    if (!tooltip_) return;
    TTTOOLINFOW info = ToolFor(owner_, control, L"");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void HintSet::SetText(HWND control, std::wstring text) {
    for (auto& tool : tools_)
        if (tool.control == control) tool.text = std::move(text);
}

void HintSet::SetToolTip(bool on) {
    if (!tooltip_) return;
    for (const auto& tool : tools_) {
        TTTOOLINFOW info = ToolFor(owner_, tool.control, on ? tool.text.c_str() : L"");
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

std::wstring HintSet::CurrentText(HWND control) const {
    if (!tooltip_) return {};
    wchar_t buffer[512] = {};
    TTTOOLINFOW info = ToolFor(owner_, control, buffer);
    SendMessageW(tooltip_, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&info));
    return buffer;
}

}  // namespace kelvaro
