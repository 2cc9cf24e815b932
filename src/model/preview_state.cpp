#include "model/preview_state.h"

#include "engine/catalog.h"
#include "engine/path_text.h"

namespace kelvaro {
namespace {}  // namespace

void PreviewState::Compute(IFileSystem& fs, const std::vector<std::wstring>& paths, int16_t mode, bool hira) {
    mode_ = mode;
    plan_ = PlanRun(fs, paths, mode, hira);
    counts_.fill(0);
    for (const auto& entry : plan_) ++counts_[static_cast<size_t>(entry.state)];
    Filter();
}

void PreviewState::SetOnlyKept(bool only) {
    onlyKept_ = only;
    Filter();
}

void PreviewState::Filter() {
    rows_.clear();
    for (size_t i = 0; i < plan_.size(); ++i)
        if (!onlyKept_ || plan_[i].state != PlanState::Rename) rows_.push_back(i);
}

std::wstring PreviewState::Before(size_t entry) const {
    return DirNameAbbrev(plan_[entry].path);
}

std::wstring PreviewState::After(size_t entry) const {
    const PlanEntry& e = plan_[entry];
    if (e.newPath.empty()) return {};
    return e.belowRenamed ? DirNameAbbrev(e.newPath) : LastPathName(e.newPath);
}

std::wstring PreviewState::StateText(size_t entry) const {
    const PlanEntry& e = plan_[entry];
    std::wstring text = PlanStateText(e.state);
    text += LengthLimitText(e.limit);
    if (e.belowRenamed) text += ResKelvaroText(KText::BelowRenamedNote);
    if (e.clashWith != kNoEntry && e.state != PlanState::BatchClash) text += ResKelvaroText(KText::ListClashNote);
    return text;
}

std::wstring PreviewState::CountsText() const {
    const std::wstring unit = ResKelvaroText(KText::PreviewCountUnit);
    std::wstring text = ResKelvaroText(KText::PreviewTotal) + L"\uFF1A" + std::to_wstring(plan_.size()) + unit;
    for (size_t s = 0; s < kPlanStates; ++s) {
        if (counts_[s] == 0) continue;
        text += L"\u3000" + PlanStateText(static_cast<PlanState>(s)) + L"\uFF1A" + std::to_wstring(counts_[s]) + unit;
    }
    return text;
}

}  // namespace kelvaro
