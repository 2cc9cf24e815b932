#pragma once
#include <functional>
#include <string>

#include "engine/file_system.h"
#include "windows/target_list.h"

namespace kelvaro {

// Splits a command line into folder names: blank-separated, a name with
// blanks in double quotes. `addOne` returns true to stop the scan. Returns
// false when the scan stopped early (missing closing quote or a stop).
bool SplitCommandLine(const std::wstring& text, const std::function<bool(const std::wstring&)>& addOne);

// Hands one name to the target list; true means stop (the list is full).
bool CmdLine_AddOne(TargetList& targets, DirNameResolver& names, const std::wstring& name);
// Puts the folders of a command line into the target list, whole or not at
// all: when the scan stops early the list ends up empty.
bool CmdLine_ListIn(TargetList& targets, IFileSystem& fs, const std::wstring& text);

// The command-line text after the program name, as the program receives it.
std::wstring ArgumentsText(const std::wstring& fullCommandLine);

// True for the settings-removal request: exactly "/U" in any case.
bool IsRemovalRequest(const std::wstring& text);
// True for the request to take the last run back: exactly "/UNDO" in any case.
bool IsUndoRequest(const std::wstring& text);

}  // namespace kelvaro
