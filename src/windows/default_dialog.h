#pragma once
#include <functional>
#include <string>

#include "model/app_state.h"
#include "windows/dialog_base.h"
#include "windows/drive_dir_controls.h"
#include "model/folder_browser.h"
#include "windows/hints.h"

namespace kelvaro {

// frmDefault: picks a folder (drive list, folder list, the folder's text), with
// a switch that can turn the choice off; the caller sets its texts.
class DefaultDialog final : public DialogBase {
public:
    DefaultDialog(AppState& state, Services& services);

    bool Load(HWND owner, const ScreenTwips& screen);
    void Unload() { DialogBase::Unload(services_.store, L"Default_", true); }
    void SetToolTip(bool on);

    bool accepted = false;
    std::wstring driveLabelText, driveComboHint, driveListHint, dirListHint, dirTextHint;
    bool offersSwitch = true;
    bool showsFreeSpace = true;

    std::wstring DirName() const { return browser_.DirName(); }
    void SetDirName(const std::wstring& path);
    bool SwitchOn() const;
    void SetSwitchOn(bool on);
    // The initial folder of the source folder window: shown with the settings' folder and
    // switch, which take what it holds on OK. Nothing happens while it is already shown.
    void EditInitialFolder(AppSettings& settings);
    void RefreshForm();
    // Where the popup's first entry copies from: the source folder browser.
    std::function<std::wstring()> sourceFolder;

    HWND DriveList() const { return drive_.Handle(); }
    HWND DirList() const { return dir_.Handle(); }
    std::wstring HintOf(HWND control) const { return hints_.CurrentText(control); }

    enum : UINT { kPopupFromSource = 42001, kPopupFromTemp };

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override;
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DirTextSet();
    void EnableBySwitch();
    void FitToFont();
    void Layout();
    SIZE MinimumClient() const;
    void GrowToMinimum();
    int LabelLeft() const;
    int LabelHeight() const;
    int TextHeight() const;
    int PanelHeight() const;
    int ClosingButtonWidth() const;

    static constexpr int kMinimumRow = 18;

    AppState& state_;
    Services& services_;
    FolderBrowser browser_;
    DriveCombo drive_;
    DirectoryListBox dir_;
    HintSet hints_;
    bool showing_ = false;  // changes made by the user enable OK
};

// frmAbout: the program's icon, names and version, and Ok.
class AboutDialog final : public DialogBase {
public:
    explicit AboutDialog(Services& services) : services_(services) {}
    // A failure to load is silent: the program goes on without the box.
    bool Load(HWND owner, const ScreenTwips& screen);
    void Unload() { DialogBase::Unload(services_.store, L"About_", false); }

protected:
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override { Layout(); }

private:
    void Layout();
    Services& services_;
};

}  // namespace kelvaro
