#include "app/run_driver.h"

#include <algorithm>
#include <utility>

#include "engine/catalog.h"
#include "engine/rename_dir.h"

namespace kelvaro {

RunDriver::RunDriver(AppState& state, IRunView& view, Renamer renamer)
    : state_(state), view_(view), renamer_(std::move(renamer)) {}

void RunDriver::Run(int16_t mode) {
    if (running_) return;
    running_ = true;
    TargetList& targets = state_.targets;
    view_.SetRunning(true);
    state_.history.RefreshForm();
    targets.SelectAll();

    const size_t count = targets.Count();
    size_t top = 0;  // the entry shown at the top last
    for (size_t j = 0; j < count; ++j) {
        top = j;
        targets.SetTopIndex(j);
        view_.ShowEntry(j);
        view_.ProcessPendingInput();
        if (state_.blnCancel) break;
        if (renamer_(targets.Text(j), mode) == kRenameDone) targets.SetSelected(j, false);
    }

    // That entry stays at the top once the done ones above it are gone: after
    // Cancel it is the first folder the run left untouched.
    size_t topAfter = 0;
    for (size_t i = 0; i < top; ++i)
        if (targets.Selected(i)) ++topAfter;
    targets.RemoveWhere(false);
    targets.SelectClear();
    if (!targets.Empty()) targets.SetTopIndex(std::min(topAfter, targets.Count() - 1));
    state_.history.ListInAdd(ResAllText(state_.blnCancel ? 30 : 31));
    state_.blnCancel = false;
    view_.SetRunning(false);
    running_ = false;
    view_.RefreshFolders();
    view_.BtnEnabledChange();
}

}  // namespace kelvaro
