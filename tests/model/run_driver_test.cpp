#include "model/run_driver.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"
#include "fakes/fake_journal_store.h"

namespace kelvaro {
namespace {

using Names = std::vector<std::wstring>;

class NullPrompts : public IPrompts {
public:
    void Notice(const std::wstring&) override {}
    bool AskYesNo(const std::wstring&) override { return false; }
};

// Records what the run asks of the windows; a yield can press Cancel.
class FakeRunView : public IRunView {
public:
    explicit FakeRunView(AppState& state) : state(state) {}
    void SetRunning(bool running) override { events.push_back(running ? L"disable" : L"enable"); }
    void ShowEntry(size_t index) override { events.push_back(L"show " + std::to_wstring(index)); }
    void ProcessPendingInput() override {
        events.push_back(L"yield");
        if (++yields == cancelAtYield) state.stopRequested = true;
    }
    void RefreshFolders() override { events.push_back(L"refresh"); }
    void UpdateButtons() override { events.push_back(state.targets.Empty() ? L"buttons off" : L"buttons on"); }
    bool GoOnUnrecorded() override {
        events.push_back(L"asked");
        return goOnUnrecorded;
    }

    AppState& state;
    Names events;
    int yields = 0;
    int cancelAtYield = -1;
    bool goOnUnrecorded = false;
};

class RunDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 5; ++i) state.targets.AddLine(L"C:\\f" + std::to_wstring(i));
    }
    // Folders named in `refused` come back not done; every call is recorded.
    RunDriver Driver() {
        return RunDriver(state, view, [this](const std::wstring& path, int16_t mode, ILineSink& history, ILineSink&) {
            renamed.push_back(path + L" " + std::to_wstring(mode));
            history.AddLine(L"[ " + path + L" ]");
            return Outcome(path, std::find(refused.begin(), refused.end(), path) == refused.end());
        });
    }
    // A folder left in form, or one the system refused.
    static FolderOutcome Outcome(const std::wstring& path, bool done) {
        FolderOutcome outcome;
        outcome.state = done ? FolderState::Unchanged : FolderState::Failed;
        outcome.verdict = PlanState::InForm;
        outcome.path = outcome.newPath = path;
        return outcome;
    }
    Names Targets() const {
        Names names;
        for (size_t i = 0; i < state.targets.Count(); ++i) names.push_back(state.targets.Text(i));
        return names;
    }

    NullPrompts prompts;
    AppState state{prompts};
    FakeRunView view{state};
    Names renamed, refused;
};

TEST_F(RunDriverTest, KeepsOnlyTheFoldersThatWereNotDone) {
    state.history.AddLine(L"an earlier run");
    state.targets.SetSelected(3, true);
    refused = {L"C:\\f2"};
    Driver().Run(4);
    EXPECT_EQ(renamed, (Names{L"C:\\f1 4", L"C:\\f2 4", L"C:\\f3 4", L"C:\\f4 4", L"C:\\f5 4"}));
    EXPECT_EQ(Targets(), Names{L"C:\\f2"});
    EXPECT_FALSE(state.targets.Selected(0));
    ASSERT_EQ(state.history.Count(), 7u);  // the earlier run's history is gone
    EXPECT_EQ(state.history.Line(5), L"結果　変更：0件　同一：4件　変更できず：1件");  // nothing reported a new name
    EXPECT_EQ(state.history.Line(6), L"全て終了しました");
    EXPECT_EQ(view.events.front(), L"disable");
    EXPECT_EQ(view.events[1], L"show 0");
    EXPECT_EQ(view.events[2], L"yield");
    EXPECT_EQ(Names(view.events.end() - 3, view.events.end()), (Names{L"enable", L"refresh", L"buttons on"}));
}

// The folders the preview left out are neither tried nor counted as not
// reached: the summary counts them apart, also after a stop before them.
TEST_F(RunDriverTest, TheSummaryCountsTheFoldersLeftOut) {
    Driver().Run(0, {false, true, false, false, true});
    EXPECT_EQ(renamed, (Names{L"C:\\f1 0", L"C:\\f3 0", L"C:\\f4 0"}));
    EXPECT_EQ(Targets(), (Names{L"C:\\f2", L"C:\\f5"}));
    EXPECT_EQ(state.history.Line(state.history.Count() - 2), L"結果　変更：0件　同一：3件　変更できず：0件　除外：2件");
    view.cancelAtYield = view.yields + 1;
    Driver().Run(0, {false, true});
    EXPECT_EQ(state.history.Line(state.history.Count() - 2),
              L"結果　変更：0件　同一：0件　変更できず：0件　未処理：1件　除外：1件");
}

// A record that cannot be written ends the run; the rest stays in the list.
TEST_F(RunDriverTest, ARecordThatCannotBeWrittenStopsTheRun) {
    testing::FakeJournalStore store;
    RenameJournal journal(store);
    RunDriver driver(
        state, view,
        [&](const std::wstring& path, int16_t, ILineSink&, ILineSink&) {
            if (path == L"C:\\f3") store.limit = 0;  // the disk is full
            return Outcome(path, journal.FolderBegin(path, path + kTempSuffix, path + L"X") != 0);
        },
        &journal);
    driver.Run(0);
    EXPECT_EQ(Targets(), (Names{L"C:\\f3", L"C:\\f4", L"C:\\f5"}));
    const size_t count = state.history.Count();
    EXPECT_EQ(state.history.Line(count - 3), L"変更を記録できなくなった為、残りのフォルダは変更しません");
    EXPECT_EQ(state.history.Line(count - 1), L"中断しました");
}

// A journal that cannot be written: the window asks, and no (the default)
// renames nothing. A run the user lets go on unrecorded is remembered outside
// the journal, so the undo says so instead of taking back the run before it;
// the next recorded run forgets it.
TEST_F(RunDriverTest, ARunWithoutARecordOnlyWhenTheUserSaysAndNeverUndoneAsTheLast) {
    testing::FakeJournalStore store;
    RenameJournal journal(store);
    bool mark = false;
    journal.SetUnrecordedMark([&] { return mark; }, [&](bool unrecorded) { mark = unrecorded; });
    RunDriver driver(
        state, view,
        [&](const std::wstring& path, int16_t, ILineSink&, ILineSink&) {
            if (!journal.MayRename()) return Outcome(path, false);
            renamed.push_back(path);
            return Outcome(path, true);
        },
        &journal);
    store.writable = false;
    driver.Run(0);
    EXPECT_TRUE(renamed.empty());
    EXPECT_EQ(Targets().size(), 5u);
    EXPECT_EQ(state.history.Line(0), L"変更を記録できない為、フォルダ名を変更しません");
    EXPECT_FALSE(mark);

    view.goOnUnrecorded = true;
    driver.Run(0);
    EXPECT_EQ(renamed.size(), 5u);
    EXPECT_EQ(std::count(view.events.begin(), view.events.end(), L"asked"), 2);
    EXPECT_TRUE(mark);
    store.writable = true;
    testing::FakeFileSystem fs;
    driver.Undo({fs, state.history, state.changed, true, &journal});
    EXPECT_EQ(state.history.Line(0), L"直前の実行は記録されていない為、元に戻せません");
    EXPECT_TRUE(store.bytes.empty());  // nothing was taken back, nor recorded

    state.targets.AddLine(L"C:\\g");
    driver.Run(0);
    EXPECT_FALSE(mark);
}

// Another copy holds the journal's turn: the history says so, the wait pauses
// through the window's hook, and Cancel there ends it with nothing renamed.
TEST_F(RunDriverTest, CancelEndsTheWaitForAnotherCopysTurn) {
    testing::FakeJournalStore store;
    store.held = true;
    store.heldFor = 100;
    RenameJournal journal(store);
    int pauses = 0;
    journal.SetTurnPause([&](unsigned) {
        if (++pauses == 2) state.stopRequested = true;
        return !state.stopRequested;
    });
    RunDriver driver(
        state, view,
        [&](const std::wstring& path, int16_t, ILineSink&, ILineSink&) {
            renamed.push_back(path);
            return Outcome(path, true);
        },
        &journal);
    driver.Run(0);
    EXPECT_EQ(pauses, 2);
    EXPECT_TRUE(renamed.empty());
    EXPECT_EQ(Targets().size(), 5u);
    ASSERT_EQ(state.history.Count(), 3u);
    EXPECT_EQ(state.history.Line(0), L"他の Kelvaro2 の実行が終わるのを待っています");
    EXPECT_EQ(state.history.Line(2), L"中断しました");
    EXPECT_TRUE(store.bytes.empty());
    EXPECT_FALSE(state.stopRequested);  // cleared for the next run
}

TEST_F(RunDriverTest, CancelStopsBeforeTheNextFolder) {
    view.cancelAtYield = 2;  // pressed while the first folder is being handled
    Driver().Run(0);
    EXPECT_EQ(renamed, Names{L"C:\\f1 0"});
    EXPECT_EQ(Targets(), (Names{L"C:\\f2", L"C:\\f3", L"C:\\f4", L"C:\\f5"}));
    EXPECT_EQ(state.targets.TopIndex(), 0u);  // the first folder left untouched
    EXPECT_EQ(state.history.Line(state.history.Count() - 2),
              L"結果　変更：0件　同一：1件　変更できず：0件　未処理：4件");
    EXPECT_EQ(state.history.Line(state.history.Count() - 1), L"中断しました");
    EXPECT_FALSE(state.stopRequested);
}

TEST_F(RunDriverTest, AfterCancelTheFirstUntouchedFolderIsAtTheTop) {
    view.cancelAtYield = 4;  // while the third folder is being handled
    refused = {L"C:\\f2"};
    Driver().Run(0);
    EXPECT_EQ(Targets(), (Names{L"C:\\f2", L"C:\\f4", L"C:\\f5"}));
    EXPECT_EQ(state.targets.TopIndex(), 1u);
}

TEST_F(RunDriverTest, CancelBeforeTheFirstFolderKeepsEverything) {
    view.cancelAtYield = 1;
    refused = {L"C:\\f1"};
    Driver().Run(0);
    EXPECT_TRUE(renamed.empty());
    EXPECT_EQ(Targets().size(), 5u);
}

TEST_F(RunDriverTest, AllDoneEmptiesTheListAndDisablesTheButtons) {
    Driver().Run(2);
    EXPECT_TRUE(state.targets.Empty());
    EXPECT_EQ(view.events.back(), L"buttons off");
}

TEST_F(RunDriverTest, AFolderBelowARenamedOneIsHandledUnderItsNewName) {
    state.targets.Refresh();
    for (const wchar_t* path : {L"C:\\a", L"C:\\a\\b", L"C:\\ab", L"C:\\x\\y"}) state.targets.AddLine(path);
    RunDriver run(state, view, [&](const std::wstring& path, int16_t, ILineSink&, ILineSink&) {
        renamed.push_back(path);
        FolderOutcome outcome;
        outcome.path = path;
        outcome.newPath = path == L"C:\\a" ? L"C:\\A2" : path;  // the others keep their name
        if (path != L"C:\\x\\y") outcome.state = path == L"C:\\a" ? FolderState::Renamed : FolderState::Unchanged;
        return outcome;
    });
    run.Run(0);
    EXPECT_EQ(renamed, (Names{L"C:\\a", L"C:\\A2\\b", L"C:\\ab", L"C:\\x\\y"}));
    EXPECT_EQ(Targets(), Names{L"C:\\x\\y"});
}

}  // namespace
}  // namespace kelvaro
