#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ports/file_system.h"
#include "model/target_list.h"

namespace kelvaro {

// Splits a command line into folder names: blank-separated, a name with
// blanks in double quotes. `addOne` returns true to stop the scan. Returns
// false when the scan stopped early (missing closing quote or a stop).
bool SplitCommandLine(const std::wstring& text, const std::function<bool(const std::wstring&)>& addOne);

// `name` as a full path: a relative name is taken from the current folder
// (asked now, before any rename can move it), and "." and ".." steps are
// folded away as the shell would.
std::wstring FullFileName(IFileSystem& fs, const std::wstring& name);

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

// A command line for scripts: switches before the folder names, which may
// include @listfile. Every line whose first word begins with "/" or "-" is
// one (a folder name never does), except "/U" followed by folder names, read
// as it always was; a line of folder names is read by CmdLine_ListIn exactly
// as before. An unknown switch is bad usage, never a folder name.
struct ScriptCommand {
    bool script = false;              // the line carries one of the switches
    bool usage = false;               // /? (also -?, /H, /HELP, --HELP): print the usage and nothing else
    bool dryRun = false;              // /DRYRUN
    bool undo = false;                // /UNDO: take the last run back
    bool resume = false;              // /RESUME: finish the last run, stopped or cut short, by its mode
    bool tsv = false;                 // /TSV: one tab-separated line per folder, after a header
    bool utf8 = false;                // /UTF8: output and log file in UTF-8
    bool clip = false;                // /CLIP: the history to the clipboard as well
    bool subfolders = false;          // /S: each folder with every folder below it, at every depth
    bool hidden = false;              // /A: with /S, hidden and system folders too
    int16_t mode = -1;                // /MODE:n, 0-7; -1 when absent
    std::wstring logFile;             // /LOG:file
    std::vector<std::wstring> names;  // folder names and @listfile entries, in order
    std::wstring error;               // the one-line complaint about bad usage, or empty
};

// Reads the switches (a switch may hold a quoted part, as in /LOG:"C:\My Logs\a.log"),
// then splits the rest into names by the usual grammar.
ScriptCommand ParseScriptCommand(const std::wstring& text);

// The names of a list file: one per line, blank lines skipped, a pair of
// double quotes around a name removed. The bytes are UTF-16 or UTF-8 after a
// byte-order mark, else UTF-8 when they are valid UTF-8, else code page 932.
// Nothing when the text holds a NUL character (not a text file).
// Blanks around a name are not part of it. Nothing when the list holds a NUL,
// whose line (from 1) `nulLine` then gets.
std::optional<std::vector<std::wstring>> ListFileNames(const std::string& bytes, size_t* nulLine = nullptr);

}  // namespace kelvaro
