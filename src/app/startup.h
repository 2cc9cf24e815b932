#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "model/preview_state.h"

namespace kelvaro {

enum class StartupOutcome {
    Exit,      // nothing more to do: the removal question, or a finished automatic run
    ShowMain,  // go on to the main window
};

// Renames every target once by `mode`, in list order, and writes the summary
// and the closing line (`notFound`: names that answered no folder, counted as
// not renamed). Used by the automatic run: no yield, no Cancel, no removal of entries.
// When `stop` is given and turns true (Ctrl+C on a console), the walk ends
// after the folder in hand with the stopped line instead. Returns how many
// targets were not done (failed, skipped or not reached).
// `folderDone`, when given, hears of each folder tried: its index and what
// became of it. `resumes` names the run cut short that this one finishes.
using FolderDone = std::function<void(size_t index, const FolderOutcome& outcome)>;
// `leftOut` (by index) names folders to leave alone.
size_t ListExecute(AppState& state,
                   Services& services,
                   int16_t mode,
                   const std::atomic<bool>* stop = nullptr,
                   const FolderDone& folderDone = {},
                   size_t notFound = 0,
                   const std::string& resumes = {},
                   const std::vector<bool>& leftOut = {});

// With "実行前に確認する" on, the automatic run first shows the preview of
// the target list by the given mode, alone: the mode and the folders left out
// on 実行, nothing on キャンセル.
using ConfirmRun = std::function<std::optional<RunChoice>(int16_t mode)>;

// The automatic run over the command-line folders; true when a run took
// place (or the user cancelled it in the preview) and the program is to end.
// `listTaken` tells whether the command line was put into the target list
// (which then holds its outcome).
bool AutoExecute(AppState& state,
                 Services& services,
                 const std::wstring& commandLine,
                 bool* listTaken = nullptr,
                 const ConfirmRun& confirm = {});

// Takes the last run back without a window (the command line "/UNDO") and
// copies the history to the clipboard when asked to.
void UndoExecute(AppState& state, Services& services);

// Everything between the start of the process and the main window: the
// removal request, the settings, the recovery of runs cut short, the
// automatic run, the command-line folders. With `recoverInWindow`, a start
// with nothing on its command line leaves the recovery (and the offer to
// finish a run cut short) to the window, which shows it as it goes
// (MainWindow::RecoverAtStart).
StartupOutcome RunStartup(AppState& state,
                          Services& services,
                          const std::wstring& commandLine,
                          const ConfirmRun& confirm = {},
                          bool recoverInWindow = false);

// Found at start, a run cut short whose folders were not all reached: asks
// whether they go back into the target list (the next run then finishes it).
void OfferResume(AppState& state, Services& services);

// The removal question, with the program's name in front.
std::wstring RemovalQuestion();

}  // namespace kelvaro
