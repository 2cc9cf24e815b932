#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ports/file_system.h"
#include "engine/rename_plan.h"

namespace kelvaro {

// What the user chose in the preview: the mode, and the folders (by index in
// the target list) to leave alone in this run.
struct RunChoice {
    int16_t mode = 0;
    std::vector<bool> leftOut;
};

// What the preview of a run shows: the plan of the target list for one mode,
// the rows on screen (every folder, or only those the run refuses), which
// folders the user leaves out of this run, and the texts of each row and of
// the counts below the list.
class PreviewState {
public:
    // Plans the run of `paths` (in run order) by `mode`, every folder ticked.
    void Compute(IFileSystem& fs, const std::vector<std::wstring>& paths, int16_t mode, bool hiraganaToKatakana);
    // Plans the same folders by another mode; the folders left out stay left out.
    void Recompute(int16_t mode);
    int16_t Mode() const { return mode_; }
    const std::vector<PlanEntry>& Plan() const { return plan_; }

    // Only the folders the run refuses (true), or every folder.
    void SetOnlyRefused(bool only);
    bool OnlyRefused() const { return onlyRefused_; }
    // The plan entries on screen, in run order.
    const std::vector<size_t>& Rows() const { return rows_; }

    // A folder that would be renamed has a check box; unticked, the run leaves
    // it alone (it stays in the target list) and the plan is made again
    // without its rename.
    bool HasCheckBox(size_t entry) const { return plan_[entry].state == PlanState::Rename; }
    bool Ticked(size_t entry) const { return HasCheckBox(entry) && !plan_[entry].leftOut; }
    // Ticks or unticks the check boxes of these entries (others are ignored).
    void SetTicked(const std::vector<size_t>& entries, bool ticked);
    // Space on the selected rows: all take the opposite of the first one with a check box.
    void Toggle(const std::vector<size_t>& entries);
    // By target-list index: the folders the run is to leave alone.
    const std::vector<bool>& LeftOut() const { return leftOut_; }

    // The row's columns: the folder's whole path, its new name (the whole new
    // path when it lies below a renamed folder) and its state with its notes.
    std::wstring Before(size_t entry) const;
    std::wstring After(size_t entry) const;
    std::wstring StateText(size_t entry) const;
    // The tip of a row: the whole path, the whole new path and the state.
    std::wstring TipText(size_t entry) const;
    // "合計：n件" and the count of every state that occurs, the folders left
    // out last: one item each, so that a line breaks only between them.
    std::vector<std::wstring> CountItems() const;
    std::wstring CountsText() const;
    // Folders the run would rename (ticked) and folders left out.
    size_t Count(PlanState state) const { return counts_[static_cast<size_t>(state)]; }
    size_t LeftOutCount() const { return leftOutCount_; }

    // The texts of `column` (0 or 1) for every row on screen, each fitted into
    // `width` by cutting the middle, never more than needed; two different
    // paths never come out the same. `extents(text)` gives the width of each
    // prefix of `text` (as GetTextExtentExPoint does), `ellipsis` the width of "…".
    using Extents = std::function<std::vector<int>(const std::wstring& text)>;
    std::vector<std::wstring> FittedColumn(int column, int width, const Extents& extents, int ellipsis) const;

private:
    void MakePlan();
    void Filter();

    IFileSystem* fs_ = nullptr;
    std::vector<std::wstring> paths_;
    bool hira_ = false;
    int16_t mode_ = 0;
    std::vector<PlanEntry> plan_;
    std::vector<bool> leftOut_;
    std::array<size_t, kPlanStates> counts_{};
    size_t leftOutCount_ = 0;
    std::vector<size_t> rows_;
    bool onlyRefused_ = false;
};

// `text` with its middle cut out and "…" put in, as long as fits into `width`
// (`extents` as above): the start and the end as long as each other, and at
// least the first `keepHead` characters. The text itself when it fits.
std::wstring MiddleCut(const std::wstring& text,
                       const std::vector<int>& extents,
                       int ellipsis,
                       int width,
                       size_t keepHead = 0);

// The same with the character at `keep` always shown: the folder's own name,
// the part around that character and the start, "…" between them.
std::wstring CutAround(const std::wstring& text, const std::vector<int>& extents, int ellipsis, int width, size_t keep);

}  // namespace kelvaro
