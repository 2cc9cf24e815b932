#pragma once
#include <cstdint>
#include <string>

namespace kelvaro {

// Program-specific texts (captions, hints, history lines).
std::wstring ResKelvaroText(int16_t number);
// General texts shared by the dialogs and windows.
std::wstring ResAllText(int16_t number);

}  // namespace kelvaro
