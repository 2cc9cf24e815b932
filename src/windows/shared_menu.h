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

}  // namespace kelvaro
