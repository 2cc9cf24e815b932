#pragma once
#include <windows.h>

#include <functional>
#include <optional>

namespace kelvaro {

// The one place where the program's message loops hand messages on: every
// mouse message to the hints first (see HintSet::RelayMouse), then to the
// loop's own keys (a dialog's Tab and Enter, the frame's accelerators), then
// to the window it is for.
class MessagePump {
public:
    // True when the loop's keys took the message; it then goes no further.
    using KeyFilter = std::function<bool(MSG&)>;

    explicit MessagePump(KeyFilter keys = {}) : keys_(std::move(keys)) {}

    // Waits for messages and delivers them until `done` is true or WM_QUIT
    // comes; gives the quit code when it did. Without `done`, until WM_QUIT.
    std::optional<int> Run(const std::function<bool()>& done = {}) const;
    // Delivers the messages waiting now, without waiting. A WM_QUIT among them
    // is posted again for the outermost loop, and false is returned.
    bool DeliverWaiting() const;

private:
    void Deliver(MSG& msg) const;

    KeyFilter keys_;
};

}  // namespace kelvaro
