#pragma once
#include <atomic>

#include "ports/file_system.h"
#include "engine/journal.h"
#include "ports/send_to.h"
#include "ports/services.h"
#include "settings/app_settings.h"
#include "ports/settings_store.h"
#include "model/changed_list.h"
#include "model/history_log.h"
#include "model/target_list.h"

namespace kelvaro {

// The services the program reaches the outside world through.
struct Services {
    ISettingsStore& store;
    IFileSystem& fs;
    IClipboard& clipboard;
    IPrompts& prompts;
    RenameJournal* journal = nullptr;  // absent in tests that do not look at it
    ISendToLink* sendTo = nullptr;     // none: the options dialog offers no "Send to" button
};

// What the program holds while it runs: the settings record and the state
// behind the target list, the history and the changed-folder list.
struct AppState {
    explicit AppState(IPrompts& prompts);

    AppSettings settings;
    TargetList targets;
    HistoryLog history;
    ChangedList changed;
    std::atomic<bool> stopRequested = false;  // read by a run's walk on its own thread
    // The run cut short whose folders the target list was given back: the
    // next run finishes it (its name in the journal), or empty.
    std::string resumes;
};

// Puts the whole history on the clipboard (every line ended by CR LF); an
// empty history leaves the clipboard empty. When the clipboard cannot be
// had, the history says so (and with it the console of a command-line run).
void LogCopy(HistoryLog& history, IClipboard& clipboard);

}  // namespace kelvaro
