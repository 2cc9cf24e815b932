#pragma once
#include <optional>
#include <string>

#include "model/app_state.h"
#include "settings/window_position.h"
#include "model/alias_table.h"
#include "windows/owned_dialog.h"
#include "windows/hints.h"

namespace kelvaro {

// The alias dialog: renames, reorders and deletes the folder aliases on a copy;
// the caller takes the list back only after OK.
class AliasDialog final : public OwnedDialog {
public:
    AliasDialog(AppState& state, Services& services) : state_(state), services_(services) {}

    // Loads the dialog hidden and restores its position; false on failure.
    bool Load(HWND owner, const ScreenTwips& screen) override;
    const wchar_t* LoadError() const override { return L"frmMenuMente Form_Load ERR"; }
    // Writes its position (the program is ending).
    void Unload() override;

    void SetEntry(int index, const std::wstring& name, const std::wstring& dir) { editor_.SetEntry(index, name, dir); }
    void GetEntry(int index, std::wstring& name, std::wstring& dir) const { editor_.GetEntry(index, name, dir); }
    int LastMenuIndex() const { return editor_.LastMenuIndex(); }
    // Shows the dialog with `aliases`; on OK the table it holds then, nothing
    // when cancelled or when it is already shown.
    std::optional<AliasTable> Ask(const AliasTable& aliases);
    void SetToolTip(bool on) override { hints_.SetToolTip(on); }

    std::wstring HintOf(int id) const { return hints_.CurrentText(Control(id)); }

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override { Layout(); }

private:
    void ShowList();
    void ShowSelectedDir();
    void ControlEnabledSet();
    HWND FocusTarget() const;
    void Layout();

    AppState& state_;
    Services& services_;
    AliasEditor editor_;
    HintSet hints_;
    bool ok_ = false;
};

}  // namespace kelvaro
