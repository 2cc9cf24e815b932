#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "engine/rename_dir.h"
#include "engine/rename_plan.h"
#include "model/run_events.h"

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

// The one walk over the target list that every run makes, top to bottom,
// renaming each folder once. A folder further down the list that lies below a
// renamed one is handled under its new name. A record the journal cannot write
// ends the walk with its history line. The window's run, the automatic run
// and the script's run differ only in these hooks: the window shows each
// entry and lets Cancel stop; the automatic run only listens for Ctrl+C; the
// script also writes each folder's /TSV line.
struct TargetWalk {
    // Before folder `index`; false stops the walk there (nothing tried).
    std::function<bool(size_t index)> before;
    // After folder `index` was tried: what became of it.
    std::function<void(size_t index, const FolderOutcome& outcome)> after;
    // Folders (by index) the user left out of this run: neither tried nor
    // reported; the list may be shorter than the target list.
    std::vector<bool> leftOut;
    // The new path a folder is to get (PlannedNewPath), for the journal to
    // write the records of the next folders ahead of their renames.
    std::function<std::wstring(const std::wstring& path)> newPathOf;
    // True when the folder `dir` tells names apart by case: the folders
    // named below a renamed one are then followed by their exact spelling.
    std::function<bool(const std::wstring& dir)> tellsCaseApart;
};

struct WalkEnd {
    size_t next = 0;             // the first folder not tried
    size_t asked = 0;            // the folders passed that were not left out
    bool stopped = false;        // `before` said stop
    bool journalFailed = false;  // a record could not be written
    RunCounts counts;            // for the closing summary line
    size_t leftOut = 0;          // the folders the user left out, reached or not (never counted as not reached)
};

// The closing count of a walk: RunSummaryLine's, then "　除外：n件" when the user left folders out.
std::wstring WalkSummaryLine(const WalkEnd& end);

// The request of a run of the target list by `mode`.
RunRequest TargetRequest(int16_t mode, bool hiraganaToKatakana);

// One run in the journal, whatever its folders' source and however many
// walks it takes: its run record (or, when the journal cannot take one, the
// question whether to go on without), what it was asked to do, each walk over
// a batch of folders, numbered on from the batch before, and its end record,
// written however the walks end. The window's run, the automatic run and the
// script's run are each one session; what each folder became goes to the
// hooks of its walk.
class RunSession {
public:
    using Rename = std::function<FolderOutcome(const std::wstring& path)>;
    RunSession(RenameJournal* journal,
               ILineSink& history,
               const std::string& resumes = {},
               const std::function<bool()>& goOnUnrecorded = {});
    // An exception leaves the run without its end, as a kill would: the next start puts it right.
    ~RunSession() {
        if (std::uncaught_exceptions() == 0) End();
    }
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;
    // No record of the run could be begun, and nobody said to go on without one: nothing is renamed.
    bool Refused() const { return recorded_.Stopped(); }
    // What the run was asked to do, recorded before its first folder. With
    // `folders`, it names them but those `leftOut`, numbered among
    // themselves: a resume never takes one the user left out.
    void Request(RunRequest request, const IFolderQueue* folders = nullptr, const std::vector<bool>& leftOut = {});
    // The one walk every run makes over a batch of its folders, top to
    // bottom (see TargetWalk); `rename` renames one folder and tells what
    // became of it.
    WalkEnd Walk(IFolderQueue& folders, const Rename& rename, const TargetWalk& hooks);
    // Records how far the run got, stopped or done; once.
    void End();

private:
    RenameJournal* journal_;
    ILineSink& history_;
    RecordedRun recorded_;
    bool requested_ = false, ended_ = false, stopped_ = false;
    size_t reached_ = 0;  // the folders asked for that the walks passed
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
