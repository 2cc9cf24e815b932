#include "app/run_driver.h"

#include <utility>

#include "engine/catalog.h"
#include "engine/rename_dir.h"

namespace kelvaro {

RunDriver::RunDriver(AppState& state, IRunView& view, Renamer renamer)
    : state_(state), view_(view), renamer_(std::move(renamer)), changed_(state.changed) {}

void RunDriver::Run(int16_t mode) {
    if (running_) return;
    running_ = true;
    TargetList& targets = state_.targets;
    view_.SetRunning(true);
    state_.history.RefreshForm();
    targets.SelectAll();

    const size_t count = targets.Count();
    for (size_t j = 0; j < count; ++j) {
        targets.SetTopIndex(j);
        view_.ShowEntry(j);
        view_.ProcessPendingInput();
        if (state_.blnCancel) break;
        const std::wstring path = targets.Text(j);
        changed_.Clear();
        if (renamer_(path, mode) != kRenameDone) continue;
        targets.SetSelected(j, false);
        if (!changed_.Last().empty() && changed_.Last() != path) targets.FollowRenamed(j + 1, path, changed_.Last());
    }

    targets.RemoveWhere(false);
    targets.SelectClear();
    state_.history.ListInAdd(ResAllText(state_.blnCancel ? 30 : 31));
    state_.blnCancel = false;
    view_.SetRunning(false);
    running_ = false;
    view_.RefreshFolders();
    view_.BtnEnabledChange();
}

}  // namespace kelvaro
