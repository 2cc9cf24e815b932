#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ports/file_system.h"
#include "engine/rename_plan.h"

namespace kelvaro {

// What the preview of a run shows: the plan of the target list for one mode,
// the rows on screen (every folder, or only those that keep their name) and
// the texts of each row and of the counts below the list.
class PreviewState {
public:
    // Plans the run of `paths` (in run order) by `mode` anew.
    void Compute(IFileSystem& fs, const std::vector<std::wstring>& paths, int16_t mode, bool hira);
    int16_t Mode() const { return mode_; }
    const std::vector<PlanEntry>& Plan() const { return plan_; }

    // Only the folders that will not be renamed (true), or every folder.
    void SetOnlyKept(bool only);
    bool OnlyKept() const { return onlyKept_; }
    // The plan entries on screen, in run order.
    const std::vector<size_t>& Rows() const { return rows_; }

    // The row's columns: the folder as the history shows it, its new name (the
    // whole new path when it lies below a renamed folder) and its state.
    std::wstring Before(size_t entry) const;
    std::wstring After(size_t entry) const;
    std::wstring StateText(size_t entry) const;
    // "合計：n件" followed by the count of every state that occurs.
    std::wstring CountsText() const;
    size_t Count(PlanState state) const { return counts_[static_cast<size_t>(state)]; }

private:
    void Filter();

    int16_t mode_ = 0;
    std::vector<PlanEntry> plan_;
    std::array<size_t, kPlanStates> counts_{};
    std::vector<size_t> rows_;
    bool onlyKept_ = false;
};

}  // namespace kelvaro
