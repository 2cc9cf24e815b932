#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "engine/rename_dir.h"
#include "engine/rename_plan.h"
#include "operations/folder_queue.h"

namespace kelvaro {

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
    bool stopped = false;        // `before` said stop
    bool journalFailed = false;  // a record could not be written
    RunCounts counts;            // for the closing summary line
    size_t leftOut = 0;          // the folders the user left out, reached or not (never counted as not reached)
};

// The closing count of a walk: RunSummaryLine's, then "　除外：n件" when the user left folders out.
std::wstring WalkSummaryLine(const WalkEnd& end);

// The hook TargetWalk::newPathOf of a run by `mode`.
std::function<std::wstring(const std::wstring& path)> PlannedNewPaths(int16_t mode, bool hiraganaToKatakana);

// The request of a run of the target list by `mode`.
RunRequest TargetRequest(int16_t mode, bool hiraganaToKatakana);

// One run in the journal, whatever its kind and its folders' source, and
// however many walks it takes: its run record (or, when the journal cannot
// take one, the question whether to go on without), what it was asked to do,
// each folder tried, numbered on from the batch before and stopping the run
// when its record could not be written, and its end record, written however
// the run ends. The window's run, the automatic run, the script's run, a
// resume and an undo are each one session; what each folder became goes to
// the hooks of its walk.
class RunSession {
public:
    using Rename = std::function<FolderOutcome(const std::wstring& path)>;
    // `target`: the run cut short that a run finishes, or the run an undo takes back.
    RunSession(RenameJournal* journal,
               ILineSink& history,
               RunKind kind = RunKind::Run,
               const std::string& target = {},
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
    // One folder of the run, tried by `tryIt`. `numbered`: the journal numbers
    // its record by its place among the folders asked for (an undo's folders
    // keep the numbers of the run it takes back). A record that could not be
    // written stops the run here, and the history says so.
    FolderOutcome Folder(const std::function<FolderOutcome()>& tryIt, bool numbered = true);
    // True once a record could not be written: no folder is tried after that.
    bool JournalFailed() const { return journalFailed_; }
    // The run ends before its last folder.
    void Stop() { stopped_ = true; }
    // True once the run was stopped, or its journal failed.
    bool Stopped() const { return stopped_; }
    // The folders tried so far.
    size_t Reached() const { return reached_; }
    // Records how far the run got, stopped or done; once.
    void End();

private:
    RenameJournal* journal_;
    ILineSink& history_;
    RecordedRun recorded_;
    bool ended_ = false, stopped_ = false, journalFailed_ = false;
    size_t reached_ = 0;  // the folders tried
};

}  // namespace kelvaro
