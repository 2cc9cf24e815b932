#pragma once
#include <string>
#include <vector>

#include "app/command_line.h"
#include "engine/path_text.h"
#include "ports/file_system.h"

namespace kelvaro {

// Why a name stands for no folder before anything is looked up.
enum class NameFault : uint8_t {
    None,
    ListWildcard,     // a list file's line holding * or ?: read literally, a name no folder can have
    WildcardNotLast,  // a wildcard before the last component, where it means nothing
};

// One name of a script line as the run looks it up: a full path, or a
// wildcard pattern already resolved into the folders it stands for.
struct ScriptName {
    std::wstring given;               // as a full path, for the report when nothing answers
    std::vector<std::wstring> paths;  // the full paths it stands for; empty when nothing answers
    bool pattern = false;             // a pattern, looked up again after recovery put folders back
    NameFault fault = NameFault::None;
};

// The names of a script line with every @listfile replaced by its lines,
// each made a full path and each wildcard pattern typed on the line expanded
// into its matching subfolders in name order. A list file's names are taken
// literally: output written in a code page turns what it lacks into "?",
// which must never stand for the folders a pattern matches. A pattern
// leaves out what a walk leaves out: folders under a temporary name, and
// hidden and system folders unless `withHidden` (/A). On bad usage (a list
// file that cannot be read or holds no names) `error` holds the complaint.
std::vector<ScriptName> ExpandNames(IFileSystem& fs,
                                    const std::vector<std::wstring>& given,
                                    std::wstring& error,
                                    bool withHidden = false);

}  // namespace kelvaro
