#pragma once
#include <windows.h>

#include <string>

namespace kelvaro {

// The classic input box: a prompt, a title and a proposed answer; OK gives
// the text typed, Cancel an empty text.
std::wstring InputBox(HWND owner, const std::wstring& prompt, const std::wstring& title, const std::wstring& proposed);

}  // namespace kelvaro
