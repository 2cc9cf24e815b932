#include "platform/prompt_owner.h"

namespace kelvaro {
namespace {

HWND current = nullptr;  // the user-interface thread is the only one

}  // namespace

PromptOwnerScope::PromptOwnerScope(HWND dialog) : previous_(current) {
    current = dialog;
}

PromptOwnerScope::~PromptOwnerScope() {
    current = previous_;
}

HWND PromptOwnerScope::Current() {
    return current;
}

}  // namespace kelvaro
