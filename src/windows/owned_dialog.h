#pragma once
#include "windows/dialog_base.h"
#include "settings/window_position.h"

namespace kelvaro {

// A dialog the main window keeps for the whole session: made hidden at
// start, its hints and font following the window's, its place kept at the
// end. The main window holds them in one list and treats them alike.
class OwnedDialog : public DialogBase {
public:
    using DialogBase::Load;
    using DialogBase::Unload;
    // Makes it hidden, where it was last; false when it cannot be made.
    virtual bool Load(HWND owner, const ScreenTwips& screen) = 0;
    // Keeps its place and destroys it: the program is ending.
    virtual void Unload() = 0;
    virtual void SetToolTip(bool on) { (void)on; }
    // The box shown when it cannot be made, which ends the program; empty:
    // the program goes on without it.
    virtual const wchar_t* LoadError() const = 0;
};

}  // namespace kelvaro
