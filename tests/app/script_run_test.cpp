#include "app/script_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>

#include "app/command_line.h"
#include "app/script_names.h"
#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "fakes/fake_console.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_journal_store.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"
#include "settings/app_settings.h"

namespace kelvaro {
namespace {

using testing::FakeClipboard;
using testing::FakeConsole;
using testing::FakeFileSystem;
using testing::FakeSettingsStore;
using Names = std::vector<std::wstring>;

TEST(ScriptGrammar, OnlyTheNewSwitchesMakeAScriptLine) {
    for (const wchar_t* old : {L"", L"a b", L"/U", L"/u", L"\"C:\\A\" /MODE:5", L"@list"})
        EXPECT_FALSE(ParseScriptCommand(old).script) << old;
    // Any other line starting with a switch is strict: a typo never becomes a folder name.
    for (const wchar_t* typo : {L"/X D:\\Work", L"/MODE 6 D:\\Work", L"-MODE:2 D:\\Work", L"\"/LOG:C:\\a b\" D:\\x"})
        EXPECT_FALSE(ParseScriptCommand(typo).error.empty()) << typo;
    for (const wchar_t* help : {L"-?", L"/h", L"/HELP D:\\Work", L"--help"})
        EXPECT_TRUE(ParseScriptCommand(help).usage);
    const ScriptCommand undo = ParseScriptCommand(L"/undo /TSV /utf8 /CLIP /LOG:u.log");
    EXPECT_TRUE(undo.undo && undo.tsv && undo.utf8 && undo.clip);
    EXPECT_EQ(undo.error, L"");
    EXPECT_TRUE(ParseScriptCommand(L"/Resume /LOG:r.log").resume);
    EXPECT_EQ(ParseScriptCommand(L"/RESUME").error, L"");
    for (const wchar_t* mixed : {L"/UNDO /MODE:1", L"/UNDO /DRYRUN", L"/UNDO C:\\a", L"/TSV /TSV /MODE:1 a",
                                 L"/RESUME /MODE:1", L"/RESUME C:\\a", L"/RESUME /UNDO"})
        EXPECT_FALSE(ParseScriptCommand(mixed).error.empty()) << mixed;
    const ScriptCommand c = ParseScriptCommand(L"  /mode:5 /DryRun \"/log:C:\\My Logs\\a.log\" \"C:\\a b\" D:\\c @x");
    ASSERT_TRUE(c.script);
    EXPECT_EQ(c.error, L"");
    EXPECT_EQ(c.mode, 5);
    EXPECT_TRUE(c.dryRun);
    EXPECT_EQ(c.logFile, L"C:\\My Logs\\a.log");
    EXPECT_EQ(c.names, (Names{L"C:\\a b", L"D:\\c", L"@x"}));
    EXPECT_EQ(ParseScriptCommand(L"/LOG:\"C:\\My Logs\\b.log\" /MODE:0 x").logFile, L"C:\\My Logs\\b.log");
}

TEST(ScriptGrammar, BadUsageIsOneLine) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"/MODE:5 /X a", L"不明なスイッチです: /X"},
        {L"/U /MODE:5 a", L"/U はほかの指定と一緒に使えません"},
        {L"/U D:\\Work", L"/U はほかの指定と一緒に使えません"},  // no window a script would wait on
        {L"/U ", L"/U はほかの指定と一緒に使えません"},
        {L"/MODE 6 a", L"スイッチと値の間は空白ではなく : です。次のように書いてください: /MODE:6"},
        {L"/MODE", L"スイッチと値の間は空白ではなく : です。次のように書いてください: /MODE:n"},
        {L"/MODE:1 /LOG \"C:\\My Logs\\a.log\" a",
         L"スイッチと値の間は空白ではなく : です。次のように書いてください: /LOG:\"C:\\My Logs\\a.log\""},
        {L"/MODE:8 a", L"モードは /MODE:0 ～ /MODE:7 で指定してください: /MODE:8"},
        {L"/MODE: a", L"モードは /MODE:0 ～ /MODE:7 で指定してください: /MODE:"},
        {L"/MODE:55 a", L"モードは /MODE:0 ～ /MODE:7 で指定してください: /MODE:55"},
        {L"/MODE:1 /MODE:2 a", L"同じスイッチが二度あります: /MODE:2"},
        {L"/DRYRUN a", L"/MODE:n でモードを指定してください"},
        {L"/MODE:1", L"フォルダ名がありません"},
        {L"/MODE:1 a /DRYRUN", L"スイッチはフォルダ名の前に置いてください: /DRYRUN"},
        {L"/MODE:1 a \"b", L"引用符が閉じていません"},
        {L"/MODE:1 /LOG: a", L"/LOG: のあとにファイル名がありません"},
        {L"/MODE:1 /A a", L"/A は /S と一緒に指定してください"},
        {L"/UNDO /S", L"/UNDO には /MODE、/DRYRUN、フォルダ名を付けられません"},
    };
    for (const auto& [line, error] : cases) EXPECT_EQ(ParseScriptCommand(line).error, error) << line;
    const ScriptCommand usage = ParseScriptCommand(L"/? /X");
    EXPECT_TRUE(usage.usage);
    EXPECT_EQ(usage.error, L"");
}

TEST(ListFile, ReadsEveryEncodingAndSkipsBlankLines) {
    const Names expected{L"C:\\データ 1", L"D:\\ｶﾅ"};
    EXPECT_EQ(ListFileNames("\xEF\xBB\xBF"
                            "C:\\\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF 1\r\n\r\nD:\\\xEF\xBD\xB6\xEF\xBE\x85\r\n"),
              expected);
    EXPECT_EQ(ListFileNames("C:\\\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF 1\n  \nD:\\\xEF\xBD\xB6\xEF\xBE\x85"), expected);
    EXPECT_EQ(ListFileNames("C:\\\x83\x66\x81\x5B\x83\x5E 1\r\n\"D:\\\xB6\xC5\"\r\n"), expected);  // code page 932
    std::string utf16le("\xFF\xFE", 2), utf16be("\xFE\xFF", 2);
    for (wchar_t c : std::wstring(L"C:\\データ 1\r\nD:\\ｶﾅ\r\n")) {
        utf16le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        utf16be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    }
    EXPECT_EQ(ListFileNames(utf16le), expected);
    EXPECT_EQ(ListFileNames(utf16be), expected);
    EXPECT_EQ(ListFileNames(""), Names{});
    EXPECT_FALSE(ListFileNames(std::string("C:\\a\0b\r\n", 8)));  // a NUL would cut a path short
}

class ScriptRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs.AddDir(L"C:\\Work\\my photos");
        fs.AddDir(L"C:\\Work\\ｶﾞｲﾄﾞ");
        // Settings that must not matter: the mode comes from the command line.
        store.StoreWrite(kAppName, kSectionName, L"Auto", L"False");
        store.StoreWrite(kAppName, kSectionName, L"AutoExe", L"0");
    }
    int Run(const std::wstring& line) {
        const ScriptCommand command = ParseScriptCommand(line);
        EXPECT_TRUE(command.script);
        ScriptServices services{store, fs, clipboard, console, &stop, journal, {L"C:\\Own\\"}};
        return RunScript(command, services);
    }

    FakeSettingsStore store;
    FakeFileSystem fs;
    FakeClipboard clipboard;
    FakeConsole console;
    std::atomic<bool> stop{false};
    RenameJournal* journal = nullptr;
};

TEST_F(ScriptRunTest, RenamesByTheGivenModeAndEchoesTheHistory) {
    EXPECT_EQ(Run(L"/MODE:5 \"C:\\Work\\my photos\" c:\\work\\ｶﾞｲﾄﾞ C:\\Work\\ｶﾞｲﾄﾞ"), kExitAllDone);
    EXPECT_EQ(fs.Stored(L"C:\\Work\\ｍｙ　ｐｈｏｔｏｓ"), L"C:\\Work\\ｍｙ　ｐｈｏｔｏｓ");
    EXPECT_EQ(fs.Stored(L"C:\\Work\\ガイド"), L"C:\\Work\\ガイド");
    EXPECT_EQ(console.out,
              (Names{L"[ C:\\Work\\my photos ]", L"　フォルダ名を", L"　[ ｍｙ　ｐｈｏｔｏｓ ]", L"　に変更しました",
                     L"[ C:\\Work\\ｶﾞｲﾄﾞ ]", L"　フォルダ名を", L"　[ ガイド ]", L"　に変更しました",
                     L"結果　変更：2件　同一：0件　変更できず：0件", L"全て終了しました"}));
    EXPECT_EQ(console.errors, Names{});
    EXPECT_EQ(clipboard.calls, 0);  // the clipboard is left alone, AutoLog (on by default) or not
    EXPECT_EQ(Run(L"/MODE:5 /CLIP C:\\Work\\ｍｙ　ｐｈｏｔｏｓ"), kExitAllDone);
    EXPECT_EQ(clipboard.calls, 1);
    EXPECT_EQ(store.values.size(), 2u);  // nothing saved
}

TEST_F(ScriptRunTest, AClipboardThatCannotBeHadIsSaidOnTheConsole) {
    clipboard.refuse = true;
    EXPECT_EQ(Run(L"/MODE:5 /CLIP /LOG:C:\\run.log \"C:\\Work\\my photos\""), kExitAllDone);
    EXPECT_EQ(console.errors, Names{L"実行履歴をクリップボードにコピーできませんでした"});
    EXPECT_EQ(console.out.back(), L"全て終了しました");
    const std::string log = fs.written[L"C:\\run.log"];
    EXPECT_EQ(log.substr(log.size() - 10), "\x82\xf1\x82\xc5\x82\xb5\x82\xbd\r\n");  // ...んでした in code page 932
}

TEST_F(ScriptRunTest, AFolderNotDoneOrNotFoundGivesOne) {
    store.StoreWrite(kAppName, kSectionName, L"AutoLog", L"False");
    fs.AddDir(L"C:\\Work\\ＭＹ　ＰＨＯＴＯＳ");
    EXPECT_EQ(Run(L"/MODE:5 C:\\Work\\nowhere \"C:\\Work\\my photos\" C:\\Work\\ｶﾞｲﾄﾞ"), kExitNotAll);
    EXPECT_EQ(console.out.front(), L"フォルダが見つかりません: C:\\Work\\nowhere");
    EXPECT_EQ(fs.Stored(L"C:\\Work\\ガイド"), L"C:\\Work\\ガイド");  // the others are still renamed
    EXPECT_EQ(clipboard.calls, 0);
    console.out.clear();
    EXPECT_EQ(Run(L"/MODE:6 C:\\Work\\ガイド"), kExitAllDone);
    EXPECT_EQ(Run(L"/MODE:6 C:\\Work\\nowhere"), kExitNotAll);
}

TEST_F(ScriptRunTest, DryRunPrintsOneVerdictPerFolderAndTouchesNothing) {
    fs.AddDir(L"C:\\Work\\UPPER");
    fs.AddDir(L"C:\\Work\\a long name");
    fs.AddDir(L"C:\\Work\\lower");
    EXPECT_EQ(Run(L"/DRYRUN /MODE:1 /LOG:C:\\dry.log C:\\Work\\UPPER \"C:\\Work\\a long name\" C:\\Work\\lower"),
              kExitNotAll);
    EXPECT_EQ(fs.moves, 0);
    EXPECT_EQ(console.out,
              (Names{L"同一の為変更しません\tC:\\Work\\UPPER", L"ＬＦＮの為変更しません\tC:\\Work\\a long name",
                     L"変更します\tC:\\Work\\lower\tC:\\Work\\LOWER", L"予定を表示しました（何も変更していません）"}));
    EXPECT_EQ(clipboard.calls, 0);
    EXPECT_FALSE(fs.written[L"C:\\dry.log"].empty());
}

// A dry run moves nothing, also what an interrupted run left under its temporary name.
TEST_F(ScriptRunTest, DryRunLeavesAnInterruptedRunAsItIs) {
    const std::wstring temp = L"C:\\Work\\cut.Tmp\u3077\u3088\u3080";
    fs.AddDir(temp);
    testing::FakeJournalStore journalStore;
    journalStore.bytes =
        RunRecord("cut", RunKind::Run, {9, 1}, "") + FolderRecord("cut", 1, L"C:\\Work\\cut", temp, L"C:\\Work\\CUT");
    const std::string before = journalStore.bytes;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    EXPECT_EQ(Run(L"/DRYRUN /MODE:0 \"C:\\Work\\my photos\""), kExitAllDone);
    EXPECT_EQ(fs.moves, 0);
    EXPECT_TRUE(fs.Exists(temp));
    EXPECT_EQ(journalStore.bytes, before);
}

TEST_F(ScriptRunTest, ListFilesJoinTheCommandLineNames) {
    fs.WriteFileBytes(L"C:\\list.txt",
                      "\xEF\xBB\xBF"
                      "C:\\Work\\my photos\r\n\r\nc:\\work\\MY PHOTOS\r\n");
    for (int i = 0; i < 3; ++i) fs.AddDir(L"C:\\Many\\d" + std::to_wstring(i));
    fs.WriteFileBytes(L"C:\\more.txt", "C:\\Many\\d0\nC:\\Many\\d1\n");
    EXPECT_EQ(Run(L"/MODE:0 @C:\\list.txt C:\\Many\\d2 @C:\\more.txt"), kExitAllDone);
    EXPECT_EQ(fs.Stored(L"C:\\Work\\my photos"), L"C:\\Work\\MY PHOTOS");
    EXPECT_EQ(fs.Stored(L"C:\\Many\\d1"), L"C:\\Many\\D1");
    EXPECT_EQ(console.out[0], L"[ C:\\Work\\my photos ]");  // the duplicate is the same folder
    EXPECT_EQ(console.out[4], L"[ C:\\Many\\d2 ]");
}

TEST_F(ScriptRunTest, BadUsageTouchesNothing) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"/MODE:0 C:\\Work\\ｶﾞｲﾄﾞ @C:\\none.txt", L"リストファイルを読めません: C:\\none.txt"},
        {L"/MODE:0 C:\\Work\\ｶﾞｲﾄﾞ @", L"リストファイルを読めません: "},
        {L"/MODE:0 /LOG:C:\\Work C:\\Work\\ｶﾞｲﾄﾞ", L"ログファイルに書けません: C:\\Work"},
        {L"/MODE:9 C:\\Work\\ｶﾞｲﾄﾞ", L"モードは /MODE:0 ～ /MODE:7 で指定してください: /MODE:9"},
    };
    for (const auto& [line, error] : cases) {
        console.errors.clear();
        EXPECT_EQ(Run(line), kExitUsage) << line;
        EXPECT_EQ(console.errors, (Names{error, L"使い方は Kelvaro2 /? で表示します"})) << line;
    }
    EXPECT_EQ(fs.moves, 0);
    EXPECT_EQ(console.out, Names{});
    EXPECT_EQ(clipboard.calls, 0);
}

TEST_F(ScriptRunTest, LogFileAndUsage) {
    fs.SetCurrentDir(L"C:\\Work");
    EXPECT_EQ(Run(L"/MODE:5 /LOG:run.log C:\\Work\\ｶﾞｲﾄﾞ"), kExitAllDone);
    EXPECT_EQ(
        fs.written[L"C:\\Work\\run.log"],
        "[ C:\\Work\\\xB6\xDE\xB2\xC4\xDE ]\r\n\x81\x40\x83\x74\x83\x48\x83\x8B\x83\x5F\x96\xBC\x82\xF0\r\n"
        "\x81\x40[ \x83\x4B\x83\x43\x83\x68 ]\r\n\x81\x40\x82\xC9\x95\xCF\x8D\x58\x82\xB5\x82\xDC\x82\xB5\x82\xBD\r\n"
        "\x8C\x8B\x89\xCA\x81\x40\x95\xCF\x8D\x58\x81\x46"
        "1\x8C\x8F\x81\x40\x93\xAF\x88\xEA\x81\x46"
        "0\x8C\x8F\x81\x40\x95\xCF"
        "\x8D\x58\x82\xC5\x82\xAB\x82\xB8\x81\x46"
        "0\x8C\x8F\r\n"
        "\x91\x53\x82\xC4\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\r\n");
    // UTF-8: one byte-order mark, at the start, however many times the history is written out.
    EXPECT_EQ(Run(L"/MODE:6 /UTF8 /LOG:utf8.log C:\\Work\\ガイド"), kExitAllDone);
    const std::string utf8 = fs.written[L"C:\\Work\\utf8.log"];
    EXPECT_EQ(utf8.find("\xEF\xBB\xBF"), 0u);
    EXPECT_EQ(utf8.find("\xEF\xBB\xBF", 1), std::string::npos);
    console.out.clear();
    EXPECT_EQ(Run(L"/?"), kExitAllDone);
    EXPECT_EQ(console.out.size(), 25u);
    EXPECT_EQ(console.out[0].substr(0, 4), L"使い方:");
}

// Every mode's number (leading zeros too) and name (in any case) is taken by
// the parser and by a run, and the usage names the mode as its button does
// and by its name; nothing else is a mode.
TEST_F(ScriptRunTest, EveryModeIsTakenByItsNumberAndItsName) {
    EXPECT_EQ(Run(L"/?"), kExitAllDone);
    std::wstring usage;
    for (const auto& line : console.out) usage += line + L" ";
    for (int mode = 0; mode < ModeCount(); ++mode) {
        const std::wstring n = std::to_wstring(mode), name = ModeOf(mode).name;
        std::wstring shouted = name;
        for (wchar_t& c : shouted) c = static_cast<wchar_t>(std::towupper(c));
        EXPECT_NE(usage.find(L" " + n + L" " + ModeCaption(mode) + L" "), std::wstring::npos) << mode;
        EXPECT_NE(usage.find(L" " + name + L" "), std::wstring::npos) << mode;
        EXPECT_EQ(ParseScriptCommand(L"/MODE:" + n + L" a").mode, mode);
        EXPECT_EQ(ParseScriptCommand(L"/MODE:0" + n + L" a").mode, mode);
        EXPECT_EQ(ParseScriptCommand(L"/mode:" + shouted + L" a").mode, mode);
        EXPECT_NE(Run(L"/DRYRUN /MODE:" + name + L" C:\\Work\\ｶﾞｲﾄﾞ"), kExitUsage) << mode;
    }
    for (const wchar_t* bad : {L"8", L"-1", L"", L"upperx", L"99999999999999999999", L"全角"})
        EXPECT_EQ(ParseScriptCommand(std::wstring(L"/MODE:") + bad + L" a").mode, -1) << bad;
}

// A whole tree in one command: every depth, children first, through batches of
// the target list's size, one run in the journal, every line in the log; the
// undo gives every name back.
TEST_F(ScriptRunTest, SubfoldersAtEveryDepthAreOneRun) {
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 30; ++j) fs.AddDir(L"C:\\Tree\\d" + std::to_wstring(i) + L"\\e" + std::to_wstring(j));
    fs.AddDir(L"C:\\Tree\\link\\beyond");
    fs.MarkLink(L"C:\\Tree\\link");
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    // A folder named again below a named one is walked once.
    EXPECT_EQ(Run(L"/MODE:0 /S /LOG:C:\\tree.log C:\\Tree C:\\Tree\\d1"), kExitAllDone);
    EXPECT_EQ(fs.Stored(L"C:\\Tree\\d39\\e29"), L"C:\\TREE\\D39\\E29");
    EXPECT_EQ(fs.Stored(L"C:\\Tree\\link\\beyond"), L"C:\\TREE\\LINK\\beyond");  // renamed, never entered
    const auto runs = ParseJournal(journalStore.bytes);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].folders.size(), 1242u);
    EXPECT_EQ(std::count(console.out.begin(), console.out.end(), L"全て終了しました"), 1);
    const std::string log = fs.written[L"C:\\tree.log"];
    EXPECT_EQ(static_cast<size_t>(std::count(log.begin(), log.end(), '\n')), console.out.size());

    // Stopped after two folders: their rows, the last renamed first, then a row for each folder left.
    console.out.clear();
    fs.moves = 0;
    fs.allowMove = [this](const std::wstring&, const std::wstring&) {
        stop = fs.moves == 4;
        return true;
    };
    EXPECT_EQ(Run(L"/UNDO /TSV"), kExitNotAll);
    ASSERT_EQ(console.out.size(), 1243u);
    EXPECT_EQ(console.out[1], L"UNDONE\tC:\\TREE\tC:\\Tree\t\t");
    EXPECT_EQ(console.out[2].rfind(L"UNDONE\t", 0), 0u);
    EXPECT_EQ(console.out[3].rfind(L"NOT_RUN\t", 0), 0u);
    EXPECT_NE(console.out[3].find(L"\t中断しました\t"), std::wstring::npos);
    fs.allowMove = nullptr;
    stop = false;
    console.out.clear();
    EXPECT_EQ(Run(L"/UNDO /TSV"), kExitAllDone);
    EXPECT_EQ(fs.Stored(L"C:\\TREE\\D39\\E29"), L"C:\\Tree\\d39\\e29");
    ASSERT_EQ(console.out.size(), 1241u);
    EXPECT_EQ(console.out.back(), L"UNDONE\tC:\\Tree\\d0\\E0\tC:\\Tree\\d0\\e0\t\t");
}

// Past the target list's 1000: a folder listed after the folder above it was
// renamed in an earlier batch is found under the new name; a folder whose
// subfolders cannot be read is renamed and counted as not done.
TEST_F(ScriptRunTest, ListsLongerThanABatchFollowTheirRenamedFolders) {
    std::string many = "C:\\Many\\p\r\n";
    for (int i = 0; i < 1001; ++i) {
        fs.AddDir(L"C:\\Many\\d" + std::to_wstring(i));
        many += "C:\\Many\\d" + std::to_string(i) + "\r\n";
    }
    fs.AddDir(L"C:\\Many\\p\\c");
    fs.WriteFileBytes(L"C:\\many.txt", many + "C:\\Many\\p\\c\r\n");
    // Full-width: a look-up of the old spelling, which ignores case, finds nothing.
    EXPECT_EQ(Run(L"/MODE:5 @C:\\many.txt"), kExitAllDone);
    EXPECT_EQ(fs.Stored(L"C:\\Many\\ｐ\\ｃ"), L"C:\\Many\\ｐ\\ｃ");
    EXPECT_EQ(fs.Stored(L"C:\\Many\\ｄ１０００"), L"C:\\Many\\ｄ１０００");

    fs.AddDir(L"C:\\Many\\D7");
    fs.unlistable.insert(L"C:\\Many\\D7");
    console.out.clear();
    EXPECT_EQ(Run(L"/MODE:2 /S C:\\Many\\D7"), kExitNotAll);
    EXPECT_EQ(fs.Stored(L"C:\\Many\\D7"), L"C:\\Many\\d7");
    EXPECT_EQ(console.out[1], L"\u3000下のフォルダを読めませんでした");
}

// Ctrl+C part way through a walk and through a list of several batches: /TSV
// names the trees and folders the stop left out, without walking on, and
// /RESUME finishes each run as it was asked (hidden folders with /A), each
// folder renamed once, after which there is nothing more to finish.
TEST_F(ScriptRunTest, StoppedWalksAndBatchesAreToldAndFinished) {
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 30; ++j) fs.AddDir(L"C:\\Tree\\d" + std::to_wstring(i) + L"\\e" + std::to_wstring(j));
    fs.AddDir(L"C:\\Tree\\hid\\x");
    fs.MarkHidden(L"C:\\Tree\\hid");
    fs.AddDir(L"C:\\Other\\y");
    std::string list;
    for (int i = 0; i < 1500; ++i) {
        fs.AddDir(L"C:\\Many\\m" + std::to_wstring(i));
        list += "C:\\Many\\m" + std::to_string(i) + "\r\n";
    }
    fs.WriteFileBytes(L"C:\\many.txt", list);
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    auto stopAfter = [&](int folders) {  // two moves a folder: old, temporary, new
        fs.moves = 0;
        stop = false;
        fs.allowMove = [this, folders](const std::wstring&, const std::wstring&) {
            if (fs.moves == 2 * folders) stop = true;
            return true;
        };
    };
    auto renamedOnce = [&](size_t from) {
        std::set<std::wstring> renamed;
        size_t records = 0;
        const auto runs = ParseJournal(journalStore.bytes);
        for (size_t r = from; r < runs.size(); ++r)
            for (const auto& folder : runs[r].folders)
                if (folder.outcome == JournalOutcome::New) {
                    ++records;
                    renamed.insert(folder.newPath);
                }
        EXPECT_EQ(records, renamed.size());
        return records;
    };

    stopAfter(500);
    EXPECT_EQ(Run(L"/TSV /MODE:0 /S /A C:\\Tree C:\\Tree\\d1 C:\\Nowhere* C:\\Other"), kExitNotAll);
    ASSERT_EQ(console.out.size(), 1 + 1000 + 3u);  // the batch in hand, then what the stop left out
    EXPECT_EQ(console.out[500].rfind(L"RENAMED\t", 0), 0u);
    EXPECT_EQ(console.out[501].rfind(L"NOT_RUN\t", 0), 0u);
    EXPECT_EQ(Names(console.out.end() - 3, console.out.end()),
              (Names{L"NOT_RUN\tC:\\Tree\t\t中断しました\t", L"NOT_FOUND\tC:\\Nowhere*\t\t変更不可（フォルダなし）\t",
                     L"NOT_RUN\tC:\\Other\t\t中断しました\t"}));
    // The batch's 500 and the three left out, each tree at least one.
    EXPECT_NE(console.errors.at(console.errors.size() - 2).find(L"　未処理：503件以上"), std::wstring::npos);
    stopAfter(-1);
    EXPECT_EQ(Run(L"/RESUME"), kExitAllDone);
    EXPECT_EQ(fs.Stored(L"C:\\Tree\\hid\\x"), L"C:\\TREE\\HID\\X");
    EXPECT_EQ(fs.Stored(L"C:\\Other\\y"), L"C:\\OTHER\\Y");
    EXPECT_EQ(renamedOnce(0), 1200 + 40 + 3 + 2u);
    console.out.clear();
    EXPECT_EQ(Run(L"/RESUME"), kExitNotAll);
    EXPECT_EQ(console.out.front(), L"続きを実行する中断された実行がありません");

    const size_t runsBefore = ParseJournal(journalStore.bytes).size();
    stopAfter(1200);
    EXPECT_EQ(Run(L"/MODE:0 @C:\\many.txt"), kExitNotAll);
    EXPECT_EQ(fs.Stored(L"C:\\Many\\m1199"), L"C:\\Many\\M1199");
    EXPECT_EQ(fs.Stored(L"C:\\Many\\m1200"), L"C:\\Many\\m1200");
    EXPECT_NE(console.out.at(console.out.size() - 2).find(L"　未処理：300件"), std::wstring::npos);
    stopAfter(-1);
    console.out.clear();
    EXPECT_EQ(Run(L"/RESUME /TSV"), kExitAllDone);
    EXPECT_EQ(console.out.size(), 1 + 300u);  // numbered across the batches: from the first not reached
    EXPECT_EQ(console.out[1], L"RENAMED\tC:\\Many\\m1200\tC:\\Many\\M1200\t\t");
    EXPECT_EQ(renamedOnce(runsBefore), 1500u);
    EXPECT_EQ(Run(L"/RESUME"), kExitNotAll);
}

TEST(PlanLine, EveryStateHasItsOwnText) {
    std::set<std::wstring> texts;
    for (int state = 0; state <= static_cast<int>(PlanState::TooLong); ++state) {
        const std::wstring line = PlanLine({L"C:\\a", L"", static_cast<PlanState>(state), false});
        EXPECT_EQ(line.substr(line.find(L'\t')), L"\tC:\\a");
        texts.insert(line);
    }
    EXPECT_EQ(texts.size(), 9u);
    EXPECT_EQ(PlanLine({L"C:\\a\\b", L"C:\\A\\B", PlanState::Rename, true}),
              L"変更します\tC:\\a\\b\tC:\\A\\B\t上位フォルダの変更後");  // a note is a field of its own
    EXPECT_EQ(PlanLine({L"C:\\a\\B", L"C:\\a\\B", PlanState::InForm, true}),
              L"同一の為変更しません\tC:\\a\\B\t\t上位フォルダの変更後");
}

TEST_F(ScriptRunTest, NamesAsAScriptWritesThem) {
    for (const wchar_t* name : {L"C:\\Work\\2023-01", L"C:\\Work\\2023-12", L"C:\\Work\\2023-123", L"C:\\Old\\x"})
        fs.AddDir(name);
    fs.SetCurrentDir(L"C:\\Work\\my photos");
    fs.WriteFileBytes(L"C:\\Work\\list.txt", "..\\2023-??\r\n..\\2023-01\r\n");
    std::wstring error;
    const auto names = ExpandNames(fs,
                                   {L"..\\..\\Old\\.\\x", L"@..\\list.txt", L"..\\2023-??", L"C:\\Work\\*photo*",
                                    L"C:\\Work\\none?", L"C:\\W*\\x", L"c:..\\2023-12", L"D:photos"},
                                   error);
    EXPECT_EQ(error, L"");
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names[0].paths, Names{L"C:\\Old\\x"});
    // A list's line is taken literally: its "?" is what a code page wrote for a character it lacks.
    EXPECT_EQ(names[1].paths, Names{});
    EXPECT_EQ(names[1].fault, NameFault::ListWildcard);
    EXPECT_EQ(names[1].given, L"C:\\Work\\2023-??");
    EXPECT_EQ(names[2].paths, Names{L"C:\\Work\\2023-01"});
    EXPECT_EQ(names[3].paths, (Names{L"C:\\Work\\2023-01", L"C:\\Work\\2023-12"}));  // in name order
    EXPECT_EQ(names[4].paths, Names{L"C:\\Work\\my photos"});
    EXPECT_EQ(names[5].paths, Names{});  // reported as not found by the run
    EXPECT_EQ(names[5].fault, NameFault::None);
    EXPECT_EQ(names[6].fault, NameFault::WildcardNotLast);
    // A drive-relative name: from the current folder on its drive, from the root on another.
    EXPECT_EQ(names[7].paths, Names{L"C:\\Work\\2023-12"});
    EXPECT_EQ(names[8].paths, Names{L"D:\\photos"});
    EXPECT_TRUE(WildcardMatch(L"a*b?c", L"AxxBzc"));
    EXPECT_FALSE(WildcardMatch(L"a*b?c", L"abc"));
}

TEST_F(ScriptRunTest, TsvCodesTellWhatTheRunDid) {
    fs.AddDir(L"C:\\Work\\GUIDE");
    fs.AddDir(L"C:\\Work\\locked");
    fs.allowMove = [](const std::wstring& from, const std::wstring&) { return from != L"C:\\Work\\locked"; };
    EXPECT_EQ(Run(L"/TSV /MODE:0 C:\\Work\\GUIDE C:\\Work\\gone C:\\Work\\locked \"C:\\Work\\my photos\""),
              kExitNotAll);
    ASSERT_EQ(console.out.size(), 5u);
    EXPECT_EQ(console.out[0], L"code\tpath\tnew_path\treason\tnote");
    EXPECT_EQ(console.out[1], L"SAME\tC:\\Work\\GUIDE\tC:\\Work\\GUIDE\t同一の為変更しません\t");
    EXPECT_EQ(console.out[2], L"NOT_FOUND\tC:\\Work\\gone\t\t変更不可（フォルダなし）\t");
    EXPECT_EQ(console.out[3].rfind(L"FAILED\tC:\\Work\\locked\tC:\\Work\\LOCKED\tフォルダ名を", 0),
              0u);  // the history's reason
    EXPECT_EQ(console.out[4], L"RENAMED\tC:\\Work\\my photos\tC:\\Work\\MY PHOTOS\t\t");
    EXPECT_EQ(console.errors, (Names{L"結果　変更：1件　同一：1件　変更できず：2件", L"全て終了しました"}));
    console.out.clear();
    EXPECT_EQ(Run(L"/TSV /DRYRUN /MODE:0 C:\\Work\\nowhere? C:\\Work\\GUIDE C:\\Work\\gone"), kExitNotAll);
    EXPECT_EQ(console.out, (Names{L"code\tpath\tnew_path\treason\tnote",
                                  L"NOT_FOUND\tC:\\Work\\nowhere?\t\t変更不可（フォルダなし）\t",
                                  L"SAME\tC:\\Work\\GUIDE\tC:\\Work\\GUIDE\t同一の為変更しません\t",
                                  L"NOT_FOUND\tC:\\Work\\gone\t\t変更不可（フォルダなし）\t"}));
    console.out.clear();
    stop = true;
    for (const wchar_t* line : {L"/TSV /MODE:2 C:\\Work\\GUIDE", L"/TSV /DRYRUN /MODE:2 C:\\Work\\GUIDE"}) {
        console.errors.clear();
        EXPECT_EQ(Run(line), kExitNotAll) << line;
        EXPECT_EQ(console.out.back(), L"NOT_RUN\tC:\\Work\\GUIDE\t\t中断しました\t") << line;
        EXPECT_EQ(console.errors.back(), L"中断しました") << line;
    }
}

// One /TSV line per name, in the order given, so that a script pairs them:
// a folder named again has a line of its own (with /S also one below another
// name), an unmatched pattern its absolute form, a wildcard before the last
// component and a list's line holding one a reason of their own.
TEST_F(ScriptRunTest, TsvHasOneLinePerNameGiven) {
    fs.SetCurrentDir(L"C:\\Work");
    fs.WriteFileBytes(L"C:\\list.txt", "C:\\Work\\my photos\r\nC:\\Work\\\xEF\xBD\xB6?\r\n");
    EXPECT_EQ(Run(L"/TSV /DRYRUN /MODE:0 \"my photos\" nothing* C:\\W*\\x @C:\\list.txt \"c:\\work\\MY PHOTOS\""),
              kExitNotAll);
    EXPECT_EQ(
        console.out,
        (Names{L"code\tpath\tnew_path\treason\tnote", L"RENAME\tC:\\Work\\my photos\tC:\\Work\\MY PHOTOS\t変更します\t",
               L"NOT_FOUND\tC:\\Work\\nothing*\t\t変更不可（フォルダなし）\t",
               L"BAD_NAME\tC:\\W*\\x\t\t変更不可（ワイルドカードは最後の部分だけ）\t",
               L"DUPLICATE\tC:\\Work\\my photos\t\t前に指定したフォルダと同じ為、一度だけ処理します\t",
               L"BAD_NAME\tC:\\Work\\ｶ?\t\t変更不可（リストの名前に * や ?）\t",
               L"DUPLICATE\tC:\\Work\\my photos\t\t前に指定したフォルダと同じ為、一度だけ処理します\t"}));
    console.out.clear();
    EXPECT_EQ(Run(L"/TSV /DRYRUN /S /MODE:0 C:\\Work C:\\Work\\ｶﾞｲﾄﾞ C:\\Work"), kExitAllDone);
    EXPECT_EQ(
        Names(console.out.end() - 2, console.out.end()),
        (Names{L"DUPLICATE\tC:\\Work\\ｶﾞｲﾄﾞ\t\t指定したほかのフォルダの下にある為、そのフォルダと一緒に処理します\t",
               L"DUPLICATE\tC:\\Work\t\t前に指定したフォルダと同じ為、一度だけ処理します\t"}));
}

// The plain output keeps the order of the names: a missing folder is told in
// its place, in a dry run with the fields of the other verdicts. With /TSV
// and nothing to take back, stderr says why.
TEST_F(ScriptRunTest, PlainOutputKeepsTheOrderOfTheNames) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    EXPECT_EQ(Run(L"/DRYRUN /MODE:0 \"C:\\Work\\my photos\" C:\\Work\\gone C:\\Work\\ｶﾞｲﾄﾞ"), kExitNotAll);
    EXPECT_EQ(console.out, (Names{L"変更します\tC:\\Work\\my photos\tC:\\Work\\MY PHOTOS",
                                  L"変更不可（フォルダなし）\tC:\\Work\\gone", L"同一の為変更しません\tC:\\Work\\ｶﾞｲﾄﾞ",
                                  L"予定を表示しました（何も変更していません）"}));
    console.out.clear();
    EXPECT_EQ(Run(L"/MODE:0 \"C:\\Work\\my photos\" C:\\Work\\gone"), kExitNotAll);
    EXPECT_EQ(console.out.at(4), L"フォルダが見つかりません: C:\\Work\\gone");
    console.out.clear();
    EXPECT_EQ(Run(L"/UNDO /TSV"), kExitAllDone);
    EXPECT_EQ(Run(L"/UNDO /TSV"), kExitNotAll);
    EXPECT_EQ(console.out,
              (Names{L"code\tpath\tnew_path\treason\tnote", L"UNDONE\tC:\\Work\\MY PHOTOS\tC:\\Work\\my photos\t\t",
                     L"code\tpath\tnew_path\treason\tnote"}));
    EXPECT_EQ(Names(console.errors.end() - 2, console.errors.end()),
              (Names{L"元に戻す変更がありません", L"全て終了しました"}));
}

// A command line's history names each folder by its whole path, in the log
// too (the window's history shortens a long one): for a run and its undo.
TEST_F(ScriptRunTest, TheLogNamesEveryFolderByItsWholePath) {
    const std::wstring deep = L"C:\\Work\\a\\b\\c\\deep";
    fs.AddDir(deep);
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    EXPECT_EQ(Run(L"/MODE:0 /LOG:C:\\run.log " + deep), kExitAllDone);
    EXPECT_EQ(console.out.front(), L"[ " + deep + L" ]");
    EXPECT_EQ(fs.written[L"C:\\run.log"].rfind("[ C:\\Work\\a\\b\\c\\deep ]\r\n", 0), 0u);
    console.out.clear();
    EXPECT_EQ(Run(L"/UNDO"), kExitAllDone);
    EXPECT_EQ(console.out.at(1), L"[ C:\\Work\\a\\b\\c\\DEEP ]");
}

// A drive without short names and a name too long have codes and notes of their own.
TEST_F(ScriptRunTest, TsvTellsNoShortNameAndTheLimitATooLongNamePasses) {
    const std::wstring longName = L"C:\\Work\\" + std::wstring(81, L'b');
    fs.AddDir(longName);
    fs.utf8Names = true;
    EXPECT_EQ(Run(L"/TSV /DRYRUN /MODE:3 \"C:\\Work\\my photos\""), kExitNotAll);
    EXPECT_EQ(console.out.back(), L"NO_SHORT\tC:\\Work\\my photos\t\t短い名前が無い為変更しません\t");
    console.out.clear();
    EXPECT_EQ(Run(L"/TSV /DRYRUN /MODE:5 " + longName), kExitNotAll);
    EXPECT_EQ(
        console.out.back(),
        L"TOO_LONG\t" + longName + L"\tC:\\Work\\" + std::wstring(81, L'ｂ') +
            L"\t変更不可（パスが長すぎる）\t一時的な名前を付けると２５５バイトを超えます（Linux のファイルシステム）");
}

TEST_F(ScriptRunTest, CtrlCStopsBeforeTheNextFolder) {
    stop = true;
    EXPECT_EQ(Run(L"/MODE:5 C:\\Work\\ｶﾞｲﾄﾞ"), kExitNotAll);
    EXPECT_EQ(fs.Stored(L"C:\\Work\\ｶﾞｲﾄﾞ"), L"C:\\Work\\ｶﾞｲﾄﾞ");
    EXPECT_EQ(console.out, (Names{L"結果　変更：0件　同一：0件　変更できず：0件　未処理：1件", L"中断しました"}));
}

}  // namespace
}  // namespace kelvaro
