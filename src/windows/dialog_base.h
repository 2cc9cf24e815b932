#pragma once
#include <windows.h>

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
    // Creates the dialog hidden; false when the template cannot be loaded.
    bool Load(HWND owner, int templateId);
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
