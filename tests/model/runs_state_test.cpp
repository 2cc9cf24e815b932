#include "model/runs_state.h"

#include <gtest/gtest.h>

#include "engine/folder_rules.h"
#include "engine/journal_reader.h"

namespace kelvaro {
namespace {

// A run of `total` named folders by mode 0 whose first `renamed` folders were renamed.
std::string RenamingRun(const std::string& id,
                        uint32_t pid,
                        uint64_t total,
                        uint32_t renamed,
                        bool everyDepth = false) {
    RunRequest request;
    request.mode = 0;
    if (everyDepth) request.flags += kEveryDepthFlag;
    request.total = everyDepth ? 0 : total;
    for (uint64_t i = 1; i <= (everyDepth ? 1 : total); ++i)
        request.targets.push_back(L"C:\\d\\f" + std::to_wstring(i));
    std::string text = RunRecord(id, RunKind::Run, {pid, 1}, "") + RequestRecords(id, request);
    for (uint32_t seq = 1; seq <= renamed; ++seq) {
        const std::wstring old = L"C:\\d\\f" + std::to_wstring(seq), renamedPath = old + L"X";
        text += FolderRecord(id, seq, old, old + kTempSuffix, renamedPath) +
                DoneRecord(id, seq, JournalOutcome::New, renamedPath);
    }
    return text;
}

// 変更の記録 tells each run as it ended: killed or stopped and how far it got
// (the folders tried of those asked for, or of a walk), under way when its
// writer still runs, and how far an undo killed in the middle took it back.
TEST(RunsState, TellsEachRunAsItEnded) {
    const std::string journal =
        RenamingRun("killed", 1, 300, 48) +                                           // no end: killed
        RenamingRun("stopped", 2, 4, 2) + EndRecord("stopped", RunEnd::Stopped, 2) +  // Cancel
        RenamingRun("walk", 3, 0, 5, true) + EndRecord("walk", RunEnd::Killed, 6) +   // /S, found killed
        RenamingRun("done", 4, 2, 2) + EndRecord("done", RunEnd::Done, 2) +           // finished
        RenamingRun("undone", 5, 3, 3) + EndRecord("undone", RunEnd::Done, 3) +       // its undo killed
        RunRecord("undo", RunKind::Undo, {6, 1}, "undone") +
        FolderRecord("undo", 3, L"C:\\d\\f3X", std::wstring(L"C:\\d\\f3X") + kTempSuffix, L"C:\\d\\f3") +
        DoneRecord("undo", 3, JournalOutcome::New, L"C:\\d\\f3") + RenamingRun("now", 7, 5, 1);  // under way
    const std::vector<JournalRun> runs = ParseJournal(journal);
    RunsState state;
    state.Compute(runs, [](const ProcessStamp& writer) { return writer.pid == 7; });
    std::vector<std::wstring> states;
    for (const auto& row : state.Rows()) states.push_back(row.folders + L" " + row.state);
    EXPECT_EQ(states, (std::vector<std::wstring>{
                          L"1 実行中", L"3 元に戻す途中で中断（3 フォルダ中 1 フォルダを戻しました）", L"2 ",
                          L"5 中断（6 フォルダまで処理）", L"2 途中で停止（4 フォルダ中 2 フォルダまで処理）",
                          L"48 中断（300 フォルダ中 48 フォルダまで処理）"}));
    // An undo whose writer still runs is under way, not killed.
    state.Compute(runs, [](const ProcessStamp& writer) { return writer.pid >= 6; });
    EXPECT_EQ(state.Rows()[1].state, L"一部を元に戻しました");
}

}  // namespace
}  // namespace kelvaro
