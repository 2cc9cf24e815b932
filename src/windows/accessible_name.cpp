#include "windows/accessible_name.h"

#include <commctrl.h>

namespace kelvaro {
namespace {

// The hidden labels' control number, which no other control of the program uses.
constexpr int kLabelId = 0xFFFE;

bool IsClass(HWND control, const wchar_t* name) {
    wchar_t className[32] = {};
    return GetClassNameW(control, className, 32) && _wcsicmp(className, name) == 0;
}

}  // namespace

void SetAccessibleName(HWND control, const std::wstring& name) {
    if (!control) return;
    HWND label = GetWindow(control, GW_HWNDPREV);
    if (!label || GetDlgCtrlID(label) != kLabelId || !IsClass(label, L"Static")) {
        label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0, GetParent(control),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLabelId)), GetModuleHandleW(nullptr),
                                nullptr);
        if (!label) return;
        // Just before the control in the order of the siblings, where a label is looked for.
        const HWND before = GetWindow(control, GW_HWNDPREV);
        SetWindowPos(label, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    SetWindowTextW(label, name.c_str());
    // A list shows none of its window text; a field or a drop-down list shows it as its value.
    if (IsClass(control, L"ListBox") || IsClass(control, WC_LISTVIEWW)) SetWindowTextW(control, name.c_str());
}

}  // namespace kelvaro
