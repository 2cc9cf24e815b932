#pragma once
#include "ports/send_to.h"

namespace kelvaro::testing {

// A "Send to" shortcut that exists only as a flag and can refuse every change.
class FakeSendToLink : public ISendToLink {
public:
    bool Exists() override { return exists; }
    bool Create() override {
        if (refuse) return false;
        exists = true;
        return true;
    }
    bool Remove() override {
        if (refuse) return false;
        exists = false;
        return true;
    }
    bool exists = false;
    bool refuse = false;
};

}  // namespace kelvaro::testing
