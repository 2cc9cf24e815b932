#pragma once
#include <string>

namespace kelvaro {

// The program's shortcut "Kelvaro2" in the user's Send To folder, which
// Explorer offers in the "Send to" menu of selected folders.
class ISendToLink {
public:
    virtual ~ISendToLink() = default;
    // True when the shortcut is there and starts the running program (one
    // left by a copy of the program in another folder does not count).
    virtual bool Exists() = 0;
    // Makes the shortcut point at the running program, replacing one that
    // points elsewhere; false, with nothing changed, when it cannot be written.
    virtual bool Create() = 0;
    // Removes the shortcut; false, with the shortcut left in place, when it
    // cannot be removed. A shortcut that is not there counts as removed.
    virtual bool Remove() = 0;
};

// The program a "Send to" shortcut starts for the running `program`: itself,
// or for the console companion (X.com) the window program beside it (X.exe),
// so that a "Send to" never opens a console window.
std::wstring SendToTarget(const std::wstring& program);

// The shortcut made through the shell's own link objects, in the Send To
// folder the shell names for the current user.
class Win32SendToLink final : public ISendToLink {
public:
    bool Exists() override;
    bool Create() override;
    bool Remove() override;
    // The full path of the shortcut; empty when the shell names no folder.
    // `create` makes the Send To folder when it is missing.
    static std::wstring LinkPath(bool create = false);
};

}  // namespace kelvaro
