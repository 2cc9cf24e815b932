#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/app_state.h"
#include "windows/owned_dialog.h"
#include "windows/hints.h"
#include "windows/window_base.h"
#include "model/preview_state.h"

namespace kelvaro {

// The preview of a run ("変更内容の確認"): what the chosen mode would do with
// every folder of the target list, recomputed whenever the mode changes or a
// folder is ticked or unticked. 実行 closes it with the mode and the folders
// left out; キャンセル and Esc close it touching nothing.
class PreviewDialog final : public OwnedDialog {
public:
    PreviewDialog(AppState& state, Services& services) : state_(state), services_(services) {}

    // `owner` may be none: the preview of a "Send to" run stands alone.
    bool Load(HWND owner, const ScreenTwips& screen) override;
    const wchar_t* LoadError() const override { return L"Kelvaro2 frmPreview Form_Load ERR"; }
    void Unload() override { DialogBase::Unload(services_.store, L"Preview_", true); }
    void SetToolTip(bool on) override;

    // Shows the plan of the target list by `mode`; what was chosen when 実行
    // was pressed, nothing when it was cancelled.
    std::optional<RunChoice> Ask(int16_t mode);

    const PreviewState& State() const { return model_; }
    HWND List() const;
    HWND ModeList() const;
    std::wstring HintOf(HWND control) const { return hints_.CurrentText(control); }
    // The text of the tip the list shows now (a row's whole path, new path and
    // state while the mouse is over that row).
    std::wstring ListTip() const;
    // Whether Windows shows high contrast now; a test may put another here.
    std::function<bool()> highContrast = HighContrastOn;

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override { Layout(); }
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Recompute(int16_t mode);
    void ShowRows();
    void Layout();
    // The counts, broken into lines between two items only, for the counts' width.
    std::wstring CountLines(int width, int* lines) const;
    // The path columns cut to their widths.
    void FitColumns();
    // The plan entries of the selected rows, the focused one first.
    std::vector<size_t> SelectedEntries() const;
    void ToggleEntries(const std::vector<size_t>& entries);
    LRESULT OnListNotify(NMHDR& header);
    void OnListMouseMove(int x, int y);
    // Shows the tip of row `over` (-1: the list's own hint).
    void ShowRowTip(int over);
    static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    AppState& state_;
    Services& services_;
    PreviewState model_;
    HintSet hints_;
    HWND rowTip_ = nullptr;                // the tip of the list's rows, always on
    int tipRow_ = -1;                      // the row the tip is about, or none
    std::wstring tipText_;                 // the text handed to the tip
    std::vector<std::wstring> fitted_[2];  // the two path columns as shown
    std::wstring cell_;                    // the text handed to the list for one cell
    int16_t mode_ = 0;                     // the mode shown first
    int countLines_ = 1;
    std::optional<RunChoice> chosen_;
};

}  // namespace kelvaro
