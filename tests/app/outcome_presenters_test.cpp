#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/log_file.h"
#include "app/script_output.h"
#include "engine/folder_outcome.h"
#include "engine/rename_dir.h"
#include "fakes/sinks.h"
#include "model/changed_list.h"

namespace kelvaro {
namespace {

std::string Utf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// The golden file's bytes; with KELVARO_UPDATE_GOLDEN set, `actual` is written there instead.
std::string Golden(const char* name, const std::string& actual) {
    const std::string path = std::string(KELVARO_GOLDEN_DIR) + "/" + name;
    if (std::getenv("KELVARO_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << actual;
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// One folder of the scripted run: the plan's verdict and what became of it.
struct Scene {
    PlanEntry plan;
    FolderOutcome outcome;
};

FolderOutcome Outcome(FolderState state, const std::wstring& path, const std::wstring& newPath) {
    FolderOutcome outcome;
    outcome.state = state;
    outcome.path = path;
    outcome.newPath = newPath;
    return outcome;
}

std::vector<Scene> Scenes() {
    std::vector<Scene> scenes;
    auto add = [&](PlanState verdict, FolderOutcome outcome) {
        PlanEntry plan{outcome.path, outcome.newPath, verdict};
        if (outcome.state == FolderState::Refused) outcome.verdict = verdict;
        scenes.push_back({plan, std::move(outcome)});
    };
    add(PlanState::Rename, Outcome(FolderState::Renamed, L"C:\\写真\\photos", L"C:\\写真\\PHOTOS"));
    add(PlanState::InForm, Outcome(FolderState::Unchanged, L"C:\\写真\\DONE", L"C:\\写真\\DONE"));
    add(PlanState::KeptLong, Outcome(FolderState::Refused, L"C:\\写真\\My Photos", L""));
    FolderOutcome tooLong = Outcome(FolderState::Refused, L"C:\\写真\\long", L"C:\\写真\\LONG");
    tooLong.limit = LengthLimit::PathChars;
    add(PlanState::TooLong, tooLong);
    add(PlanState::SiblingExists, Outcome(FolderState::Refused, L"C:\\写真\\twin", L"C:\\写真\\TWIN"));
    FolderOutcome failed = Outcome(FolderState::Failed, L"C:\\写真\\locked", L"C:\\写真\\LOCKED");
    failed.reasons = {L"\u3000アクセスが拒否されました。"};
    add(PlanState::Rename, failed);
    FolderOutcome leftTemp = Outcome(FolderState::LeftTemp, L"C:\\写真\\busy", L"C:\\写真\\BUSY");
    leftTemp.reasons = {L"\u3000error 32"};
    leftTemp.where = L"C:\\写真\\busy" + std::wstring(kTempSuffix);
    add(PlanState::Rename, leftTemp);
    FolderOutcome lost = Outcome(FolderState::Misplaced, L"C:\\写真\\odd", L"C:\\写真\\ODD");
    lost.reasons = {L"\u3000別の名前で保存されました"};
    add(PlanState::Rename, lost);
    add(PlanState::Rename, Outcome(FolderState::Unrecorded, L"C:\\写真\\late", L"C:\\写真\\LATE"));
    add(PlanState::Rename, Outcome(FolderState::Gone, L"C:\\写真\\GONE", L"C:\\写真\\gone"));
    add(PlanState::Rename, Outcome(FolderState::Taken, L"C:\\写真\\TAKEN", L"C:\\写真\\taken"));
    return scenes;
}

// One scripted run of every kind of outcome, rendered by each presenter: the
// history (as the window shows it and as a log names whole paths), the
// changed-folder list, the /TSV lines, the summary and the log file's bytes.
// A change to any rendering shows as a diff against the files in tests/golden
// (KELVARO_UPDATE_GOLDEN=1 rewrites them after a change meant to be).
TEST(OutcomePresenters, RenderEveryOutcomeAsTheGoldenFilesShow) {
    testing::RecordingSink history;
    ChangedList changed;
    changed.AddLine(L"C:\\写真\\TAKEN");  // listed by the run the undo takes back
    changed.AddLine(L"C:\\写真\\GONE");
    std::wstring text, tsv = TsvHeader() + L"\n";
    RunCounts counts;
    for (const Scene& scene : Scenes()) {
        history.AddLine(FolderHeading(scene.outcome.path, true));
        WriteOutcome(history, changed, scene.outcome);
        const bool undo = scene.outcome.state == FolderState::Gone || scene.outcome.state == FolderState::Taken;
        tsv += TsvLine(undo ? UndoFolderLine(scene.outcome, false) : RunFolderLine(scene.plan, scene.outcome, false)) +
               L"\n";
        ++(scene.outcome.state == FolderState::Renamed     ? counts.renamed
           : scene.outcome.state == FolderState::Unchanged ? counts.same
                                                           : counts.notRenamed);
    }
    // An undo's folder taken back, as /TSV tells it.
    tsv +=
        TsvLine(UndoFolderLine(Outcome(FolderState::Renamed, L"C:\\写真\\PHOTOS", L"C:\\写真\\photos"), true)) + L"\n";
    counts.notReached = 2;
    history.AddLine(RunSummaryLine(counts));
    history.AddLine(UndoSummaryLine(counts));
    for (const std::wstring& line : history.lines) text += line + L"\r\n";
    std::wstring all = L"# history\n" + text + L"# changed\n";
    for (size_t i = 0; i < changed.Count(); ++i) all += changed.Text(i) + L"\n";
    all += L"# tsv\n" + tsv;
    EXPECT_EQ(Utf8(all), Golden("outcomes.txt", Utf8(all)));
    EXPECT_EQ(LogTextBytes(text, true), Golden("outcomes.log", LogTextBytes(text, true)));
}

}  // namespace
}  // namespace kelvaro
