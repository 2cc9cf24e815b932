#pragma once
#include <string>

#include "ports/file_system.h"

namespace kelvaro {

// Each converter takes a folder's full path and returns the path the folder
// is to have: the same parent, the last component converted. Those that work
// on the name's text read a kana followed by a combining voiced or
// semi-voiced mark as the composed kana.
std::wstring ToUpperDirName(const std::wstring& path);
std::wstring ToLowerDirName(const std::wstring& path);
// Empty when the volume holds no 8.3 spelling of the folder's name.
std::wstring ToShortDirName(IFileSystem& fs, const std::wstring& path);
// Empty when the upper-cased name is not a valid 8.3 name.
std::wstring ToEightDirName(const std::wstring& path);
std::wstring ToFullWidthDirName(const std::wstring& path);
std::wstring ToHalfWidthDirName(const std::wstring& path, bool hiraganaToKatakana);
std::wstring ToStandardDirName(const std::wstring& path);

}  // namespace kelvaro
