#pragma once
#include "platform/shell_drag_drop.h"
#include "windows/child_window.h"
#include "windows/list_box_view.h"

namespace kelvaro {

// mdiFile: the folders the next run renames.
class TargetListWindow : public ChildWindow {
public:
    TargetListWindow(AppState& state, Services& services, IChildHost& host);
    ~TargetListWindow() override;
    void HoldPainting(bool held) override { view_.Hold(held); }
    HWND List() const { return list_; }
    HWND DeleteButton() const { return btnDel_; }
    HWND DeleteAllButton() const { return btnDelAll_; }
    // Adds dropped names as folders from outside, stopping when the list is full.
    void OnDrop(const std::vector<std::wstring>& names);
    IDropTarget* DropTarget() const { return dropTarget_; }

protected:
    const wchar_t* FormName() const override { return L"mdiFile"; }
    void CreateControls() override;
    void Layout(double width, double height) override;
    void FillPopup(HMENU popup) override;
    void OnPopupCommand(UINT id) override;
    void OnControlCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnListKey(UINT key, HWND list) override;

private:
    void TakeSelectionFromScreen();

    ListBoxView view_;
    FileListDropTarget* dropTarget_ = nullptr;
    HWND list_ = nullptr, btnDel_ = nullptr, btnDelAll_ = nullptr;
};

// mdiStatus: the execution history.
class HistoryWindow : public ChildWindow {
public:
    HistoryWindow(AppState& state, Services& services, IChildHost& host);
    ~HistoryWindow() override;
    void HoldPainting(bool held) override { view_.Hold(held); }
    HWND List() const { return list_; }
    // The rows the history's line `index` takes on screen.
    int RowsOf(size_t index) { return view_.RowsOf(index); }

protected:
    const wchar_t* FormName() const override { return L"mdiStatus"; }
    void CreateControls() override;
    void OnFontChanged() override { view_.OnFontChanged(); }
    void Layout(double width, double height) override;
    void FillPopup(HMENU popup) override;
    void OnPopupCommand(UINT id) override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    ListBoxView view_;
    HWND list_ = nullptr;
};

// mdiOutFile: the folders a run left with the wanted name.
class ChangedListWindow : public ChildWindow {
public:
    ChangedListWindow(AppState& state, Services& services, IChildHost& host);
    ~ChangedListWindow() override;
    void HoldPainting(bool held) override { view_.Hold(held); }
    void OnRunning(bool running) override { view_.SuspendWidth(running); }
    HWND List() const { return list_; }
    void SelectAll();
    void SelectClear();
    // The selected entries, in list order: what a drag carries.
    std::vector<std::wstring> SelectedPaths() const;
    // A new data object offering the selected entries as a file list.
    IDataObject* MakeDragData();
    // Drags the names out; the shell's drag loop unless a test puts another here.
    std::function<void(const FileListDataObject::Provider&)> startDrag = [](const auto& names) {
        DragFileListOut(names);
    };

protected:
    const wchar_t* FormName() const override { return L"mdiOutFile"; }
    void CreateControls() override;
    void OnFontChanged() override { view_.OnFontChanged(); }
    void Layout(double width, double height) override;
    void FillPopup(HMENU popup) override;
    void OnPopupCommand(UINT id) override;

private:
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
    // The left button on the list: true when the message was taken here.
    bool OnListMouse(UINT message, WPARAM wParam, LPARAM lParam);
    // What a plain click on an entry does: that entry alone is selected.
    void SelectOnly(size_t index);

    ListBoxView view_;
    HWND list_ = nullptr;
    struct Press {
        bool held = false;           // pressed, neither released nor dragged yet
        bool clickDeferred = false;  // on a selected entry: the list sees the click at the release
        LPARAM point = 0;
    } press_;
};

}  // namespace kelvaro
