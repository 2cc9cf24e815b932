#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace kelvaro {

// How values are spelled in the settings store. A parse gives nothing for
// text that is not a value of the type; callers then use their default.
std::optional<bool> ParseFlag(const std::wstring& text);
std::optional<double> ParseNumber(const std::wstring& text);
// Rounds half to even and refuses values outside 16 bits.
std::optional<int16_t> ParseInteger(const std::wstring& text);

std::wstring FlagText(bool value);
std::wstring IntegerText(int value);
// Single precision, a decimal fraction only when the value has one.
std::wstring CoordinateText(double value);

}  // namespace kelvaro
