#pragma once
#include <windows.h>

#include <string>

#include "settings/settings_store.h"
#include "settings/window_position.h"

namespace kelvaro {

// A dialog from a resource template, created hidden once and shown modally
// on demand: OK and Cancel hide it, the program's end destroys it. The
// dialog procedure recovers the object at WM_INITDIALOG.
class DialogBase {
public:
    DialogBase() = default;
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    HWND Handle() const { return hwnd_; }
    // A control of the dialog by its resource number.
    HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
    // Creates the dialog hidden; false when the template cannot be loaded.
    bool Load(HWND owner, int templateId);
    // Places it at its stored position (`prefix` such as L"Option_"): Left and
    // Top brought back on screen, Width and Height only when `withSize`.
    void RestorePosition(ISettingsStore& store,
                         const std::wstring& prefix,
                         const TwipsRect& defaults,
                         bool withSize,
                         const ScreenTwips& screen);
    // Writes the position (and size) and destroys the dialog: the program is ending.
    void Unload(ISettingsStore& store, const std::wstring& prefix, bool withSize);
    // Applies a font to every control of the dialog.
    void ApplyFont(HFONT font);
    // Shows it, with its owner disabled, until it is hidden again.
    void ShowModal();
    void Hide();

protected:
    virtual void OnInit() {}
    virtual void OnActivate() {}
    virtual bool OnCommand(UINT id, UINT code) = 0;
    virtual INT_PTR OnOtherMessage(UINT, WPARAM, LPARAM) { return FALSE; }

    HWND hwnd_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND owner_ = nullptr;
    bool shown_ = false;
};

}  // namespace kelvaro
