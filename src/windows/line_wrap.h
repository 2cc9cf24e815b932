#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace kelvaro {

// Where `text` breaks into rows no wider than `width` pixels in the font
// selected into `dc`: the offset each row starts at (the first is 0). A row
// ends after a blank, or else a Japanese comma or full stop or a path
// separator, when one lies in its second half; otherwise as late as the width
// allows, but never before a character that must not start a row (、。」ー
// small kana, marks) nor inside a surrogate pair. Every row holds at least
// one character.
std::vector<size_t> WrapRows(HDC dc, const std::wstring& text, int width);

}  // namespace kelvaro
