#pragma once
#include <windows.h>

#include <algorithm>
#include <array>

#include "engine/folder_rules.h"

namespace kelvaro {

// Every command a window of the program receives through WM_COMMAND from
// something other than a dialog template's control (those are numbered in
// res/resource.h, per dialog): the menu bar, the child windows' right-click
// menus, the initial-folder dialog's menu and the row of mode buttons.

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
    kMenuRuns,      // the runs the journal keeps ("変更の記録"), in the Log menu
    kMenuUndoLast,  // Ctrl+Z: no item, the key does what "直前の変更を元に戻す" does
};

// The entries of the child windows' right-click menus.
enum PopupCommand : UINT {
    kPopupSelectAll = 41001,
    kPopupSelectClear,
    kPopupSourceSame,
    kPopupClear,
    kPopupRefresh,
    kPopupAliasAdd,
    kPopupEditAliases,
    kPopupUndo,
    kPopupAliasFirst = 41020,  // one per alias slot, 0 to 9
    kPopupPreview = 41700,
    kPopupAddEveryLevel = 41750,
    kPopupRuns = 41760,
};
inline constexpr UINT kAliasSlots = 10;

// The initial-folder dialog's right-click menu.
enum InitialFolderCommand : UINT { kPopupFromSource = 42001, kPopupFromTemp };

// The mode buttons from the left, one per mode, and Cancel.
inline constexpr UINT kFirstModeId = 1000;
inline constexpr UINT kCancelId = 1020;

namespace command_ids {

// The ranges above, each from its first number to its last: none overlaps another.
inline constexpr std::array<std::array<UINT, 2>, 7> kRanges = {{
    {kMenuExit, kMenuUndoLast},
    {kPopupSelectAll, kPopupUndo},
    {kPopupAliasFirst, kPopupAliasFirst + kAliasSlots - 1},
    {kPopupPreview, kPopupPreview},
    {kPopupAddEveryLevel, kPopupRuns},
    {kPopupFromSource, kPopupFromTemp},
    {kFirstModeId, kCancelId},
}};

constexpr bool NoneOverlaps() {
    for (size_t i = 0; i < kRanges.size(); ++i)
        for (size_t j = 0; j < kRanges.size(); ++j)
            if (i != j && kRanges[i][0] <= kRanges[j][1] && kRanges[j][0] <= kRanges[i][1]) return false;
    return true;
}
static_assert(NoneOverlaps(), "two kinds of command share a number");
static_assert(kFirstModeId + kMostModes <= kCancelId, "the mode buttons run into Cancel");
static_assert(kPopupUndo < kPopupAliasFirst, "the alias slots run into the menu entries");

}  // namespace command_ids
}  // namespace kelvaro
