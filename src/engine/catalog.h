#pragma once
#include <cstdint>
#include <string>

namespace kelvaro {

// Program-specific texts (captions, hints, history lines).
std::wstring ResKelvaroText(int16_t number);
// General texts shared by the dialogs and windows.
std::wstring ResAllText(int16_t number);

// The texts of conversion mode `mode`: button caption and hint, and the
// caption and hint of its choice among the automatic-run modes.
std::wstring ModeCaption(int mode);
std::wstring ModeHint(int mode);
std::wstring ModeOptionCaption(int mode);
std::wstring ModeOptionHint(int mode);

}  // namespace kelvaro
