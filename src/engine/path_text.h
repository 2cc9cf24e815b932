#pragma once
#include <string>

namespace kelvaro {

// Path pieces. A character is one UTF-16 code unit; comparisons are binary.
std::wstring LastPathName(const std::wstring& path);
std::wstring ParentDirName(const std::wstring& path);
std::wstring FileBaseName(const std::wstring& path);
std::wstring FileExtName(const std::wstring& path);
std::wstring LastDirName(const std::wstring& path);

// The parent of `path` with exactly one trailing backslash (C:\ stays C:\).
std::wstring ParentWithSeparator(const std::wstring& path);

// The root of the drive or network share that the full path `path` starts
// with, ending in one backslash: "C:\" for C:\Data, "\\server\share\" for
// \\server\share\Data (and for the share itself, written with or without the
// backslash), "\\?\C:\" and "\\?\UNC\server\share\" for the long forms. Empty
// for anything else: a relative path, "C:Data" or "C:" (the current folder
// of drive C), "\\server" alone.
std::wstring PathRoot(const std::wstring& path);
// True when `path` is such a root itself: the one folder that has no name and
// no parent.
bool IsDriveRoot(const std::wstring& path);
// `dir` with one backslash at its end, for a name to follow ("C:\" stays "C:\").
std::wstring WithSeparator(const std::wstring& dir);

// Case mapping one code unit at a time; the full-width Latin, Greek and
// Cyrillic letters of the other case are kept as they are.
std::wstring UpperCaseName(const std::wstring& name);
std::wstring LowerCaseName(const std::wstring& name);

// The key by which two names are the same name on a volume: every code unit
// upper-cased, as Windows compares names. Unlike UpperCaseName, which is the
// mode-0 conversion and leaves the full-width Latin, Greek and Cyrillic small
// letters as the user wrote them, it folds those too: "ａ" and "Ａ" name one
// folder, and a comparison must say so.
std::wstring FoldedName(const std::wstring& name);
// True when `a` and `b` are the same name by that rule.
bool SameName(const std::wstring& a, const std::wstring& b);

bool IsShortNameChar(wchar_t ch);
bool IsShortName(const std::wstring& path);
// True when `name` is a valid 8.3 name by the byte rule of code page 932, as
// a FAT volume or an NTFS volume stores short names on Japanese Windows: a
// base of 1 to 8 bytes, at most one dot followed by 1 to 3 bytes, no blank and
// none of the characters short names exclude. Double-byte characters count two.
bool IsCodePageShortName(const std::wstring& name);

// C:\Data\2024\Trip\photos -> C:\Data\...\Trip\photos
std::wstring DirNameAbbrev(const std::wstring& path);

// True when Windows would store `name` exactly as written as the name of a
// folder: not empty, not "." or "..", no trailing dot or blank, no character
// that Win32 names cannot hold, and not a reserved device name.
bool IsStorableName(const std::wstring& name);

// True when the last component of `name` holds a "*" or "?".
bool HasWildcard(const std::wstring& name);
// True when `name` fits `pattern` ("*" any run of characters, "?" one), any case.
bool WildcardMatch(const std::wstring& pattern, const std::wstring& name);

}  // namespace kelvaro
