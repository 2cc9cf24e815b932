#pragma once
#include <windows.h>

namespace kelvaro {

// The menu bar shared by the main window and every child window.
enum MenuCommand : UINT {
    kMenuExit = 40001,
    kMenuFont,
    kMenuLogCopy,
    kMenuLogSave,
    kMenuInDirDefault,
    kMenuOption,
    kMenuHelp,
    kMenuAbout,
};

// A fresh copy of the bar: E(&x)it, Fon(&t), (&L)og, (&D)efault, (&O)ption, (&H)elp, (&A)bout.
HMENU CreateSharedMenu();
// Enables or disables the seven top-level items of one copy.
void EnableTopItems(HMENU menu, bool enabled);

// What the items of the bar do; the main window carries them out.
class ISharedMenuActions {
public:
    virtual ~ISharedMenuActions() = default;
    virtual void ExitProgram() = 0;
    virtual void PickFont() = 0;
    virtual void CopyHistory() = 0;
    virtual void SaveHistory() = 0;
    virtual void EditInitialFolder() = 0;
    virtual void ShowOptions() = 0;
    virtual void ShowUserGuide() = 0;
    virtual void ShowAbout() = 0;
};

// Carries out the item `id` of the bar; false when `id` is none of its items.
bool OnSharedMenu(UINT id, ISharedMenuActions& actions);

}  // namespace kelvaro
