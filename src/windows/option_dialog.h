#pragma once
#include <optional>

#include "model/app_state.h"
#include "model/options_form.h"
#include "windows/owned_dialog.h"
#include "windows/hints.h"

namespace kelvaro {

// The options dialog. The "Send to" button acts at once; everything
// else is handed back on OK only.
class OptionDialog final : public OwnedDialog {
public:
    OptionDialog(AppState& state, Services& services) : state_(state), services_(services) {}

    bool Load(HWND owner, const ScreenTwips& screen) override;
    const wchar_t* LoadError() const override { return L"Kelvaro2 frmOption Form_Load ERR"; }
    void Unload() override { DialogBase::Unload(services_.store, L"Option_", false); }
    void SetToolTip(bool on) override { hints_.SetToolTip(on); }

    // Shows `form`; on OK the options the dialog then holds, nothing when
    // cancelled or when it is already shown.
    std::optional<OptionsForm> Ask(const OptionsForm& form);

    std::wstring HintOf(int id) const { return hints_.CurrentText(Control(id)); }

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override { Layout(); }

private:
    void Show(const OptionsForm& form);
    OptionsForm Form() const;
    void AutoVisible();
    // The "Send to" button: its caption tells what a click will do.
    void ShowSendToState();
    void ToggleSendTo();
    void Layout();
    SIZE PlacePanel(HWND panel, int top);

    AppState& state_;
    Services& services_;
    HintSet hints_;
    OptionsForm asked_;                  // what the dialog opens with
    std::optional<OptionsForm> chosen_;  // what OK handed back
};

}  // namespace kelvaro
