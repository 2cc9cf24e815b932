#pragma once
#include <windows.h>

#include <optional>
#include <vector>

#include "model/runs_state.h"
#include "resource.h"
#include "windows/dialog_base.h"
#include "windows/hints.h"

namespace kelvaro {

// What the user chose in "変更の記録".
enum class RunsChoice {
    Undo,    // 元に戻す: take back the newest run not yet taken back
    Resume,  // 残りを対象に戻す: the folders a run cut short did not reach, back into the target list
};

// "変更の記録": the runs the journal keeps, newest first, with 元に戻す and
// 残りを対象に戻す; 閉じる and Esc choose nothing. The caller carries the
// choice out.
class RunsDialog final : public DialogBase {
public:
    bool Load(HWND owner);
    void SetToolTip(bool on) { hints_.SetToolTip(on); }

    // Shows the runs (oldest first, as the journal holds them); the choice, or
    // nothing when the dialog was closed.
    std::optional<RunsChoice> Ask(const std::vector<JournalRun>& runs, bool tip);

    const RunsState& State() const { return model_; }
    HWND List() const { return Control(IDC_RUNS_LIST); }

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override;

private:
    void ShowRows();
    void FitColumns();

    RunsState model_;
    HintSet hints_;
    std::optional<RunsChoice> chosen_;
};

}  // namespace kelvaro
