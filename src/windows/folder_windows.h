#pragma once
#include "model/alias_table.h"
#include "windows/child_window.h"
#include "windows/drive_dir_controls.h"
#include "model/folder_browser.h"
#include "model/folder_chooser.h"
#include "windows/list_box_view.h"

namespace kelvaro {

// What the source folder browser asks of the alias maintenance dialog.
class IAliasMaintenance {
public:
    virtual ~IAliasMaintenance() = default;
    // Edits `aliases` in the dialog; true (and `aliases` changed) after OK.
    virtual bool Maintain(AliasTable& aliases) = 0;
};

// mdiInDir: the drive, the folder whose subfolders the chooser lists, and the
// folder aliases.
class SourceFolderWindow : public ChildWindow {
public:
    SourceFolderWindow(AppState& state, Services& services, IChildHost& host, IAliasMaintenance& maintenance);

    std::wstring DirName() const { return browser_.DirName(); }
    void SetDirName(const std::wstring& path);
    // Reads the drives and the folder shown again (see FolderBrowser::Refresh).
    void Refresh(bool evenUnchanged = true);
    AliasTable& Aliases() { return aliases_; }
    HWND DriveList() const { return drive_.Handle(); }
    HWND DirList() const { return dir_.Handle(); }
    HWND DirText() const { return text_; }
    // The right-click menu as it would open now.

protected:
    const wchar_t* FormName() const override { return L"mdiinDir"; }
    void CreateControls() override;
    void Layout(double width, double height) override;
    void FillPopup(HMENU popup) override;
    void OnPopupCommand(UINT id) override;
    void OnControlCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnListKey(UINT key, HWND list) override;
    void OnLoaded() override;
    void OnUnloading() override;
    void OnFontChanged() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowBrowser();
    void AddAlias();

    IAliasMaintenance& maintenance_;
    FolderBrowser browser_;
    AliasTable aliases_;
    DriveCombo drive_;
    DirectoryListBox dir_;
    HWND text_ = nullptr;
};

// mdiInFile: the subfolders of the source folder and the four add buttons.
class FolderChooserWindow : public ChildWindow {
public:
    FolderChooserWindow(AppState& state, Services& services, IChildHost& host);
    ~FolderChooserWindow() override;

    FolderChooser& Chooser() { return chooser_; }
    HWND List() const { return list_; }
    HWND AddButton() const { return btnAdd_; }
    HWND AddAllButton() const { return btnAddAll_; }
    HWND AddAllAllButton() const { return btnAddAllAll_; }
    HWND AddEveryLevelButton() const { return btnAddEveryLevel_; }
    void Refresh() { chooser_.Refresh(); }
    void SelectClear() { chooser_.SelectClear(); }

protected:
    const wchar_t* FormName() const override { return L"mdiinFile"; }
    void CreateControls() override;
    void Layout(double width, double height) override;
    void FillPopup(HMENU popup) override;
    void OnPopupCommand(UINT id) override;
    void OnControlCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnListKey(UINT key, HWND list) override;

private:
    void TakeSelectionFromScreen();
    template <typename Operation>
    void AddToTargets(Operation operation);
    void AddEveryLevel();

    FolderChooser chooser_;
    ListBoxView view_;
    HWND list_ = nullptr, btnAdd_ = nullptr, btnAddAll_ = nullptr, btnAddAllAll_ = nullptr, btnAddEveryLevel_ = nullptr;
};

}  // namespace kelvaro
