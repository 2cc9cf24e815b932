#pragma once
#include <string>

namespace kelvaro {

// Half-width to full-width for one character. `next` is the following
// character of the name (empty for the last one); `consumed` tells whether a
// voiced or semi-voiced mark in `next` was joined into the result.
std::wstring FullWidthChar(wchar_t c, const std::wstring& next, bool& consumed);
// Full-width to half-width for one character (one or two characters out);
// with `hira` set, hiragana become half-width katakana too.
std::wstring HalfWidthChar(wchar_t c, bool hira);

std::wstring FullWidthString(const std::wstring& name);
std::wstring HalfWidthString(const std::wstring& name, bool hira);

}  // namespace kelvaro
