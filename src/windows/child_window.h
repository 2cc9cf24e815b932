#pragma once
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "engine/catalog.h"
#include "model/app_state.h"
#include "settings/window_position.h"
#include "windows/command_ids.h"
#include "windows/hints.h"
#include "windows/window_base.h"

namespace kelvaro {

// What a child window asks of the main window.
class IChildHost {
public:
    virtual ~IChildHost() = default;
    virtual void UpdateButtons() = 0;
    virtual void FocusHistory() = 0;
    // No child window is active any more: the main window's own menu bar returns.
    virtual void RestoreFrameMenu() = 0;
    // The source folder browser shows a new folder: the chooser lists it.
    virtual void ShowChooserFolder(const std::wstring& path, bool force) = 0;
    // Makes the source folder browser show `path`.
    virtual void SetSourceFolder(const std::wstring& path) = 0;
    virtual void FocusTargets() = 0;
    // Adds go to the target list in bulk: it draws once at the end.
    virtual void HoldTargetPainting(bool held) = 0;
    // The last run can be taken back; and taking it back.
    virtual bool CanUndo() { return false; }
    virtual void UndoLastRun() {}
    // The runs the journal keeps, to take back one after another.
    virtual void ShowRuns() {}
    // Shows what a run over the target list would do, and runs it on request.
    virtual void ShowPreview() = 0;
};

// The conventions every child window of the main window follows: loaded
// hidden, its own position when the main window does not arrange it, the
// shared menu bar (its own copy), a right-click menu, hints and font.
class ChildWindow : public WindowBase {
public:
    ChildWindow(AppState& state,
                Services& services,
                IChildHost& host,
                std::wstring prefix,
                KText caption,
                TwipsRect designed);
    ~ChildWindow() override;

    // Creates the window hidden inside the MDI client; on failure it says so
    // ("Kelvaro2 <form> Form_Load ERR") and gives false: the program ends.
    bool Load(HWND mdiClient);
    // Saves the position when the rules allow it, then destroys the window.
    void Unload(bool mainWindowNormal);

    void SetToolTip(bool on) { hints_.SetToolTip(on); }
    void ApplyFont(HFONT font);
    void EnableMenus(bool enabled);
    HMENU Menu() const { return menu_; }
    std::wstring HintOf(HWND control) const { return hints_.CurrentText(control); }
    // Holds back (or releases and paints) the drawing of the window's list.
    virtual void HoldPainting(bool) {}
    // A run starts (true) or has ended.
    virtual void OnRunning(bool) {}

    // The right-click menu as it would be shown now; the caller destroys it.
    HMENU BuildPopup();

    TwipsRect PositionTwips() const;
    void PlaceTwips(const TwipsRect& rect);
    // True when the main window does not arrange the child windows and no
    // position of this one is stored.
    bool Unplaced() const { return unplaced_; }

protected:
    // The form's name in the load-failure message.
    virtual const wchar_t* FormName() const = 0;
    virtual void CreateControls() = 0;
    virtual void Layout(double widthTwips, double heightTwips) = 0;
    // The right-click menu's entries, and what each one does.
    virtual void FillPopup(HMENU popup) = 0;
    virtual void OnPopupCommand(UINT id) = 0;
    virtual void OnControlCommand(UINT, UINT, HWND) {}
    // A key pressed in a list box that asks for keys; -1 lets the list act on
    // it too, -2 swallows it.
    virtual LRESULT OnListKey(UINT, HWND) { return -1; }
    // After the window is built and placed; before it is destroyed (when the
    // automatic run is not in progress).
    virtual void OnLoaded() {}
    virtual void OnUnloading() {}
    // The controls have the new font; the layout follows.
    virtual void OnFontChanged() {}

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) override;

    // A list named, for screen readers, after the window that holds it.
    HWND MakeListBox(DWORD style, int id);
    HWND MakeButton(const wchar_t* text, DWORD style, int id);
    // A button showing the icon resource `iconId`, with its hint `hint` as
    // its text (which a screen reader announces, and the picture hides).
    HWND MakePictureButton(int iconId, int id, KText hint);
    void AddHint(HWND control, KText hint);
    // The list takes the whole window but a 60-twip margin.
    void FillWithList(HWND list, double width, double height);
    // The list above a row of picture buttons: the first at the left margin,
    // the second 120 twips right of the first's width, each further 60 twips on.
    void FillWithListAndButtons(HWND list, std::initializer_list<HWND> buttons, double width, double height);

    AppState& state_;
    Services& services_;
    IChildHost& host_;
    std::vector<HWND> textControls_;

private:
    void Relayout();
    // The picture buttons' icons in the size of small icons at the window's DPI.
    void LoadPictures();

    std::vector<std::pair<HWND, int>> pictures_;  // button and icon resource

    std::wstring prefix_;
    KText caption_;
    TwipsRect designed_;
    HMENU menu_ = nullptr;
    HintSet hints_;
    bool unplaced_ = false;
};

// The keyboard interface of the child windows' controls, for the message
// loop: Tab and Shift+Tab move between the controls of the child window that
// holds the focus, and Enter presses a focused button (Space does so itself).
// True when the message was handled.
bool TranslateChildKeys(HWND mdiClient, const MSG& msg);

// The default arrangement in two columns: three equal windows on the left, the
// history over two thirds of the right and the changed folders below it, in
// the order of `children`. `unplacedOnly`: only the windows without a position of their own.
void ArrangeChildren(HWND mdiClient, const std::array<ChildWindow*, 5>& children, bool unplacedOnly);

}  // namespace kelvaro
