#pragma once
#include <string>

namespace kelvaro {

// Half-width to full-width for one character. `next` is the following
// character of the name (empty for the last one); `consumed` tells whether a
// voiced or semi-voiced mark in `next` was joined into the result.
std::wstring FullWidthChar(wchar_t c, const std::wstring& next, bool& consumed);
// Full-width to half-width for one character (one or two characters out);
// with `hiraganaToKatakana` set, hiragana become half-width katakana too.
std::wstring HalfWidthChar(wchar_t c, bool hiraganaToKatakana);

// Joins a kana and a following combining voiced or semi-voiced mark
// (U+3099, U+309A), as names copied from a Mac spell them, into the composed
// kana: カ + U+3099 gives ガ, and a half-width ｶ + U+3099 gives ｶﾞ. A mark
// that nothing takes is kept.
std::wstring ComposeKana(const std::wstring& name);

std::wstring FullWidthString(const std::wstring& name);
// A combining mark left without a kana to join becomes ﾞ or ﾟ, unless the
// character before it stays full-width.
std::wstring HalfWidthString(const std::wstring& name, bool hiraganaToKatakana);
// The usual form: the full-width forms of letters, digits and ASCII symbols
// half-width, katakana full-width, kana composed, the full-width space a blank
// where the name stays storable; hiragana, kanji, typographic marks (’) and
// case as they are.
std::wstring StandardString(const std::wstring& name);

}  // namespace kelvaro
