#pragma once
#include <string>
#include <vector>

#include "engine/path_text.h"
#include "ports/file_system.h"

namespace kelvaro {

// `name` as a full path: a relative name is taken from the current folder
// (asked now, before any rename can move it), and "." and ".." steps are
// folded away as the shell would.
std::wstring FullFileName(IFileSystem& fs, const std::wstring& name);

// One name of a script line as the run looks it up: a full path, or a
// wildcard pattern already resolved into the folders it stands for.
struct ScriptName {
    std::wstring given;               // as written, for the report when nothing answers
    std::vector<std::wstring> paths;  // the full paths it stands for; empty when a pattern matched nothing
};

// The names of a script line with every @listfile replaced by its lines,
// each made a full path and each wildcard pattern expanded into its matching
// subfolders in name order. A pattern leaves out what a walk leaves out:
// folders under a temporary name, and hidden and system folders unless
// `withHidden` (/A). On bad usage (a list file that cannot be read or holds
// no names) `error` holds the complaint.
std::vector<ScriptName> ExpandNames(IFileSystem& fs,
                                    const std::vector<std::wstring>& given,
                                    std::wstring& error,
                                    bool withHidden = false);

}  // namespace kelvaro
