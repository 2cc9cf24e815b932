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

}  // namespace kelvaro
