#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "ports/settings_store.h"
#include "settings/window_position.h"

namespace kelvaro {

// A screen device context with a font selected, for measuring text.
class MeasuringDc {
public:
    MeasuringDc(HWND window, HFONT font) : window_(window), dc_(GetDC(window)) {
        if (dc_ && font) previous_ = SelectObject(dc_, font);
    }
    ~MeasuringDc() {
        if (!dc_) return;
        if (previous_) SelectObject(dc_, previous_);
        ReleaseDC(window_, dc_);
    }
    MeasuringDc(const MeasuringDc&) = delete;
    MeasuringDc& operator=(const MeasuringDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

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
    // Gives every control the font `font`, made for `fontDpi` (0: for the
    // dialog's DPI), and lays the dialog out again. On a screen of another
    // DPI the controls get a copy scaled to it, here and whenever the dialog
    // is moved to another screen.
    void ApplyFont(HFONT font, UINT fontDpi = 0);
    bool Shown() const { return shown_; }

protected:
    // Shows it, with its owner disabled, until it is hidden again; the
    // message and input boxes it opens meanwhile belong to it. Does nothing
    // while it is shown already. Each dialog is shown through its own Ask,
    // which takes what it shows and hands back what was chosen.
    void ShowModal();
    void Hide();
    virtual void OnInit() {}
    virtual void OnActivate() {}
    virtual bool OnCommand(UINT id, UINT code) = 0;
    virtual INT_PTR OnOtherMessage(UINT, WPARAM, LPARAM) { return FALSE; }
    // Places the controls for the font they show and the dialog's DPI.
    virtual void Relayout() {}
    // The DPI of the screen the dialog is on.
    UINT Dpi() const;
    // Places a control in twips at the dialog's DPI; a control's height in those twips.
    void PlaceTwips(HWND control, double left, double top, double width, double height) const;
    double HeightInTwips(HWND control) const;

    // Sizes in pixels that follow the font the controls show, so that the
    // layout grows with the font the user chose.
    struct Metrics {
        int line = 0;    // height of a line of text
        int margin = 0;  // between the controls and the dialog's edge
        int gap = 0;     // between two controls
        int check = 0;   // the box of a check box or option button
        int button = 0;  // height of a push button
    };
    Metrics FontMetrics() const;
    // The control's text in that font.
    SIZE TextSize(HWND control) const;
    // A check box or option button with its caption, a push button with its caption.
    SIZE CheckBoxSize(HWND control) const;
    SIZE ButtonSize(HWND control) const;
    // Gives the dialog this inner size, keeping its place.
    void SetClientSize(int width, int height);

    HWND hwnd_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HFONT Font() const;
    void UseFontForDpi();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

    HWND owner_ = nullptr;
    HFONT font_ = nullptr;   // what the controls show
    HFONT given_ = nullptr;  // the font asked for, and the DPI it was made for
    UINT givenDpi_ = 0;
    OwnedFont scaled_;  // the copy made for another DPI
    UINT dpi_ = 0;
    bool shown_ = false;
};

}  // namespace kelvaro
