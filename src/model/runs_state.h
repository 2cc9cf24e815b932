#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/journal.h"
#include "operations/resume.h"
#include "model/target_list.h"

namespace kelvaro {

// The runs the journal keeps, as the dialog "変更の記録" shows them: newest
// first, with the time, the mode, the folders renamed and how each ended
// (killed or stopped, and how far it got; taken back, or how far an undo
// killed in the middle got); what 元に戻す would take back and what the run
// cut short left.
class RunsState {
public:
    struct Row {
        std::wstring time, mode, folders, state;
    };
    // True when the copy of the program that wrote a run still runs: a run
    // without an end is then under way, else it was killed.
    using Running = std::function<bool(const ProcessStamp& writer)>;

    // Reads the runs of a journal (oldest first, as ParseJournal gives them).
    void Compute(const std::vector<JournalRun>& runs, const Running& running = {});

    const std::vector<Row>& Rows() const { return rows_; }
    // The folders 元に戻す would take back: 0 when there is nothing to undo.
    size_t UndoCount() const { return undoCount_; }
    // The newest run, stopped or cut short, and the folders it did not reach.
    const std::optional<ResumePlan>& Resume() const { return resume_; }

private:
    std::vector<Row> rows_;
    size_t undoCount_ = 0;
    std::optional<ResumePlan> resume_;
};

// True when the target list can finish the run: a run of named folders, no
// more than the list holds. A run of every depth (the list would rename its
// roots only) or of more folders is finished by /RESUME.
bool FitsTargetList(const ResumePlan& plan);

// Gives the folders a run cut short did not reach back to the target list
// (those that still exist), and marks the list's next run as the one that
// finishes it. Returns the folders added.
size_t ResumeIntoTargets(TargetList& targets, std::string& resumes, IFileSystem& fs, const ResumePlan& plan);

// The time of day a FILETIME value stands for, in local time: 2024/05/01 09:30.
std::wstring LocalTimeText(uint64_t fileTime);

}  // namespace kelvaro
