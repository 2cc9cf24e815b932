#include "windows/folder_windows.h"

#include <algorithm>

#include "engine/catalog.h"
#include "engine/disk_paths.h"
#include "engine/path_text.h"
#include "resource.h"
#include "settings/app_settings.h"
#include "windows/accessible_name.h"
#include "windows/shared_menu.h"

namespace kelvaro {
namespace {

enum : UINT { kDriveId = 100, kDirId, kTextId, kListId, kAddId, kAddAllId, kAddAllAllId, kAddEveryLevelId };

}  // namespace

SourceFolderWindow::SourceFolderWindow(AppState& state,
                                       Services& services,
                                       IChildHost& host,
                                       IAliasMaintenance& maintenance)
    : ChildWindow(state, services, host, L"InDir_", KText::FolderWindowCaption, {0, 0, 4000, 2000}),
      maintenance_(maintenance),
      browser_(services.fs, [this](const std::wstring& path, bool force) {
          ShowBrowser();
          host_.ShowChooserFolder(path, force);
      }) {}

void SourceFolderWindow::CreateControls() {
    drive_.Create(hwnd_, kDriveId);
    dir_.Create(hwnd_, kDirId);
    text_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, 0, 0, 100, 24, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), GetModuleHandleW(nullptr), nullptr);
    ForwardContextMenu(text_);
    textControls_.insert(textControls_.end(), {drive_.Handle(), dir_.Handle(), text_});
    AddHint(drive_.Handle(), KText::FolderDriveHint);
    AddHint(dir_.Handle(), KText::FolderTreeHint);
    AddHint(text_, KText::FolderCurrentHint);
    SetAccessibleName(drive_.Handle(), ResKelvaroText(KText::DriveListName));
    SetAccessibleName(dir_.Handle(), ResKelvaroText(KText::FolderWindowCaption));
    SetAccessibleName(text_, ResKelvaroText(KText::FolderCurrentHint));
    drive_.onEnter = [this] { SetFocus(dir_.Handle()); };
    dir_.onOpen = [this](size_t index) { browser_.OpenEntry(index); };
    dir_.onOpenAbove = [this](size_t index) { browser_.OpenAbove(index); };
}

void SourceFolderWindow::OnLoaded() {
    // The start folder and the aliases live with this window's position keys.
    const std::wstring app = ProbeWindowApp(services_.store, L"InDir_Left");
    const std::wstring current = services_.fs.CurrentDir();
    AppSettings& s = state_.settings;
    s.initialFolder = ReadText(services_.store, app, L"Dir_In", current);
    s.initialFolderOn = ReadFlag(services_.store, app, L"Dir_In_Yuko", true);
    s.lastFolder = ReadText(services_.store, app, L"OldDir_In", current);
    SetDirName(s.initialFolderOn ? s.initialFolder : s.lastFolder);
    aliases_.Load(services_.store, app);
}

void SourceFolderWindow::OnUnloading() {
    const AppSettings& s = state_.settings;
    WriteText(services_.store, L"Dir_In", s.initialFolder);
    WriteText(services_.store, L"Dir_In_Yuko", s.initialFolderOn ? L"True" : L"False");
    WriteText(services_.store, L"OldDir_In", DirName());
    aliases_.Save(services_.store);
}

void SourceFolderWindow::OnFontChanged() {
    drive_.FitToFont();
    dir_.FitToFont();
    // The text field is one line of the font high, with room for its edge.
    constexpr int kMinTextPixels = 24;
    RECT r{};
    GetWindowRect(text_, &r);
    const int height = std::max(kMinTextPixels, static_cast<int>(TextSize(text_, L"").cy) + 8);
    SetWindowPos(text_, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SourceFolderWindow::SetDirName(const std::wstring& path) {
    browser_.SetDirName(path);
}

void SourceFolderWindow::Refresh(bool evenUnchanged) {
    browser_.Refresh(evenUnchanged);
}

void SourceFolderWindow::ShowBrowser() {
    if (!hwnd_) return;
    drive_.Fill(browser_.Drives());
    drive_.Select(browser_.Drive());
    dir_.Show(browser_.List());
    SetWindowTextW(text_, browser_.DirText().c_str());
}

void SourceFolderWindow::Layout(double width, double height) {
    const double driveHeight = HeightTwips(drive_.Handle()), textHeight = HeightTwips(text_);
    const double w = static_cast<long>(width - 120);
    const double h = static_cast<long>(height - 240 - driveHeight - textHeight);
    if (w <= 0) return;
    MoveTwips(drive_.Handle(), 60, 60, w, driveHeight);
    const double dirTop = driveHeight + 120;
    const double dirHeight = h >= 1 ? h : HeightTwips(dir_.Handle());
    MoveTwips(dir_.Handle(), 60, dirTop, w, dirHeight);
    MoveTwips(text_, 60, dirTop + dirHeight + 60, w, textHeight);
    dir_.KeepHighlightedInView();
}

void SourceFolderWindow::FillPopup(HMENU popup) {
    AppendMenuW(popup, MF_STRING, kPopupRefresh, WithAccessKey(ResAllText(AText::RefreshMenuItem), L'R').c_str());
    AppendMenuW(popup, MF_STRING | (aliases_.CanAdd() ? 0 : MF_GRAYED), kPopupAliasAdd,
                WithAccessKey(ResAllText(AText::AddAliasMenuItem), L'A', L"...").c_str());
    AppendMenuW(popup, MF_STRING | (aliases_.CanMaintain() ? 0 : MF_GRAYED), kPopupEditAliases,
                WithAccessKey(ResAllText(AText::EditAliasesMenuItem), L'M', L"...").c_str());
    if (!aliases_.CanMaintain()) return;
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    for (int i = 0; i <= aliases_.Last(); ++i)
        AppendMenuW(popup, MF_STRING, kPopupAliasFirst + static_cast<UINT>(i), aliases_.Name(i).c_str());
}

void SourceFolderWindow::AddAlias() {
    if (!aliases_.CanAdd()) return;
    const std::wstring dir = DirName();
    const std::wstring answer = services_.prompts.AskText(ResAllText(AText::AliasNamePrompt) + L"\r" + dir,
                                                          ResAllText(AText::AliasNameTitle), DirNameAbbrev(dir));
    if (aliases_.Add(answer, dir) == AliasTable::AddResult::Duplicate)
        services_.prompts.Notice(ResAllText(AText::AliasNameTaken));
}

void SourceFolderWindow::OnPopupCommand(UINT id) {
    if (id == kPopupRefresh) Refresh();
    if (id == kPopupAliasAdd) AddAlias();
    if (id == kPopupEditAliases && aliases_.CanMaintain()) maintenance_.Maintain(aliases_);
    if (id >= kPopupAliasFirst && id < kPopupAliasFirst + AliasTable::kSlots) {
        const int slot = static_cast<int>(id - kPopupAliasFirst);
        if (slot <= aliases_.Last()) SetDirName(aliases_.Dir(slot));
    }
}

void SourceFolderWindow::OnControlCommand(UINT id, UINT code, HWND) {
    if (id == kDriveId && code == CBN_SELCHANGE) {
        const std::wstring root = drive_.SelectedRoot();
        if (!browser_.ChooseDrive(root)) drive_.Select(browser_.Drive());  // no medium: back, silently
    }
    if (id == kDirId && code == LBN_DBLCLK) browser_.OpenEntry(dir_.Highlighted());
}

LRESULT SourceFolderWindow::OnListKey(UINT key, HWND list) {
    return list == dir_.Handle() ? dir_.OnKey(key) : -1;
}

LRESULT SourceFolderWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (drive_.Draw(item) || dir_.Draw(item)) return TRUE;
    }
    // The drive list has no right-click menu.
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == drive_.Handle()) return 0;
    return ChildWindow::OnMessage(message, wParam, lParam);
}

FolderChooserWindow::FolderChooserWindow(AppState& state, Services& services, IChildHost& host)
    : ChildWindow(state, services, host, L"InFile_", KText::SubfolderWindowCaption, {0, 2000, 4000, 2000}),
      chooser_(services.fs),
      view_({[this] { return chooser_.Count(); }, [this](size_t i) { return chooser_.Name(i); },
             [this](size_t i) { return chooser_.Selected(i); }}) {}

FolderChooserWindow::~FolderChooserWindow() {
    chooser_.SetObserver(nullptr);
}

void FolderChooserWindow::CreateControls() {
    list_ = MakeListBox(LBS_EXTENDEDSEL | LBS_WANTKEYBOARDINPUT, kListId);
    btnAdd_ = MakePictureButton(IDI_ADD, kAddId, KText::AddSelectedHint);
    btnAddAll_ = MakePictureButton(IDI_ADD_ALL, kAddAllId, KText::AddAllHint);
    btnAddAllAll_ = MakePictureButton(IDI_ADD_ALL_ALL, kAddAllAllId, KText::AddAllBelowHint);
    btnAddEveryLevel_ = MakePictureButton(IDI_ADD_EVERY_LEVEL, kAddEveryLevelId, KText::AddEveryLevelHint);
    AddHint(list_, KText::SubfolderListHint);
    view_.Attach(list_);
    chooser_.SetObserver(&view_);
}

void FolderChooserWindow::Layout(double width, double height) {
    FillWithListAndButtons(list_, {btnAdd_, btnAddAll_, btnAddAllAll_, btnAddEveryLevel_}, width, height);
}

void FolderChooserWindow::FillPopup(HMENU popup) {
    AppendMenuW(popup, MF_STRING, kPopupRefresh, WithAccessKey(ResAllText(AText::RefreshMenuItem), L'R').c_str());
    AppendMenuW(popup, MF_STRING, kPopupSelectAll, WithAccessKey(ResAllText(AText::SelectAllMenuItem), L'A').c_str());
    AppendMenuW(popup, MF_STRING, kPopupSelectClear,
                WithAccessKey(ResAllText(AText::DeselectAllMenuItem), L'N').c_str());
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, kPopupAddEveryLevel,
                WithAccessKey(ResKelvaroText(KText::AddEveryLevelMenuItem), L'E').c_str());
}

void FolderChooserWindow::OnPopupCommand(UINT id) {
    if (id == kPopupAddEveryLevel) AddEveryLevel();
    if (id == kPopupRefresh) chooser_.Refresh();
    if (id == kPopupSelectAll) chooser_.SelectAll();
    if (id == kPopupSelectClear) chooser_.SelectClear();
}

void FolderChooserWindow::TakeSelectionFromScreen() {
    view_.TakeSelection([this](size_t i, bool selected) { chooser_.TakeSelection(i, selected); });
}

template <typename Operation>
void FolderChooserWindow::AddToTargets(Operation operation) {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    TakeSelectionFromScreen();
    host_.HoldTargetPainting(true);
    try {
        operation();
    } catch (...) {
    }
    host_.HoldTargetPainting(false);
    SetCursor(previous);
    host_.UpdateButtons();
}

void FolderChooserWindow::OnControlCommand(UINT id, UINT code, HWND) {
    TargetList& targets = state_.targets;
    if (id == kListId && code == LBN_SELCHANGE) TakeSelectionFromScreen();
    if (id == kListId && code == LBN_DBLCLK) {
        TakeSelectionFromScreen();
        const std::wstring folder = chooser_.FolderToOpen();
        if (!folder.empty()) host_.SetSourceFolder(folder);
    }
    if (code != BN_CLICKED) return;
    if (id == kAddId) AddToTargets([&] { chooser_.AddSelected(targets); });
    if (id == kAddAllId) AddToTargets([&] { chooser_.AddAll(targets); });
    if (id == kAddAllAllId) AddToTargets([&] { chooser_.AddAllSubfolders(targets); });
    if (id == kAddEveryLevelId) AddEveryLevel();
}

void FolderChooserWindow::AddEveryLevel() {
    AddToTargets([&] { chooser_.AddEveryLevel(state_.targets); });
}

LRESULT FolderChooserWindow::OnListKey(UINT key, HWND) {
    if (key != VK_RETURN) return -1;
    host_.FocusTargets();
    return -2;
}

}  // namespace kelvaro
