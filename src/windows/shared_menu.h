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
    virtual void mnuExit_Click() = 0;
    virtual void mnuFont_Click() = 0;
    virtual void mnuLogCopy_Click() = 0;
    virtual void mnuLogSave_Click() = 0;
    virtual void mnuInDirDefault_Click() = 0;
    virtual void mnuOption_Click() = 0;
    virtual void mnuHelp_Click() = 0;
    virtual void mnuAbout_Click() = 0;
};

// Carries out the item `id` of the bar; false when `id` is none of its items.
bool OnSharedMenu(UINT id, ISharedMenuActions& actions);

}  // namespace kelvaro
