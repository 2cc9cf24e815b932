#pragma once
#include "model/app_state.h"
#include "windows/owned_dialog.h"

namespace kelvaro {

// The about box: the program's icon, names and version, and Ok.
class AboutDialog final : public OwnedDialog {
public:
    explicit AboutDialog(Services& services) : services_(services) {}
    // A failure to load is silent: the program goes on without the box.
    bool Load(HWND owner, const ScreenTwips& screen) override;
    const wchar_t* LoadError() const override { return L""; }
    void Unload() override { DialogBase::Unload(services_.store, L"About_", false); }
    // Shows the box until Ok; it asks nothing and answers nothing.
    void Ask() { ShowModal(); }

protected:
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override { Layout(); }

private:
    void Layout();
    Services& services_;
};

}  // namespace kelvaro
