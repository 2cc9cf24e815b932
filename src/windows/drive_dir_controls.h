#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "model/folder_browser.h"

namespace kelvaro {

// A drop-down of drives (icon, letter and volume label), as classic Windows
// offered it. Enter moves on (`onEnter`).
class DriveCombo {
public:
    HWND Create(HWND parent, int id);
    HWND Handle() const { return combo_; }
    void Fill(const std::vector<std::wstring>& roots);
    void Select(const std::wstring& root);
    std::wstring SelectedRoot() const;
    // Rows as high as the control's font needs (after WM_SETFONT).
    void FitToFont() const;
    // The parent hands WM_MEASUREITEM / WM_DRAWITEM of this control here.
    bool Draw(const DRAWITEMSTRUCT& item) const;
    std::function<void()> onEnter;

private:
    static LRESULT CALLBACK ComboProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam);
    HWND combo_ = nullptr;
    std::vector<std::wstring> roots_;
};

// The chain of folders from the drive root to the folder shown (open-folder
// icons, indented by level), then its subfolders (closed-folder icons). One
// entry is highlighted without being opened; double click or Enter opens it,
// Backspace opens the entry above it.
class DirectoryListBox {
public:
    HWND Create(HWND parent, int id);
    HWND Handle() const { return list_; }
    void Show(const DirectoryListModel& model);
    size_t Highlighted() const;
    // Rows as high as the control's font needs (after WM_SETFONT).
    void FitToFont() const;
    // Scrolls the highlighted entry into view, as after the list changed size.
    void KeepHighlightedInView() const;
    bool Draw(const DRAWITEMSTRUCT& item) const;
    // WM_VKEYTOITEM from the list: Enter and Backspace are taken here.
    LRESULT OnKey(UINT key);
    // WM_CHARTOITEM from the list: the characters of those two keys are
    // swallowed, any other finds a folder by its first letters.
    static LRESULT OnChar(wchar_t character);

    std::function<void(size_t index)> onOpen;
    std::function<void(size_t index)> onOpenAbove;

private:
    HWND list_ = nullptr;
    std::vector<DirEntry> entries_;
};

// The right mouse button on `control` (a folder's text field) opens the
// window's own right-click menu instead of the control's built-in one.
void ForwardContextMenu(HWND control);

}  // namespace kelvaro
