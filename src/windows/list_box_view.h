#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "windows/list_observer.h"

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
    void Attach(HWND listBox);
    HWND Handle() const { return listBox_; }

    void OnInserted(size_t index) override;
    void OnRemoved(size_t index) override;
    void OnReplaced(size_t index) override;
    void OnReset() override;
    void OnSelectionChanged(size_t index) override;
    void OnTopIndexChanged(size_t index) override;

private:
    bool Multi() const;
    void FollowCursor();

    Source source_;
    Cursor cursor_;
    HWND listBox_ = nullptr;
};

}  // namespace kelvaro
