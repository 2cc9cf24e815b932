#include "windows/list_windows.h"

#include <windowsx.h>

#include <cstdlib>

#include "engine/catalog.h"
#include "engine/path_text.h"
#include "resource.h"
#include "windows/shared_menu.h"

namespace kelvaro {
namespace {

WNDPROC listBoxProc = nullptr;  // the list box class's own procedure

enum : UINT {
    kListId = 100,
    kDeleteId,
    kDeleteAllId,
};

ListBoxView::Source TargetSource(const TargetList& list) {
    return {[&list] { return list.Count(); }, [&list](size_t i) { return list.Text(i); },
            [&list](size_t i) { return list.Selected(i); }};
}

}  // namespace

TargetListWindow::TargetListWindow(AppState& state, Services& services, IChildHost& host)
    : ChildWindow(state, services, host, L"File_", KText::TargetWindowCaption, {0, 4000, 4000, 2000}),
      view_(TargetSource(state.targets)) {}

TargetListWindow::~TargetListWindow() {
    state_.targets.SetObserver(nullptr);
    if (dropTarget_) {
        if (list_ && IsWindow(list_)) RevokeDragDrop(list_);
        dropTarget_->Release();
    }
}

void TargetListWindow::CreateControls() {
    list_ = MakeListBox(LBS_EXTENDEDSEL | LBS_WANTKEYBOARDINPUT, kListId);
    btnDel_ = MakePictureButton(IDI_DELETE, kDeleteId, KText::RemoveSelectedHint);
    btnDelAll_ = MakePictureButton(IDI_DELETE_ALL, kDeleteAllId, KText::RemoveAllHint);
    AddHint(list_, KText::TargetListHint);
    view_.Attach(list_);
    state_.targets.SetObserver(&view_);
    dropTarget_ = new FileListDropTarget([this](const std::vector<std::wstring>& names) { OnDrop(names); });
    RegisterDragDrop(list_, dropTarget_);
}

void TargetListWindow::OnDrop(const std::vector<std::wstring>& names) {
    // During a run the list is the run's: the window is off, and so are drops on it.
    if (!IsWindowEnabled(Handle())) return;
    view_.Hold(true);
    DirNameResolver resolver(services_.fs);
    for (const auto& name : names)
        if (!state_.targets.AddFromOutside(resolver, name)) break;
    view_.Hold(false);
    host_.UpdateButtons();
}

void TargetListWindow::Layout(double width, double height) {
    FillWithListAndButtons(list_, {btnDel_, btnDelAll_}, width, height);
}

void TargetListWindow::FillPopup(HMENU popup) {
    AppendMenuW(popup, MF_STRING, kPopupSelectAll, WithAccessKey(ResAllText(AText::SelectAllMenuItem), L'A').c_str());
    AppendMenuW(popup, MF_STRING, kPopupSelectClear,
                WithAccessKey(ResAllText(AText::DeselectAllMenuItem), L'N').c_str());
    AppendMenuW(popup, MF_STRING, kPopupSourceSame,
                WithAccessKey(ResKelvaroText(KText::SameAsFolderWindow), L'S').c_str());
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    // Nothing to preview in an empty list.
    AppendMenuW(popup, MF_STRING | (state_.targets.Empty() ? MF_GRAYED : 0), kPopupPreview,
                WithAccessKey(ResKelvaroText(KText::PreviewMenuItem), L'P', L"...").c_str());
}

void TargetListWindow::OnPopupCommand(UINT id) {
    if (id == kPopupSelectAll) state_.targets.SelectAll();
    if (id == kPopupSelectClear) state_.targets.SelectClear();
    if (id == kPopupPreview) host_.ShowPreview();
    if (id == kPopupSourceSame) {
        TakeSelectionFromScreen();
        const std::wstring first = state_.targets.FirstSelectedDir();
        if (!first.empty()) host_.SetSourceFolder(ParentDirName(first));
    }
}

LRESULT TargetListWindow::OnListKey(UINT key, HWND) {
    if (key == VK_RETURN) host_.FocusHistory();
    return -1;
}

void TargetListWindow::TakeSelectionFromScreen() {
    view_.TakeSelection([this](size_t i, bool selected) { state_.targets.TakeSelection(i, selected); });
}

void TargetListWindow::OnControlCommand(UINT id, UINT code, HWND) {
    if (id == kListId && code == LBN_SELCHANGE) TakeSelectionFromScreen();
    if (id == kDeleteId && code == BN_CLICKED) {
        TakeSelectionFromScreen();
        state_.targets.RemoveWhere(true);
        host_.UpdateButtons();
    }
    if (id == kDeleteAllId && code == BN_CLICKED) {
        state_.targets.Refresh();
        host_.UpdateButtons();
    }
}

HistoryWindow::HistoryWindow(AppState& state, Services& services, IChildHost& host)
    : ChildWindow(state, services, host, L"Status_", KText::HistoryWindowCaption, {4000, 0, 4000, 4000}),
      view_({[&state] { return state.history.Count(); }, [&state](size_t i) { return state.history.Line(i); }, {}},
            ListBoxView::Cursor::Last) {}

HistoryWindow::~HistoryWindow() {
    state_.history.SetObserver(nullptr);
}

// Long lines (the summary, what recovery found) wrap, so that they are read
// without scrolling sideways.
void HistoryWindow::CreateControls() {
    list_ = MakeListBox(LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, kListId);
    AddHint(list_, KText::HistoryListHint);
    view_.WrapLines();
    view_.Attach(list_);
    state_.history.SetObserver(&view_);
}

void HistoryWindow::Layout(double width, double height) {
    FillWithList(list_, width, height);
    view_.OnResized();
}

LRESULT HistoryWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM && view_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
    if (message == WM_MEASUREITEM) {
        // Each line as it goes in, in as many rows as it needs.
        auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure.CtlType == ODT_LISTBOX && measure.CtlID == kListId && measure.itemID < state_.history.Count()) {
            measure.itemHeight = static_cast<UINT>(view_.HeightOf(measure.itemID));
            return TRUE;
        }
    }
    return ChildWindow::OnMessage(message, wParam, lParam);
}

void HistoryWindow::FillPopup(HMENU popup) {
    AppendMenuW(popup, MF_STRING, kPopupClear, WithAccessKey(ResAllText(AText::ResetMenuItem), L'I').c_str());
}

void HistoryWindow::OnPopupCommand(UINT id) {
    if (id == kPopupClear) state_.history.Refresh();
}

ChangedListWindow::ChangedListWindow(AppState& state, Services& services, IChildHost& host)
    : ChildWindow(state, services, host, L"OutFile_", KText::ChangedWindowCaption, {4000, 4000, 4000, 2000}),
      view_({[&state] { return state.changed.Count(); }, [&state](size_t i) { return state.changed.Text(i); }, {}}) {}

ChangedListWindow::~ChangedListWindow() {
    state_.changed.SetObserver(nullptr);
}

void ChangedListWindow::CreateControls() {
    list_ = MakeListBox(LBS_EXTENDEDSEL | WS_HSCROLL, kListId);
    AddHint(list_, KText::ChangedListHint);
    view_.TrackWidth();
    view_.Attach(list_);
    state_.changed.SetObserver(&view_);
    listBoxProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChangedListWindow::ListProc)));
}

// Dragging out: a press on an entry that is already selected keeps the
// selection, so that a drag carries every selected entry; released without a
// drag, it was a click and selects that entry alone. A plain press on another
// entry selects it alone at once; with Shift or Ctrl the list selects as usual.
// Moves while the button is held do not reach the list (they would extend the
// selection); one beyond the drag distance starts the drag. (A plain
// window-procedure subclass: the common-controls one costs too much per
// message under Wine.)
LRESULT CALLBACK ChangedListWindow::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* window = reinterpret_cast<ChangedListWindow*>(GetWindowLongPtrW(GetParent(list), GWLP_USERDATA));
    if (window) {
        try {
            if (window->OnListMouse(message, wParam, lParam)) return 0;
        } catch (...) {
            // A failed drag changes nothing.
        }
    }
    return CallWindowProcW(listBoxProc, list, message, wParam, lParam);
}

bool ChangedListWindow::OnListMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN: {
            if (SendMessageW(list_, LB_GETCOUNT, 0, 0) <= 0) return false;
            const LRESULT hit = SendMessageW(list_, LB_ITEMFROMPOINT, 0, lParam);
            const bool plain = HIWORD(hit) == 0 && !(wParam & (MK_SHIFT | MK_CONTROL));
            press_.clickDeferred = plain && SendMessageW(list_, LB_GETSEL, LOWORD(hit), 0) > 0;
            if (plain) {
                SetFocus(list_);
                if (!press_.clickDeferred) SelectOnly(LOWORD(hit));
            } else {
                CallWindowProcW(listBoxProc, list_, message, wParam, lParam);  // Shift and Ctrl as the list knows them
            }
            press_.held = true;
            press_.point = lParam;
            SetCapture(list_);
            return true;
        }
        case WM_MOUSEMOVE: {
            if (!press_.held) return false;
            const int dx = GET_X_LPARAM(lParam) - GET_X_LPARAM(press_.point);
            const int dy = GET_Y_LPARAM(lParam) - GET_Y_LPARAM(press_.point);
            if (std::abs(dx) > GetSystemMetrics(SM_CXDRAG) || std::abs(dy) > GetSystemMetrics(SM_CYDRAG)) {
                press_.held = false;
                ReleaseCapture();
                startDrag([this] { return SelectedPaths(); });
            }
            return true;
        }
        case WM_LBUTTONUP:
            if (!press_.held) return false;
            press_.held = false;
            ReleaseCapture();
            if (press_.clickDeferred) SelectOnly(LOWORD(SendMessageW(list_, LB_ITEMFROMPOINT, 0, press_.point)));
            return false;  // the list ends a press of its own
        case WM_CAPTURECHANGED:
            press_.held = false;
            return false;
        default:
            return false;
    }
}

void ChangedListWindow::SelectOnly(size_t index) {
    SendMessageW(list_, LB_SETSEL, FALSE, static_cast<LPARAM>(-1));
    SendMessageW(list_, LB_SETSEL, TRUE, static_cast<LPARAM>(index));
    SendMessageW(list_, LB_SETANCHORINDEX, index, 0);
    SendMessageW(list_, LB_SETCARETINDEX, index, FALSE);
}

std::vector<std::wstring> ChangedListWindow::SelectedPaths() const {
    std::vector<std::wstring> paths;
    const size_t count = state_.changed.Count();
    for (size_t i = 0; i < count; ++i)
        if (SendMessageW(list_, LB_GETSEL, i, 0) > 0) paths.push_back(state_.changed.Text(i));
    return paths;
}

IDataObject* ChangedListWindow::MakeDragData() {
    return new FileListDataObject([this] { return SelectedPaths(); });
}

void ChangedListWindow::Layout(double width, double height) {
    FillWithList(list_, width, height);
}

void ChangedListWindow::SelectAll() {
    SendMessageW(list_, LB_SETSEL, TRUE, static_cast<LPARAM>(-1));
}
void ChangedListWindow::SelectClear() {
    SendMessageW(list_, LB_SETSEL, FALSE, static_cast<LPARAM>(-1));
}

void ChangedListWindow::FillPopup(HMENU popup) {
    AppendMenuW(popup, MF_STRING, kPopupClear, WithAccessKey(ResAllText(AText::ResetMenuItem), L'I').c_str());
    AppendMenuW(popup, MF_STRING, kPopupRefresh, WithAccessKey(ResAllText(AText::RefreshMenuItem), L'R').c_str());
    AppendMenuW(popup, MF_STRING, kPopupSelectAll, WithAccessKey(ResAllText(AText::SelectAllMenuItem), L'A').c_str());
    AppendMenuW(popup, MF_STRING, kPopupSelectClear,
                WithAccessKey(ResAllText(AText::DeselectAllMenuItem), L'N').c_str());
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING | (host_.CanUndo() ? 0 : MF_GRAYED), kPopupUndo,
                WithAccessKey(ResKelvaroText(KText::UndoMenuItem), L'U', L"\tCtrl+Z").c_str());
    AppendMenuW(popup, MF_STRING, kPopupRuns, WithAccessKey(ResKelvaroText(KText::RunsCaption), L'L', L"...").c_str());
}

void ChangedListWindow::OnPopupCommand(UINT id) {
    switch (id) {
        case kPopupUndo:
            host_.UndoLastRun();
            break;
        case kPopupRuns:
            host_.ShowRuns();
            break;
        case kPopupClear:
            state_.changed.Clear();
            break;
        case kPopupRefresh: {
            HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            state_.changed.Refresh(services_.fs);
            SetCursor(previous);
            break;
        }
        case kPopupSelectAll:
            SelectAll();
            break;
        case kPopupSelectClear:
            SelectClear();
            break;
        default:
            break;
    }
}

}  // namespace kelvaro
