#pragma once
#include <string>
#include <vector>

#include "engine/file_system.h"

namespace kelvaro {

// The canonical spelling of a folder path (drive letter upper case, every
// component as stored on disk), or empty text when it names nothing. Patterns
// and relative components are never resolved.
std::wstring LongDirName(IFileSystem& fs, const std::wstring& path);
// True when `path` can be made the current directory; the current directory
// is left as it was.
bool DirExist(IFileSystem& fs, const std::wstring& path);
// For each of many names, the canonical path of the existing folder it names
// (LongDirName, then DirExist), or empty text. Names below a folder that holds
// several of them are looked up in one listing of that folder when spelled
// exactly as listed; every other name is looked up on its own.
std::vector<std::wstring> ExistingDirNames(IFileSystem& fs, const std::vector<std::wstring>& names);
std::wstring TempDirName(IFileSystem& fs);
// " (1,177.4M Free)" for the drive of `path`, or empty text.
std::wstring DriveFreeText(IFileSystem& fs, const std::wstring& path);
// Formats a count of bytes as megabytes in the pattern ###,##0.0.
std::wstring FormatMegabytes(uint64_t bytes);

}  // namespace kelvaro
