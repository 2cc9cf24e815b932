#include "windows/shared_menu.h"

#include "engine/catalog.h"

namespace kelvaro {

HMENU CreateSharedMenu() {
    HMENU bar = CreateMenu();
    HMENU log = CreatePopupMenu();
    AppendMenuW(log, MF_STRING, kMenuLogCopy, L"Log(&C)opy");
    AppendMenuW(log, MF_STRING, kMenuLogSave, L"Log(&S)ave");
    AppendMenuW(log, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(log, MF_STRING, kMenuRuns, WithAccessKey(ResKelvaroText(KText::RunsCaption), L'R', L"...").c_str());
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

std::wstring WithAccessKey(const std::wstring& text, wchar_t key, const wchar_t* tail) {
    return text + L"(&" + key + L")" + tail;
}

void EnableTopItems(HMENU menu, bool enabled) {
    // A maximised child window puts its system menu in front of the items and
    // its buttons behind them, all without text: only the items with a caption change.
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info) || info.cch == 0) continue;
        EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

bool OnSharedMenu(UINT id, ISharedMenuActions& actions) {
    switch (id) {
        case kMenuExit:
            actions.ExitProgram();
            return true;
        case kMenuFont:
            actions.PickFont();
            return true;
        case kMenuLogCopy:
            actions.CopyHistory();
            return true;
        case kMenuLogSave:
            actions.SaveHistory();
            return true;
        case kMenuInDirDefault:
            actions.EditInitialFolder();
            return true;
        case kMenuOption:
            actions.ShowOptions();
            return true;
        case kMenuHelp:
            actions.ShowUserGuide();
            return true;
        case kMenuAbout:
            actions.ShowAbout();
            return true;
        case kMenuRuns:
            actions.ShowRuns();
            return true;
        case kMenuUndoLast:
            actions.UndoByKey();
            return true;
        default:
            return false;
    }
}

}  // namespace kelvaro
