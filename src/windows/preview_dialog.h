#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>

#include "model/app_state.h"
#include "windows/dialog_base.h"
#include "windows/hints.h"
#include "model/preview_state.h"

namespace kelvaro {

// The preview of a run ("変更内容の確認"): what the chosen mode would do with
// every folder of the target list, recomputed whenever the mode changes.
// 実行 closes it with the mode chosen; キャンセル and Esc close it touching
// nothing.
class PreviewDialog final : public DialogBase {
public:
    PreviewDialog(AppState& state, Services& services) : state_(state), services_(services) {}

    bool Load(HWND owner, const ScreenTwips& screen);
    void Unload() { DialogBase::Unload(services_.store, L"Preview_", true); }
    void SetToolTip(bool on) { hints_.SetToolTip(on); }

    // Shows the plan of the target list by `mode`; the mode chosen when 実行
    // was pressed, nothing when it was cancelled.
    std::optional<int16_t> Ask(int16_t mode);

    const PreviewState& State() const { return model_; }
    HWND List() const;
    HWND ModeList() const;
    std::wstring HintOf(HWND control) const { return hints_.CurrentText(control); }

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override { Layout(); }
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Recompute(int16_t mode);
    void ShowRows();
    void Layout();
    LRESULT OnListNotify(NMHDR& header);

    AppState& state_;
    Services& services_;
    PreviewState model_;
    HintSet hints_;
    std::wstring cell_;  // the text handed to the list for one cell
    int16_t mode_ = 0;   // the mode shown first
    std::optional<int16_t> chosen_;
};

}  // namespace kelvaro
