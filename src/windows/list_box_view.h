#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "model/list_observer.h"

namespace kelvaro {

// Keeps a list box in step with a list held in memory.
class ListBoxView : public IListObserver {
public:
    struct Source {
        std::function<size_t()> count;
        std::function<std::wstring(size_t)> text;
        std::function<bool(size_t)> selected;  // empty: the list box keeps its own selection
    };
    enum class Cursor { None, Last };  // Last: the newest line stays current and visible

    ListBoxView(Source source, Cursor cursor = Cursor::None) : source_(std::move(source)), cursor_(cursor) {}
    ~ListBoxView() override;
    ListBoxView(const ListBoxView&) = delete;
    ListBoxView& operator=(const ListBoxView&) = delete;
    void Attach(HWND listBox);
    // The horizontal scroll bar reaches as far as the longest line: each new
    // line is measured once, and every line again only when the font changes.
    void TrackWidth() { trackWidth_ = true; }
    // Instead, long lines wrap into rows as wide as the list: nothing needs
    // scrolling sideways. The list box is LBS_OWNERDRAWVARIABLE |
    // LBS_HASSTRINGS, and its parent hands its WM_DRAWITEM to Draw.
    void WrapLines() { wrap_ = true; }
    bool Draw(const DRAWITEMSTRUCT& item);
    // The list box was resized: wrapped lines are measured for the new width.
    void OnResized();
    // The rows a wrapped line takes now, and its height in pixels: what the
    // parent answers WM_MEASUREITEM with as the line goes in.
    int RowsOf(size_t index);
    int HeightOf(size_t index) { return RowsOf(index) * RowHeight(); }
    void OnFontChanged();
    // While set, the widths are still kept but the scroll bar stays away: a
    // visible one makes every repaint of a run far slower under Wine, and the
    // list takes no input during a run anyway. Clearing it shows the bar.
    void SuspendWidth(bool suspended);
    HWND Handle() const { return listBox_; }
    // While held the list box takes changes without drawing them (drawing
    // each change costs far more than the change); releasing paints once.
    void Hold(bool held);
    // Hands the selection the user made on screen back to the list, entry by entry.
    void TakeSelection(const std::function<void(size_t index, bool selected)>& take) const;

    void OnInserted(size_t index) override;
    void OnRemoved(size_t index) override;
    void OnReplaced(size_t index) override;
    void OnReset() override;
    void OnSelectionChanged(size_t index) override;
    void OnTopIndexChanged(size_t index) override;

private:
    bool Multi() const;
    void FollowCursor();
    void Widen(const std::wstring& text);
    void SelectMeasureFont();
    void ApplyWidth();
    // Wrapped lines: the width of a row, the height of one, and the most rows
    // an entry can have (a list box entry is at most 255 pixels high).
    int RowWidth() const;
    int RowHeight();
    int MaxRows();
    void Measure(size_t index);
    void MeasureAll();

    Source source_;
    Cursor cursor_;
    HWND listBox_ = nullptr;
    bool held_ = false;
    size_t pendingTop_ = kAll;  // a scroll asked for while held
    bool trackWidth_ = false;
    bool widthSuspended_ = false;
    bool wrap_ = false;
    int wrapWidth_ = 0;        // the row width the entries were measured for
    int rowHeight_ = 16;       // pixels, one line in the list's font
    int widest_ = 0;           // pixels, the longest line and a margin
    HDC measureDc_ = nullptr;  // holds the list's font for measuring
};

}  // namespace kelvaro
