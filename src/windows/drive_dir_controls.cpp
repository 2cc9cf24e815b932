#include "windows/drive_dir_controls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "windows/window_base.h"

namespace kelvaro {
namespace {

constexpr const wchar_t* kComboOwner = L"Kelvaro2.DriveCombo";
// At 96 dots per inch: the rest scales with the control's.
constexpr int kIndentPixels = 12;
constexpr int kIconPixels = 16;

int Scaled(HWND control, int pixels) {
    return MulDiv(pixels, static_cast<int>(WindowDpi(control)), 96);
}

// A row holds its icon with a margin and a line of text in the control's font.
int RowHeight(HWND control) {
    return std::max(Scaled(control, kIconPixels) + 2, static_cast<int>(TextSize(control, L"").cy) + 2);
}

// The shell's small icon, or its large one where a small one would be drawn
// larger than it is (above 100 %): shrunk, it stays sharp.
HICON ShellIconOf(const std::wstring& path, UINT flags, DWORD attributes, bool large) {
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(path.c_str(), attributes, &info, sizeof(info),
                        SHGFI_ICON | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON) | flags))
        return nullptr;
    return info.hIcon;
}

// The two folder icons in both sizes, each asked for once.
HICON FolderIcon(bool open, bool large) {
    static HICON icons[2][2] = {};
    HICON& icon = icons[open][large];
    if (!icon)
        icon = ShellIconOf(L"folder", SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0), FILE_ATTRIBUTE_DIRECTORY,
                           large);
    return icon;
}

// A disabled control shows its rows in the system's disabled colours: grey
// text and icons, and no highlight on the current row.
void DrawRow(const DRAWITEMSTRUCT& item, HICON icon, int indent, const std::wstring& text) {
    const bool disabled = (item.itemState & ODS_DISABLED) || !IsWindowEnabled(item.hwndItem);
    const bool selected = (item.itemState & ODS_SELECTED) && !disabled;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int height = item.rcItem.bottom - item.rcItem.top;
    const int size = Scaled(item.hwndItem, kIconPixels);
    int x = item.rcItem.left + Scaled(item.hwndItem, 2) + Scaled(item.hwndItem, indent);
    const int iconTop = item.rcItem.top + (height - size) / 2;
    if (icon && disabled)
        DrawStateW(item.hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, iconTop, size, size,
                   DST_ICON | DSS_DISABLED);
    else if (icon)
        DrawIconEx(item.hDC, x, iconTop, icon, size, size, 0, nullptr, DI_NORMAL);
    x += size + Scaled(item.hwndItem, 4);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text_rect = item.rcItem;
    text_rect.left = x;
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &text_rect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) && !disabled) DrawFocusRect(item.hDC, &item.rcItem);
}

// The folder list takes Enter (and the arrow keys) itself instead of leaving
// Enter to the dialog's default button.
LRESULT CALLBACK DirListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_GETDLGCODE) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        const LRESULT code = DefSubclassProc(list, message, wParam, lParam) | DLGC_WANTARROWS;
        const bool enter = msg ? (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) : wParam == VK_RETURN;
        return enter ? code | DLGC_WANTALLKEYS : code;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(list, DirListProc, id);
    return DefSubclassProc(list, message, wParam, lParam);
}

LRESULT CALLBACK
ForwardContextMenuProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_CONTEXTMENU)
        return SendMessageW(GetParent(control), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), lParam);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(control, ForwardContextMenuProc, id);
    return DefSubclassProc(control, message, wParam, lParam);
}

std::wstring DriveLabel(const std::wstring& root) {
    std::wstring label = std::wstring{static_cast<wchar_t>(towlower(root[0])), L':'};
    // Asking a drive without a medium for its name can take long: only fixed ones.
    const UINT type = GetDriveTypeW(root.c_str());
    if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
        wchar_t volume[MAX_PATH + 1] = {};
        if (GetVolumeInformationW(root.c_str(), volume, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
            volume[0])
            label += L" [" + std::wstring(volume) + L"]";
    }
    return label;
}

}  // namespace

HWND DriveCombo::Create(HWND parent, int id) {
    combo_ = CreateWindowExW(
        0, L"COMBOBOX", L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0, 0,
        100, 300, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SetPropW(combo_, kComboOwner, this);
    SetPropW(combo_, L"Kelvaro2.DriveCombo.Proc",
             reinterpret_cast<HANDLE>(SetWindowLongPtrW(combo_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboProc))));
    return combo_;
}

LRESULT CALLBACK DriveCombo::ComboProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<DriveCombo*>(GetPropW(combo, kComboOwner));
    auto proc = reinterpret_cast<WNDPROC>(GetPropW(combo, L"Kelvaro2.DriveCombo.Proc"));
    if (message == WM_KEYDOWN && wParam == VK_RETURN && self && self->onEnter &&
        !SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) {
        try {
            self->onEnter();
        } catch (...) {
        }
        return 0;
    }
    if (message == WM_GETDLGCODE && wParam == VK_RETURN) return DLGC_WANTALLKEYS;
    if (message == WM_NCDESTROY) {
        RemovePropW(combo, kComboOwner);
        RemovePropW(combo, L"Kelvaro2.DriveCombo.Proc");
        SetWindowLongPtrW(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    }
    return CallWindowProcW(proc, combo, message, wParam, lParam);
}

void DriveCombo::Fill(const std::vector<std::wstring>& roots) {
    if (roots == roots_ && SendMessageW(combo_, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(roots.size())) return;
    const std::wstring selected = SelectedRoot();
    roots_ = roots;
    SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
    for (const auto& root : roots_)
        SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DriveLabel(root).c_str()));
    if (!selected.empty()) Select(selected);
}

void DriveCombo::Select(const std::wstring& root) {
    for (size_t i = 0; i < roots_.size(); ++i) {
        if (!root.empty() && towupper(roots_[i][0]) == towupper(root[0])) {
            SendMessageW(combo_, CB_SETCURSEL, i, 0);
            return;
        }
    }
}

void DriveCombo::FitToFont() const {
    const int height = RowHeight(combo_);
    SendMessageW(combo_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    SendMessageW(combo_, CB_SETITEMHEIGHT, 0, height);
}

std::wstring DriveCombo::SelectedRoot() const {
    const LRESULT index = combo_ ? SendMessageW(combo_, CB_GETCURSEL, 0, 0) : CB_ERR;
    if (index == CB_ERR || static_cast<size_t>(index) >= roots_.size()) return {};
    return roots_[static_cast<size_t>(index)];
}

bool DriveCombo::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != combo_) return false;
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= roots_.size()) {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_WINDOW));
        return true;
    }
    const std::wstring& root = roots_[item.itemID];
    const bool large = Scaled(combo_, kIconPixels) > kIconPixels;
    static std::vector<std::pair<std::wstring, HICON>> icons;
    const std::wstring key = root + (large ? L"*" : L"");
    HICON icon = nullptr;
    for (const auto& [cached, cachedIcon] : icons)
        if (cached == key) icon = cachedIcon;
    if (!icon) {
        icon = ShellIconOf(root, 0, 0, large);
        icons.emplace_back(key, icon);
    }
    wchar_t text[MAX_PATH + 8] = {};
    SendMessageW(combo_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
    DrawRow(item, icon, 0, text);
    return true;
}

HWND DirectoryListBox::Create(HWND parent, int id) {
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_WANTKEYBOARDINPUT,
                            0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(list_, DirListProc, 1, 0);
    return list_;
}

void DirectoryListBox::Show(const DirectoryListModel& model) {
    entries_ = model.Entries();
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    SendMessageW(list_, LB_INITSTORAGE, entries_.size(), entries_.size() * 32);
    for (const auto& entry : entries_)
        SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.label.c_str()));
    SendMessageW(list_, LB_SETCURSEL, model.CurrentIndex(), 0);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void DirectoryListBox::FitToFont() const {
    SendMessageW(list_, LB_SETITEMHEIGHT, 0, RowHeight(list_));
    InvalidateRect(list_, nullptr, TRUE);
}

void DirectoryListBox::KeepHighlightedInView() const {
    const LRESULT index = SendMessageW(list_, LB_GETCURSEL, 0, 0);
    const LRESULT rowHeight = SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0);
    RECT client{};
    GetClientRect(list_, &client);
    if (index == LB_ERR || rowHeight <= 0) return;
    const LRESULT rows = std::max<LRESULT>(1, client.bottom / rowHeight);
    const LRESULT top = SendMessageW(list_, LB_GETTOPINDEX, 0, 0);
    if (index < top)
        SendMessageW(list_, LB_SETTOPINDEX, index, 0);
    else if (index >= top + rows)
        SendMessageW(list_, LB_SETTOPINDEX, index - rows + 1, 0);
}

size_t DirectoryListBox::Highlighted() const {
    const LRESULT index = SendMessageW(list_, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? 0 : static_cast<size_t>(index);
}

bool DirectoryListBox::Draw(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != list_) return false;
    if (item.itemID >= entries_.size()) return true;
    const DirEntry& entry = entries_[item.itemID];
    DrawRow(item, FolderIcon(entry.open, Scaled(list_, kIconPixels) > kIconPixels), entry.level * kIndentPixels,
            entry.label);
    return true;
}

LRESULT DirectoryListBox::OnKey(UINT key) {
    if (key == VK_RETURN) {
        if (onOpen) onOpen(Highlighted());
        return -2;
    }
    if (key == VK_BACK) {
        if (onOpenAbove) onOpenAbove(Highlighted());
        return -2;
    }
    return -1;
}

LRESULT DirectoryListBox::OnChar(wchar_t character) {
    return character == L'\r' || character == L'\b' ? -2 : -1;
}

void ForwardContextMenu(HWND control) {
    SetWindowSubclass(control, ForwardContextMenuProc, 1, 0);
}

}  // namespace kelvaro
