#include "windows/message_pump.h"

#include "windows/hints.h"

namespace kelvaro {

void MessagePump::Deliver(MSG& msg) const {
    HintSet::RelayMouse(msg);
    if (keys_ && keys_(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

std::optional<int> MessagePump::Run(const std::function<bool()>& done) const {
    MSG msg{};
    while (!(done && done())) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got < 0) return 0;
        Deliver(msg);
    }
    return std::nullopt;
}

bool MessagePump::DeliverWaiting() const {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Deliver(msg);
    }
    return true;
}

}  // namespace kelvaro
