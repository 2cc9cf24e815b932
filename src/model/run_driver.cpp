#include "model/run_driver.h"

#include <algorithm>
#include <utility>

#include "engine/catalog.h"
#include "engine/journal_actions.h"
#include "engine/rename_dir.h"

namespace kelvaro {

RunDriver::RunDriver(AppState& state, IRunView& view, Renamer renamer, RenameJournal* journal)
    : state_(state), view_(view), renamer_(std::move(renamer)), journal_(journal), changed_(state.changed) {}

void RunDriver::Start() {
    running_ = true;
    view_.SetRunning(true);
    state_.history.RefreshForm();
}

void RunDriver::Finish() {
    const bool stopped = state_.blnCancel || (journal_ && journal_->Failed());
    state_.history.ListInAdd(ResAllText(stopped ? 30 : 31));
    state_.blnCancel = false;
    view_.SetRunning(false);
    running_ = false;
    view_.RefreshFolders();
    view_.BtnEnabledChange();
}

void RunDriver::Run(int16_t mode) {
    if (running_) return;
    Start();
    TargetList& targets = state_.targets;
    targets.SelectAll();

    size_t top = 0;  // the entry shown at the top last
    {
        RecordedRun recorded(journal_, state_.history, RunKind::Run);
        const size_t count = targets.Count();
        for (size_t j = 0; j < count; ++j) {
            top = j;
            targets.SetTopIndex(j);
            view_.ShowEntry(j);
            view_.ProcessPendingInput();
            if (state_.blnCancel || recorded.Stopped()) break;
            const std::wstring path = targets.Text(j);
            changed_.Clear();
            const bool done = renamer_(path, mode) == kRenameDone;
            if (done) targets.SetSelected(j, false);
            if (done && !changed_.Last().empty() && changed_.Last() != path)
                targets.FollowRenamed(j + 1, path, changed_.Last());
            // A record that cannot be written ends the run: the rest stays in the list.
            if (journal_ && journal_->Failed()) {
                state_.history.ListInAdd(ResKelvaroText(26001));
                break;
            }
        }
    }

    // That entry stays at the top once the done ones above it are gone: after
    // Cancel it is the first folder the run left untouched.
    size_t topAfter = 0;
    for (size_t i = 0; i < top; ++i)
        if (targets.Selected(i)) ++topAfter;
    targets.RemoveWhere(false);
    targets.SelectClear();
    if (!targets.Empty()) targets.SetTopIndex(std::min(topAfter, targets.Count() - 1));
    Finish();
}

void RunDriver::Undo(const RenameServices& services) {
    if (running_) return;
    Start();
    UndoLastRun(services, [this] {
        view_.ProcessPendingInput();
        return !state_.blnCancel;
    });
    Finish();
}

}  // namespace kelvaro
