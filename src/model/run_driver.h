#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "engine/rename_dir.h"
#include "engine/rename_plan.h"
#include "model/run_events.h"
#include "operations/run_session.h"

namespace kelvaro {

// What a run needs of the windows around it.
class IRunView {
public:
    virtual ~IRunView() = default;
    // Disables the mode buttons, the child windows and their menus, enables
    // Cancel (true); or the reverse (false).
    virtual void SetRunning(bool running) = 0;
    // Shows the entry being handled at the top of the target list.
    virtual void ShowEntry(size_t index) = 0;
    // Processes pending input and paints, once per folder of a run made on
    // the window's own thread.
    virtual void ProcessPendingInput() = 0;
    // Runs `work` (a run's walk over its folders) and returns when it is done.
    // The window runs it on a thread of its own and keeps answering
    // meanwhile; here it runs on the caller's thread.
    virtual void RunWork(const std::function<void()>& work) { work(); }
    // Off the window's thread, a run has events waiting: the window is to
    // call RunDriver::DeliverEvents on its own thread.
    virtual void EventsWaiting() {}
    // After events were delivered: shows the progress when it is due.
    virtual void PaintProgress() {}
    // After the run: re-reads the folder windows so they show the new names.
    virtual void RefreshFolders() = 0;
    // Enables the mode buttons exactly while the target list is not empty.
    virtual void UpdateButtons() = 0;
    // A run the journal cannot record: true to rename all the same, without
    // a record (no unless the user says so). Asked on the window's thread.
    virtual bool GoOnUnrecorded() { return false; }
    // Runs `task` on the window's thread (a question to the user from a run's
    // own thread) and returns when it is done; here on the caller's thread.
    virtual void OnWindowThread(const std::function<void()>& task) { task(); }
    // True when the folder `dir` tells names apart by case (see TargetWalk).
    virtual bool TellsCaseApart(const std::wstring& dir) {
        (void)dir;
        return false;
    }
};

// The run behind the mode buttons: walks the target list top to bottom,
// renames each folder, lets Cancel stop between two folders, removes the
// folders that were done and writes the closing line. A folder further down
// the list that lies below a renamed one is handled under its new name. The
// walk runs where the view's RunWork puts it (the window: a thread of its
// own) and reaches the lists only through the run's events, which the view
// has delivered on its own thread.
class RunDriver {
public:
    // Renames one folder, writing to the history and the changed-folder list it is given.
    using Renamer =
        std::function<FolderOutcome(const std::wstring& path, int16_t mode, ILineSink& history, ILineSink& changed)>;

    RunDriver(AppState& state, IRunView& view, Renamer renamer, RenameJournal* journal = nullptr);

    // `leftOut` (by index) names the folders to leave alone: they stay in the list.
    void Run(int16_t mode, const std::vector<bool>& leftOut = {});
    // Takes the last run back, with the same freezing, Cancel and closing line.
    void Undo(const RenameServices& services);
    // Puts right what runs cut short left (`work`, writing to the history it
    // is given) where runs go, the windows frozen meanwhile; no closing line.
    void Recover(const std::function<void(ILineSink& history)>& work);
    void Cancel() { state_.stopRequested = true; }
    bool Running() const { return running_; }
    // Applies what the run told meanwhile, on the window's thread.
    void DeliverEvents();

private:
    // Freezes the windows and empties the history; writes the closing line and gives the windows back.
    void Start();
    void Finish();
    // What the run's events act on: the lists the windows show.
    RunEvents::Target EventTarget(size_t& top);
    // Runs `work` where the view runs a walk, with events that reach the
    // lists, and delivers what is left of them afterwards.
    void WalkWithEvents(const std::function<void(RunEvents& events)>& work);

    AppState& state_;
    IRunView& view_;
    Renamer renamer_;
    RenameJournal* journal_;
    bool running_ = false;
    RunEvents* events_ = nullptr;  // those of the run under way
};

}  // namespace kelvaro
