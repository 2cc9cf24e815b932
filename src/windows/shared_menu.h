#pragma once
#include <windows.h>

#include <string>

#include "windows/command_ids.h"

namespace kelvaro {

// A fresh copy of the bar: E(&x)it, Fon(&t), (&L)og (with the runs on record), (&D)efault, (&O)ption,
// (&H)elp, (&A)bout.
HMENU CreateSharedMenu();
// A menu item's or button's text with its access key in the Japanese way,
// after the words: 全て選択(&A). `tail` follows the key ("..." for an item
// that opens a dialog, "\tCtrl+Z" for a shortcut).
std::wstring WithAccessKey(const std::wstring& text, wchar_t key, const wchar_t* tail = L"");
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
    virtual void ShowRuns() = 0;
    virtual void UndoByKey() = 0;
};

// Carries out the item `id` of the bar; false when `id` is none of its items.
bool OnSharedMenu(UINT id, ISharedMenuActions& actions);

}  // namespace kelvaro
