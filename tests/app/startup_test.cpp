#include "app/startup.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "engine/catalog.h"
#include "engine/journal.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_journal_store.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"

namespace kelvaro {
namespace {

using testing::FakeClipboard;
using testing::FakeFileSystem;
using testing::FakePrompts;
using testing::FakeSettingsStore;
using Names = std::vector<std::wstring>;

Names Split(const std::wstring& text, bool* whole = nullptr) {
    Names names;
    const bool result = SplitCommandLine(text, [&](const std::wstring& name) {
        names.push_back(name);
        return false;
    });
    if (whole) *whole = result;
    return names;
}

TEST(CommandLineGrammar, SplitsOnBlanksAndQuotes) {
    EXPECT_EQ(Split(L"\"C:\\Program Files\" D:\\Work"), (Names{L"C:\\Program Files", L"D:\\Work"}));
    EXPECT_EQ(Split(L"\"C:\\A\"B"), (Names{L"C:\\A", L"B"}));
    EXPECT_EQ(Split(L"  a   b  "), (Names{L"a", L"b"}));
    EXPECT_EQ(Split(L"\"\" a\"b \"\""), (Names{L"a\"b"}));
    EXPECT_EQ(Split(L"a\tb"), (Names{L"a\tb"}));
    EXPECT_EQ(Split(L""), Names{});
    bool whole = true;
    EXPECT_EQ(Split(L"C:\\A \"C:\\B", &whole), (Names{L"C:\\A"}));
    EXPECT_FALSE(whole);
}

TEST(CommandLineGrammar, StopsWhenTheCallerSaysSo) {
    Names seen;
    const bool whole = SplitCommandLine(L"a b c", [&](const std::wstring& name) {
        seen.push_back(name);
        return name == L"b";
    });
    EXPECT_FALSE(whole);
    EXPECT_EQ(seen, (Names{L"a", L"b"}));
}

TEST(CommandLineGrammar, ProgramNameAndRemovalRequest) {
    EXPECT_EQ(ArgumentsText(L"\"C:\\Program Files\\Kelvaro2.exe\"  /U"), L"/U");
    EXPECT_EQ(ArgumentsText(L"Kelvaro2.exe a b "), L"a b ");
    EXPECT_EQ(ArgumentsText(L"Kelvaro2.exe"), L"");
    EXPECT_TRUE(IsRemovalRequest(L"/U"));
    EXPECT_TRUE(IsRemovalRequest(L"/u"));
    EXPECT_FALSE(IsRemovalRequest(L"/U "));
    EXPECT_FALSE(IsRemovalRequest(L"/U x"));
    EXPECT_FALSE(IsRemovalRequest(L"-U"));
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs.AddDir(L"C:\\Program Files");
        fs.AddDir(L"D:\\Work");
        fs.AddDir(L"C:\\Data\\photos");
    }
    void SetAuto(bool on, int mode, bool log = true) {
        store.StoreWrite(kAppName, kSectionName, L"Auto", on ? L"True" : L"False");
        store.StoreWrite(kAppName, kSectionName, L"AutoExe", std::to_wstring(mode));
        store.StoreWrite(kAppName, kSectionName, L"AutoLog", log ? L"True" : L"False");
    }
    StartupOutcome Start(const std::wstring& commandLine) { return RunStartup(state, services, commandLine); }

    FakeSettingsStore store;
    FakeFileSystem fs;
    FakeClipboard clipboard;
    FakePrompts prompts;
    Services services{store, fs, clipboard, prompts};
    AppState state{prompts};
};

TEST_F(StartupTest, AutomaticRunRenamesAndCopiesTheHistory) {
    SetAuto(true, 0);
    EXPECT_EQ(Start(L"\"C:\\Program Files\" D:\\Work c:\\data\\PHOTOS"), StartupOutcome::Exit);
    EXPECT_TRUE(fs.Exists(L"C:\\PROGRAM FILES"));
    EXPECT_EQ(fs.Stored(L"C:\\Program Files"), L"C:\\PROGRAM FILES");
    EXPECT_EQ(fs.Stored(L"D:\\Work"), L"D:\\WORK");
    EXPECT_EQ(fs.Stored(L"C:\\Data\\photos"), L"C:\\Data\\PHOTOS");
    EXPECT_EQ(clipboard.text,
              L"[ C:\\Program Files ]\r\n　フォルダ名を\r\n　[ PROGRAM FILES ]\r\n　に変更しました\r\n"
              L"[ D:\\Work ]\r\n　フォルダ名を\r\n　[ WORK ]\r\n　に変更しました\r\n"
              L"[ C:\\Data\\photos ]\r\n　フォルダ名を\r\n　[ PHOTOS ]\r\n　に変更しました\r\n"
              L"結果　変更：3件　同一：0件　変更できず：0件\r\n全て終了しました\r\n");
    EXPECT_EQ(state.changed.Count(), 3u);
    EXPECT_TRUE(state.settings.autoRunning);
    EXPECT_TRUE(store.CountIn(kAppName) == 3u);  // nothing was written
}

// With the confirmation on, the preview decides: 実行 with its mode and the
// folders left out runs like the automatic run; キャンセル ends with nothing
// renamed or copied. Without the option the preview is never asked.
TEST_F(StartupTest, AutomaticRunWithConfirmationRunsWhatThePreviewChose) {
    SetAuto(true, 0);
    int asked = 0;
    std::optional<RunChoice> answer;
    const ConfirmRun confirm = [&](int16_t mode) {
        ++asked;
        EXPECT_EQ(mode, 0);
        EXPECT_EQ(state.targets.Count(), 2u);
        return answer;
    };
    store.StoreWrite(kAppName, kSectionName, L"Confirm", L"True");
    EXPECT_EQ(RunStartup(state, services, L"D:\\Work C:\\Data\\photos", confirm), StartupOutcome::Exit);
    EXPECT_EQ(fs.moves, 0);
    EXPECT_EQ(clipboard.text, L"<untouched>");

    answer = RunChoice{2, {true}};
    fs.AddDir(L"D:\\Ab");
    EXPECT_EQ(RunStartup(state, services, L"D:\\Work D:\\Ab", confirm), StartupOutcome::Exit);
    EXPECT_EQ(fs.Stored(L"D:\\Work"), L"D:\\Work");  // left out
    EXPECT_EQ(fs.Stored(L"D:\\Ab"), L"D:\\ab");      // by the mode chosen in the preview
    EXPECT_EQ(clipboard.text.substr(clipboard.text.size() - 10), L"全て終了しました\r\n");

    store.StoreWrite(kAppName, kSectionName, L"Confirm", L"False");
    EXPECT_EQ(RunStartup(state, services, L"D:\\Work", confirm), StartupOutcome::Exit);
    EXPECT_EQ(fs.Stored(L"D:\\Work"), L"D:\\WORK");
    EXPECT_EQ(asked, 2);
}

TEST_F(StartupTest, AutomaticRunWithoutLogLeavesTheClipboard) {
    SetAuto(true, 2, false);
    EXPECT_EQ(Start(L"C:\\Program Files"), StartupOutcome::ShowMain);  // unquoted: no such folder
    EXPECT_EQ(Start(L"\"C:\\Program Files\""), StartupOutcome::Exit);
    EXPECT_EQ(fs.Stored(L"C:\\Program Files"), L"C:\\program files");
    EXPECT_EQ(clipboard.calls, 0);
}

TEST_F(StartupTest, AutomaticRunTriesEveryEntryOnceAndNeverLosesAFolder) {
    SetAuto(true, 6);
    fs.AddDir(L"C:\\Data\\ＤＡＴＡ");
    fs.AddDir(L"C:\\Data\\DATA");
    fs.AddDir(L"C:\\Data\\ＡＢＣ．");
    EXPECT_EQ(Start(L"C:\\Data\\ＤＡＴＡ C:\\Data\\ＡＢＣ．"), StartupOutcome::Exit);
    EXPECT_TRUE(fs.Exists(L"C:\\Data\\ＤＡＴＡ"));
    EXPECT_EQ(fs.Stored(L"C:\\Data\\ＡＢＣ．"), L"C:\\Data\\ＡＢＣ．");
    EXPECT_EQ(state.history.Count(), 8u);
    EXPECT_EQ(state.history.Line(2), L"　変更不可（同名あり）");  // the sibling DATA
    EXPECT_EQ(state.history.Line(5), L"　変更不可（使えない名前）");
    EXPECT_EQ(state.history.Line(6), L"結果　変更：0件　同一：0件　変更できず：2件");
    EXPECT_EQ(state.history.Line(7), L"全て終了しました");
}

TEST_F(StartupTest, AutomaticRunFindsAFolderBelowARenamedOneUnderItsNewName) {
    SetAuto(true, 5);
    fs.AddDir(L"C:\\Data\\ab\\cd");
    EXPECT_EQ(Start(L"C:\\Data\\ab C:\\Data\\ab\\cd"), StartupOutcome::Exit);
    EXPECT_EQ(fs.Stored(L"C:\\Data\\ａｂ\\ｃｄ"), L"C:\\Data\\ａｂ\\ｃｄ");
    EXPECT_EQ(state.history.Line(4), L"[ C:\\Data\\ａｂ\\cd ]");
}

// A killed run the target list cannot finish (one of every depth, or of more
// folders than the list holds) is left to /RESUME, and the start says so;
// a run of a few named folders is offered to the list.
TEST_F(StartupTest, AKilledRunIsOfferedToTheListOnlyWhenTheListCanFinishIt) {
    testing::FakeJournalStore journalStore;
    RenameJournal journal(journalStore);
    services.journal = &journal;
    auto killed = [&](const std::string& id, const std::string& flags, size_t folders) {
        RunRequest request{0, flags, 0, std::vector<std::wstring>(folders, L"C:\\Data\\photos")};
        journalStore.bytes += RunRecord(id, RunKind::Run, {9, 1}, "") + RequestRecords(id, request);
    };
    killed("r1", "S", 1);
    EXPECT_EQ(Start(L""), StartupOutcome::ShowMain);
    EXPECT_EQ(prompts.notices, std::vector<std::wstring>{ResKelvaroText(KText::ResumeByCommandLine)});
    EXPECT_TRUE(prompts.questions.empty());
    killed("r2", "", 1001);
    EXPECT_EQ(Start(L""), StartupOutcome::ShowMain);
    EXPECT_EQ(prompts.notices.size(), 2u);
    EXPECT_TRUE(prompts.questions.empty());
    killed("r3", "", 1);
    prompts.answer = true;
    EXPECT_EQ(Start(L""), StartupOutcome::ShowMain);
    EXPECT_EQ(prompts.questions.size(), 1u);
    ASSERT_EQ(state.targets.Count(), 1u);
    EXPECT_EQ(state.targets.Text(0), L"C:\\Data\\photos");
}

TEST_F(StartupTest, NoAcceptedNameMeansANormalStart) {
    SetAuto(true, 0);
    EXPECT_EQ(Start(L"C:\\Nowhere notafolder"), StartupOutcome::ShowMain);
    EXPECT_FALSE(state.settings.autoRunning);
    EXPECT_TRUE(state.targets.Empty());
    EXPECT_EQ(clipboard.calls, 0);
}

// A relative name is taken from the current folder, as a script's names are.
TEST_F(StartupTest, WithoutAutoTheFoldersWaitInTheTargetList) {
    SetAuto(false, 0);
    fs.SetCurrentDir(L"C:\\Data");
    EXPECT_EQ(Start(L"\"C:\\Program Files\" D:\\Work photos ..\\Data\\.\\photos"), StartupOutcome::ShowMain);
    ASSERT_EQ(state.targets.Count(), 3u);
    EXPECT_EQ(state.targets.Text(0), L"C:\\Program Files");
    EXPECT_EQ(state.targets.Text(2), L"C:\\Data\\photos");
    EXPECT_EQ(fs.Stored(L"D:\\Work"), L"D:\\Work");
    EXPECT_EQ(state.history.Count(), 0u);
}

TEST_F(StartupTest, UnterminatedQuoteEmptiesTheList) {
    SetAuto(true, 0);
    EXPECT_EQ(Start(L"D:\\Work \"C:\\Program Files"), StartupOutcome::ShowMain);
    EXPECT_TRUE(state.targets.Empty());
    EXPECT_EQ(fs.Stored(L"D:\\Work"), L"D:\\Work");
}

TEST_F(StartupTest, MoreThanAThousandFoldersShowTheLimitOnceAndTakeNone) {
    SetAuto(true, 0);
    std::wstring commandLine;
    for (int i = 0; i < 1003; ++i) {
        fs.AddDir(L"C:\\Many\\d" + std::to_wstring(i));
        commandLine += L"C:\\Many\\d" + std::to_wstring(i) + L" ";
    }
    EXPECT_EQ(Start(commandLine), StartupOutcome::ShowMain);
    EXPECT_TRUE(state.targets.Empty());
    EXPECT_EQ(prompts.notices, Names{L"一度で実行できるフォルダ数は最大１０００までです。"});
    EXPECT_EQ(fs.moves, 0);
}

TEST_F(StartupTest, RemovalAsksAndDeletesOnlyOnYes) {
    store.StoreWrite(kAppName, kSectionName, L"Auto", L"True");
    prompts.answer = false;
    EXPECT_EQ(Start(L"/u"), StartupOutcome::Exit);
    EXPECT_EQ(prompts.questions, Names{L"Kelvaro2で使用したレジストリを全て削除します"});
    EXPECT_EQ(store.CountIn(kAppName), 1u);
    prompts.answer = true;
    EXPECT_EQ(Start(L"/U"), StartupOutcome::Exit);
    EXPECT_EQ(store.CountIn(kAppName), 0u);
}

TEST_F(StartupTest, CorruptedSettingsStillStart) {
    store.StoreWrite(kAppName, kSectionName, L"Auto", L"garbage");
    store.StoreWrite(kAppName, kSectionName, L"AutoExe", L"x");
    EXPECT_EQ(Start(L"D:\\Work"), StartupOutcome::ShowMain);
    EXPECT_FALSE(state.settings.autoRun);
    EXPECT_EQ(state.settings.autoMode, 2);
}

}  // namespace
}  // namespace kelvaro
