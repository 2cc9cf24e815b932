#include "windows/shared_menu.h"

namespace kelvaro {

HMENU CreateSharedMenu() {
    HMENU bar = CreateMenu();
    HMENU log = CreatePopupMenu();
    AppendMenuW(log, MF_STRING, kMenuLogCopy, L"Log(&C)opy");
    AppendMenuW(log, MF_STRING, kMenuLogSave, L"Log(&S)ave");
    HMENU defaults = CreatePopupMenu();
    AppendMenuW(defaults, MF_STRING, kMenuInDirDefault, L"InDirDefault");
    AppendMenuW(bar, MF_STRING, kMenuExit, L"E(&x)it");
    AppendMenuW(bar, MF_STRING, kMenuFont, L"Fon(&t)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(log), L"(&L)og");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(defaults), L"(&D)efault");
    AppendMenuW(bar, MF_STRING, kMenuOption, L"(&O)ption");
    AppendMenuW(bar, MF_STRING, kMenuHelp, L"(&H)elp");
    AppendMenuW(bar, MF_STRING, kMenuAbout, L"(&A)bout");
    return bar;
}

void EnableTopItems(HMENU menu, bool enabled) {
    for (UINT i = 0; i < 7; ++i) EnableMenuItem(menu, i, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace kelvaro
