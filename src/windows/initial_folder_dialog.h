#pragma once
#include <functional>
#include <optional>
#include <string>

#include "model/app_state.h"
#include "windows/command_ids.h"
#include "windows/owned_dialog.h"
#include "windows/drive_dir_controls.h"
#include "model/folder_browser.h"
#include "windows/hints.h"

namespace kelvaro {

// What the folder dialog is asked: the folder it shows first, its texts, and
// whether it offers the switch that turns the choice off.
struct FolderQuestion {
    std::wstring folder;
    bool switchOn = true;
    bool offersSwitch = true;    // without it the choice is always on
    bool showsFreeSpace = true;  // the drive's free space after the label
    std::wstring label, switchHint, driveHint, dirListHint, dirTextHint;
};

// What it hands back on OK: the folder chosen and the switch.
struct FolderChoice {
    std::wstring folder;
    bool switchOn = true;
};

// The question for the initial folder of the source folder window, with the
// settings' folder and switch.
FolderQuestion InitialFolderQuestion(const AppSettings& settings);

// The initial-folder dialog: picks a folder (drive list, folder list, the folder's text), with
// a switch that can turn the choice off.
class InitialFolderDialog final : public OwnedDialog {
public:
    // `sourceFolder` gives what the popup's first entry copies: the source folder browser's folder.
    InitialFolderDialog(AppState& state, Services& services, std::function<std::wstring()> sourceFolder);

    bool Load(HWND owner, const ScreenTwips& screen) override;
    const wchar_t* LoadError() const override { return L"Kelvaro2 frmDefault Form_Load ERR"; }
    void Unload() override { DialogBase::Unload(services_.store, L"Default_", true); }
    void SetToolTip(bool on) override;

    // Shows the question; on OK the folder and switch chosen, nothing when
    // cancelled or when it is already shown.
    std::optional<FolderChoice> Ask(const FolderQuestion& question);

    // What it shows now.
    std::wstring DirName() const { return browser_.DirName(); }
    bool SwitchOn() const;
    HWND DriveList() const { return drive_.Handle(); }
    HWND DirList() const { return dir_.Handle(); }
    std::wstring HintOf(HWND control) const { return hints_.CurrentText(control); }

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override;
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetDirName(const std::wstring& path);
    void SetSwitchOn(bool on);
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
    std::function<std::wstring()> sourceFolder_;
    FolderQuestion question_;
    bool accepted_ = false;
    bool showing_ = false;  // changes made by the user enable OK
};

}  // namespace kelvaro
