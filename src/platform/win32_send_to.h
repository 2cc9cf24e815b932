#pragma once
#include <string>

#include "ports/send_to.h"

namespace kelvaro {

// The program a "Send to" shortcut starts for the running `program`: itself,
// or for the console companion (X.com) the window program beside it (X.exe),
// so that a "Send to" never opens a console window.
std::wstring SendToTarget(const std::wstring& program);

// The shortcut made through the shell's own link objects, in the Send To
// folder it is given (the user's, from UserLocations).
class Win32SendToLink final : public ISendToLink {
public:
    explicit Win32SendToLink(std::wstring folder) : folder_(std::move(folder)) {}
    bool Exists() override;
    bool Create() override;
    bool Remove() override;
    // The full path of the shortcut; empty when there is no folder. `create`
    // makes the folder when it is missing.
    std::wstring LinkPath(bool create = false) const;

private:
    std::wstring folder_;
};

}  // namespace kelvaro
