#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "model/runs_state.h"
#include "resource.h"
#include "windows/owned_dialog.h"
#include "windows/hints.h"

namespace kelvaro {

// What the user chose in "変更の記録" for the caller to carry out.
enum class RunsChoice {
    Resume,  // 残りを対象に戻す: the folders a run cut short did not reach, back into the target list
};

// Where "変更の記録" gets its runs, and who takes a run back.
struct RunsSource {
    std::function<std::vector<JournalRun>()> read;  // oldest first, as the journal holds them
    RunsState::Running running;                     // whether a run's writer still runs
    // Takes back the newest run not yet taken back; false when the owner is
    // closing meanwhile, and the dialog with it.
    std::function<bool()> undo;
};

// "変更の記録": the runs the journal keeps, newest first, with 元に戻す and
// 残りを対象に戻す; 閉じる and Esc choose nothing. 元に戻す takes the run
// back with the dialog open, its buttons resting meanwhile (the owner and
// its Cancel answer), and then shows the runs as they are now, so that one
// run after another can be taken back.
class RunsDialog final : public OwnedDialog {
public:
    bool Load(HWND owner, const ScreenTwips& screen) override;
    const wchar_t* LoadError() const override { return L"Kelvaro2 frmRuns Form_Load ERR"; }
    // Nothing kept: it opens over its owner each time.
    void Unload() override {}
    void SetToolTip(bool on) override { hints_.SetToolTip(on); }

    // Shows the runs; the choice, or nothing when the dialog was closed.
    std::optional<RunsChoice> Ask(const RunsSource& source, bool tip);

    const RunsState& State() const { return model_; }
    HWND List() const { return Control(IDC_RUNS_LIST); }

protected:
    void OnActivate() override;
    bool OnCommand(UINT id, UINT code) override;
    void Relayout() override;

private:
    void ShowRows();
    int FitColumns();
    // Reads the runs again and shows them, with the buttons for what can be done now.
    void Refresh();
    void TakeBack();

    RunsState model_;
    HintSet hints_;
    RunsSource source_;
    bool busy_ = false;  // a run is being taken back
    std::optional<RunsChoice> chosen_;
};

}  // namespace kelvaro
