#pragma once
#include <atomic>

#include "app/command_line.h"
#include "app/script_output.h"
#include "ports/file_system.h"
#include "engine/journal.h"
#include "engine/rename_plan.h"
#include "ports/console.h"
#include "ports/services.h"
#include "ports/settings_store.h"

namespace kelvaro {

// Exit codes of a command line for scripts.
inline constexpr int kExitAllDone = 0;  // every folder renamed or already in form
inline constexpr int kExitNotAll = 1;   // at least one folder not renamed; the history says which
inline constexpr int kExitUsage = 2;    // bad usage; nothing touched

struct ScriptServices {
    ISettingsStore& store;
    IFileSystem& fs;
    IClipboard& clipboard;
    IConsole& console;
    const std::atomic<bool>* stop = nullptr;  // Ctrl+C: end after the folder in hand
    RenameJournal* journal = nullptr;
    // Files the program keeps (the journal's folder, ending in "\\", stands for all
    // in it): a log file there would replace them.
    std::vector<std::wstring> ownFiles;
};

// Runs a command line for scripts without any window: the usage, or the
// folders (list files read, the target list's rules applied) renamed by the
// given mode with every history line on the console as it is written, or the
// dry run's verdicts. Returns the exit code.
int RunScript(const ScriptCommand& command, ScriptServices& services);

}  // namespace kelvaro
