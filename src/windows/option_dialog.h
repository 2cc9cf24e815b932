#pragma once
#include <functional>

#include "model/app_state.h"
#include "model/options_form.h"
#include "windows/dialog_base.h"
#include "windows/hints.h"

namespace kelvaro {

// frmOption: the six options, applied to the settings record only on OK.
class OptionDialog final : public DialogBase {
public:
    OptionDialog(AppState& state, Services& services) : state_(state), services_(services) {}

    bool Load(HWND owner, const ScreenTwips& screen);
    void Unload() { DialogBase::Unload(services_.store, L"Option_", false); }
    void SetToolTip(bool on) { hints_.SetToolTip(on); }
    // Told when OK changed the hint setting, to pass it on to every window.
    std::function<void(bool)> onTipChanged;

    std::wstring HintOf(int id) const { return hints_.CurrentText(Control(id)); }
    OptionsForm Form() const;

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override { Layout(); }

private:
    void Show(const OptionsForm& form);
    void AutoVisible();
    // The "Send to" button: its caption tells what a click will do.
    void ShowSendToState();
    void ToggleSendTo();
    void Layout();
    SIZE PlacePanel(HWND panel, int top);

    AppState& state_;
    Services& services_;
    HintSet hints_;
};

}  // namespace kelvaro
