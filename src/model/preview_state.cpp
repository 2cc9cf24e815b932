#include "model/preview_state.h"

#include <algorithm>
#include <unordered_map>

#include "engine/catalog.h"
#include "engine/path_text.h"

namespace kelvaro {
namespace {

constexpr wchar_t kEllipsis[] = L"\u2026";

}  // namespace

std::wstring MiddleCut(const std::wstring& text,
                       const std::vector<int>& extents,
                       int ellipsis,
                       int width,
                       size_t keepHead) {
    const size_t n = std::min(text.size(), extents.size());
    if (n == 0 || extents[n - 1] <= width) return text;
    const int total = extents[n - 1];
    const auto headWidth = [&](size_t h) { return h == 0 ? 0 : extents[h - 1]; };
    const auto tailWidth = [&](size_t t) { return t == 0 ? 0 : total - extents[n - t - 1]; };
    const int room = width - ellipsis;
    const auto fits = [&](size_t h, size_t t) { return h + t < n && headWidth(h) + tailWidth(t) <= room; };
    size_t head = std::min(keepHead, n), tail = 0;
    // The folder's own name first, then the start and the end in turn.
    const size_t separator = text.find_last_of(L'\\', n - 1);
    const size_t name = separator == std::wstring::npos ? 0 : n - separator;
    while (tail < name && fits(head, tail + 1)) ++tail;
    const size_t base = tail;
    for (;;) {
        const bool headFirst = head - std::min(keepHead, n) <= tail - base;
        if (headFirst && fits(head + 1, tail))
            ++head;
        else if (fits(head, tail + 1))
            ++tail;
        else if (fits(head + 1, tail))
            ++head;
        else
            break;
    }
    if (head + tail >= n) return text;
    return text.substr(0, head) + kEllipsis + text.substr(n - tail);
}

std::wstring CutAround(const std::wstring& text,
                       const std::vector<int>& extents,
                       int ellipsis,
                       int width,
                       size_t keep) {
    const size_t n = std::min(text.size(), extents.size());
    if (keep >= n) return MiddleCut(text, extents, ellipsis, width);
    const auto span = [&](size_t from, size_t to) {
        return from >= to ? 0 : extents[to - 1] - (from == 0 ? 0 : extents[from - 1]);
    };
    size_t head = 0, from = keep, to = keep + 1, tail = 0;
    const int room = width - 2 * ellipsis;
    const auto fits = [&](size_t h, size_t f, size_t t, size_t e) {
        return h <= f && t <= n - e && span(0, h) + span(f, t) + span(n - e, n) <= room;
    };
    const size_t separator = text.find_last_of(L'\\', n - 1);
    const size_t name = separator == std::wstring::npos ? 0 : n - separator;
    while (tail < name && fits(head, from, to, tail + 1)) ++tail;
    // Then the part around the difference, the start and the end in turn.
    for (bool grew = true; grew;) {
        grew = false;
        if (from > head && fits(head, from - 1, to, tail)) --from, grew = true;
        if (to < n - tail && fits(head, from, to + 1, tail)) ++to, grew = true;
        if (head < from && fits(head + 1, from, to, tail)) ++head, grew = true;
        if (n - tail > to && fits(head, from, to, tail + 1)) ++tail, grew = true;
    }
    std::wstring cut = text.substr(0, head);
    if (head < from) cut += kEllipsis;
    cut += text.substr(from, to - from);
    if (to < n - tail) cut += kEllipsis;
    return cut + text.substr(n - tail);
}

void PreviewState::Compute(IFileSystem& fs,
                           const std::vector<std::wstring>& paths,
                           int16_t mode,
                           bool hiraganaToKatakana) {
    fs_ = &fs;
    paths_ = paths;
    hira_ = hiraganaToKatakana;
    leftOut_.assign(paths.size(), false);
    Recompute(mode);
}

void PreviewState::Recompute(int16_t mode) {
    mode_ = mode;
    MakePlan();
}

void PreviewState::MakePlan() {
    plan_ = fs_ ? PlanRun(*fs_, paths_, mode_, hira_, leftOut_) : std::vector<PlanEntry>{};
    counts_.fill(0);
    leftOutCount_ = 0;
    for (const auto& entry : plan_) {
        if (entry.leftOut)
            ++leftOutCount_;
        else
            ++counts_[static_cast<size_t>(entry.state)];
    }
    Filter();
}

void PreviewState::SetTicked(const std::vector<size_t>& entries, bool ticked) {
    bool changed = false;
    for (size_t entry : entries) {
        if (entry >= plan_.size() || !HasCheckBox(entry) || leftOut_[entry] == !ticked) continue;
        leftOut_[entry] = !ticked;
        changed = true;
    }
    if (changed) MakePlan();
}

void PreviewState::Toggle(const std::vector<size_t>& entries) {
    for (size_t entry : entries) {
        if (entry < plan_.size() && HasCheckBox(entry)) {
            SetTicked(entries, !Ticked(entry));
            return;
        }
    }
}

void PreviewState::SetOnlyRefused(bool only) {
    onlyRefused_ = only;
    Filter();
}

void PreviewState::Filter() {
    rows_.clear();
    for (size_t i = 0; i < plan_.size(); ++i)
        if (!onlyRefused_ || PlanRefused(plan_[i].state)) rows_.push_back(i);
}

std::wstring PreviewState::Before(size_t entry) const {
    return plan_[entry].path;
}

std::wstring PreviewState::After(size_t entry) const {
    const PlanEntry& e = plan_[entry];
    if (e.newPath.empty() || e.leftOut) return {};
    return e.belowRenamed ? e.newPath : LastPathName(e.newPath);
}

std::wstring PreviewState::StateText(size_t entry) const {
    const PlanEntry& e = plan_[entry];
    if (e.leftOut) return ResKelvaroText(KText::LeftOutState);
    std::wstring text = PlanStateText(e.state);
    text += LengthLimitText(e.limit);
    if (e.belowRenamed) text += ResKelvaroText(KText::BelowRenamedNote);
    if (e.clashWith != kNoEntry && e.state != PlanState::BatchClash) text += ResKelvaroText(KText::ListClashNote);
    return text;
}

std::wstring PreviewState::TipText(size_t entry) const {
    const PlanEntry& e = plan_[entry];
    std::wstring text = e.path;
    if (!e.newPath.empty() && !e.leftOut && e.newPath != e.path) text += L"\r\n\u2192 " + e.newPath;
    return text + L"\r\n" + StateText(entry);
}

std::vector<std::wstring> PreviewState::CountItems() const {
    const std::wstring unit = ResKelvaroText(KText::PreviewCountUnit);
    std::vector<std::wstring> items{ResKelvaroText(KText::PreviewTotal) + L"\uFF1A" + std::to_wstring(plan_.size()) +
                                    unit};
    for (size_t s = 0; s < kPlanStates; ++s) {
        if (counts_[s] == 0) continue;
        items.push_back(PlanStateText(static_cast<PlanState>(s)) + L"\uFF1A" + std::to_wstring(counts_[s]) + unit);
    }
    if (leftOutCount_ > 0)
        items.push_back(ResKelvaroText(KText::LeftOutState) + L"\uFF1A" + std::to_wstring(leftOutCount_) + unit);
    return items;
}

std::wstring PreviewState::CountsText() const {
    std::wstring text;
    for (const auto& item : CountItems()) text += (text.empty() ? L"" : L"\u3000") + item;
    return text;
}

std::vector<std::wstring> PreviewState::FittedColumn(int column,
                                                     int width,
                                                     const Extents& extents,
                                                     int ellipsis) const {
    std::vector<std::wstring> full, fitted;
    full.reserve(rows_.size());
    for (size_t entry : rows_) full.push_back(column == 0 ? Before(entry) : After(entry));
    std::vector<std::vector<int>> widths;
    widths.reserve(full.size());
    for (const auto& text : full) {
        widths.push_back(extents(text));
        fitted.push_back(MiddleCut(text, widths.back(), ellipsis, width));
    }
    // Two different texts cut to the same: each shows the first character in
    // which it differs from the others.
    std::unordered_map<std::wstring, std::vector<size_t>> same;
    for (size_t r = 0; r < fitted.size(); ++r)
        if (fitted[r] != full[r]) same[fitted[r]].push_back(r);
    for (auto& [text, rows] : same) {
        if (rows.size() < 2) continue;
        for (size_t r : rows) {
            size_t keep = 0;
            for (size_t other : rows) {
                if (full[other] == full[r]) continue;
                const auto end = std::min(full[r].size(), full[other].size());
                size_t common = 0;
                while (common < end && full[r][common] == full[other][common]) ++common;
                keep = std::max(keep, common + 1);
            }
            if (keep == 0) continue;
            // The start up to the difference, or else the part around it.
            const bool headFits = keep <= widths[r].size() && widths[r][keep - 1] + ellipsis <= width;
            fitted[r] = headFits ? MiddleCut(full[r], widths[r], ellipsis, width, keep)
                                 : CutAround(full[r], widths[r], ellipsis, width, keep - 1);
        }
    }
    return fitted;
}

}  // namespace kelvaro
