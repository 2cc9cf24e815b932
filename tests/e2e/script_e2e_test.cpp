// The program started by scripts: the switches, the console output, the exit
// codes, with stdout and stderr redirected to files as cmd does for "> out.txt".
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "fakes/redirected_process.h"
#include "fakes/temp_dir.h"
#include "platform/registry_store.h"
#include "engine/journal.h"
#include "engine/rename_dir.h"
#include "settings/app_settings.h"

namespace kelvaro {
namespace {

using testing::TempDir;

std::wstring BesideTests(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    std::wstring out, err;  // decoded from code page 932
    std::string outBytes;   // as written
};

// Starts `exe` with the exact command line and its standard output and error
// going to files, and waits for it to end.
Outcome RunRedirected(const std::wstring& exe,
                      const std::wstring& arguments,
                      const std::wstring& scratch,
                      const wchar_t* currentDir = nullptr,
                      DWORD waitMs = 60000) {
    // Files of their own for each run: under Wine a program that has just
    // ended (or what it left running) can hold the last run's files a while.
    static int runs = 0;
    const std::wstring number = std::to_wstring(++runs);
    const std::wstring outName = scratch + L"\\out" + number + L".txt", errName = scratch + L"\\err" + number + L".txt";
    PROCESS_INFORMATION info{};
    Outcome outcome;
    if (testing::Isolated() && testing::StartRedirected(exe, arguments, outName, info, errName, currentDir)) {
        if (WaitForSingleObject(info.hProcess, waitMs) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
        GetExitCodeProcess(info.hProcess, &outcome.exitCode);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    outcome.outBytes = ReadAll(outName);
    outcome.out = testing::FromCodePage932(outcome.outBytes);
    outcome.err = testing::FromCodePage932(ReadAll(errName));
    return outcome;
}

class ScriptEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        Put(L"Auto", L"False");
        Put(L"AutoExe", L"0");
        Put(L"AutoLog", L"False");
    }
    void TearDown() override { ClearSettings(); }
    void ClearSettings() { store.StoreDelete(kAppName, L""); }
    void Put(const std::wstring& key, const std::wstring& value) {
        store.StoreWrite(kAppName, kSectionName, key, value);
    }
    Outcome Run(const std::wstring& arguments, const wchar_t* exe = L"Kelvaro2.exe", const wchar_t* cwd = nullptr) {
        return RunRedirected(BesideTests(exe), arguments, scratch.Path(), cwd);
    }
    // Scripts go through the console companion, as cmd and PowerShell start it.
    Outcome Com(const std::wstring& arguments, const wchar_t* cwd = nullptr) {
        return Run(arguments, L"Kelvaro2.com", cwd);
    }

    testing::IsolatedLocations isolated;
    RegistryStore& store = isolated.store;
    TempDir dir;      // the folders renamed
    TempDir scratch;  // the captured output
};

TEST_F(ScriptEndToEnd, ModeRenamesANameWithABlankAndPrintsTheHistory) {
    const std::wstring spaced = dir.MakeDir(L"my photos");
    const std::wstring log = scratch.Path() + L"\\run log.txt";
    Outcome run = Run(L"/MODE:5 /LOG:\"" + log + L"\" \"" + spaced + L"\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(dir.Listing(), L"ｍｙ　ｐｈｏｔｏｓ");
    EXPECT_EQ(run.out, L"[ " + spaced +
                           L" ]\r\n　フォルダ名を\r\n　[ ｍｙ　ｐｈｏｔｏｓ ]\r\n　に変更しました\r\n"
                           L"結果　変更：1件　同一：0件　変更できず：0件\r\n全て終了しました\r\n");
    EXPECT_EQ(run.err, L"");
    EXPECT_EQ(testing::FromCodePage932(ReadAll(log)), run.out);

    // The console companion runs the same code; a folder not found gives 1.
    run = Run(L"/mode:6 \"" + dir.Path() + L"\\ｍｙ　ｐｈｏｔｏｓ\" " + dir.Path() + L"\\nowhere", L"Kelvaro2.com");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(dir.Listing(), L"my photos");
    // The missing folder is told in its place, after the one named before it.
    EXPECT_NE(run.out.find(L"に変更しました\r\nフォルダが見つかりません: " + dir.Path() + L"\\nowhere\r\n結果"),
              std::wstring::npos)
        << run.out;
}

TEST_F(ScriptEndToEnd, DryRunTouchesNothingAndPrintsOneVerdictPerFolder) {
    dir.MakeDir(L"alpha");
    dir.MakeDir(L"BETA");
    dir.MakeDir(L"a long name");
    const Outcome run = Run(L"/DRYRUN /MODE:1 " + dir.Path() + L"\\alpha " + dir.Path() + L"\\BETA \"" + dir.Path() +
                            L"\\a long name\"");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(dir.Listing(), L"BETA|a long name|alpha");
    EXPECT_EQ(run.out, L"変更します\t" + dir.Path() + L"\\alpha\t" + dir.Path() + L"\\ALPHA\r\n同一の為変更しません\t" +
                           dir.Path() + L"\\BETA\r\nＬＦＮの為変更しません\t" + dir.Path() +
                           L"\\a long name\r\n予定を表示しました（何も変更していません）\r\n");
}

// Windows' own folders are walked into but never planned for a rename: the
// prefix's profile, whose known folders Favorites, Links, Contacts, Saved
// Games and Searches are real folders (Desktop, Documents... lead to the
// Linux home). A dry run only: nothing there is renamed.
TEST_F(ScriptEndToEnd, ADryRunOverTheProfilePlansNoKnownFolderForARename) {
    wchar_t* found = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &found)));
    const std::wstring profile = found;
    CoTaskMemFree(found);
    const Outcome run = Com(L"/DRYRUN /S /TSV /MODE:5 \"" + profile + L"\"");
    EXPECT_NE(run.err.find(L"予定を表示しました（何も変更していません）"), std::wstring::npos) << run.err;
    for (const wchar_t* name : {L"", L"\\Favorites", L"\\Links", L"\\Contacts", L"\\Saved Games", L"\\Searches",
                                L"\\Documents", L"\\AppData", L"\\AppData\\Roaming", L"\\AppData\\Local"}) {
        const std::wstring line =
            L"\r\nWINDOWS_FOLDER\t" + profile + name + L"\t\t変更不可（Windows のフォルダ）\t\r\n";
        EXPECT_NE(run.out.find(line), std::wstring::npos) << profile + name;
        EXPECT_EQ(run.out.find(L"RENAME\t" + profile + name + L"\t"), std::wstring::npos) << profile + name;
    }
}

TEST_F(ScriptEndToEnd, AListOfAThousandLongPathsRenamesAll) {
    std::string list;
    std::wstring expected;
    const size_t nameLength = 60 - dir.Path().size() - 1;
    for (int i = 0; i < 1000; ++i) {
        std::wstring name = L"f" + std::to_wstring(1000 + i);
        name.resize(nameLength, L'x');
        const std::wstring path = dir.MakeDir(name);
        ASSERT_EQ(path.size(), 60u);
        list += std::string(path.begin(), path.end()) + "\r\n";
        CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        expected += (i ? L"|" : L"") + name;
    }
    const std::wstring listFile = scratch.Path() + L"\\list.txt";
    HANDLE file = CreateFileW(listFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, list.data(), static_cast<DWORD>(list.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_GT(list.size(), 32767u);  // beyond any command line

    const Outcome run = Run(L"/MODE:0 \"@" + listFile + L"\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(dir.Listing(), expected);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), L'\n'), 4002);  // four lines a folder, the counts, the end
    EXPECT_NE(run.out.find(L"\r\n結果　変更：1000件　同一：0件　変更できず：0件\r\n全て終了しました\r\n"),
              std::wstring::npos);
}

TEST_F(ScriptEndToEnd, BadUsageExitsTwoAndTouchesNothing) {
    dir.MakeDir(L"keep");
    const std::wstring keep = dir.Path() + L"\\keep";
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"/MODE:0 /BOGUS " + keep, L"不明なスイッチです: /BOGUS\r\n使い方は Kelvaro2 /? で表示します"},
        {L"/MODE:8 " + keep,
         L"モードは /MODE:0 ～ /MODE:7 で指定してください: /MODE:8\r\n使い方は Kelvaro2 /? で表示します"},
        {L"/MODE:0 " + keep + L" @" + dir.Path() + L"\\missing.txt",
         L"リストファイルを読めません: " + dir.Path() + L"\\missing.txt\r\n使い方は Kelvaro2 /? で表示します"},
        {L"/U " + keep, L"/U はほかの指定と一緒に使えません\r\n使い方は Kelvaro2 /? で表示します"},
    };
    for (const auto& [arguments, error] : cases) {
        const Outcome run = Run(arguments);
        EXPECT_EQ(run.exitCode, 2u) << arguments;
        EXPECT_EQ(run.err, error + L"\r\n") << arguments;
        EXPECT_EQ(run.out, L"") << arguments;
    }
    EXPECT_EQ(dir.Listing(), L"keep");
}

TEST_F(ScriptEndToEnd, AMistypedSwitchIsNeverAFolderNameEvenWithTheAutomaticRunOn) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    const std::wstring keep = dir.MakeDir(L"keep");
    const std::pair<std::wstring, std::wstring> mistyped[] = {
        {L"/MODE 6 ", L"スイッチと値の間は空白ではなく : です。次のように書いてください: /MODE:6"},
        {L"/MOD:2 ", L"不明なスイッチです: /MOD:2"},
        {L"/DRY /MODE=2 ", L"不明なスイッチです: /DRY"},
        {L"-MODE:2 ", L"不明なスイッチです: -MODE:2"}};
    for (const auto& [switches, complaint] : mistyped) {
        const Outcome run = Run(switches + keep, L"Kelvaro2.com");
        EXPECT_EQ(run.exitCode, 2u) << switches;
        EXPECT_EQ(run.err, complaint + L"\r\n使い方は Kelvaro2 /? で表示します\r\n") << switches;
        EXPECT_EQ(run.out, L"") << switches;
    }
    // The usual ways of asking for help show the usage and touch nothing.
    for (const wchar_t* help : {L"/h ", L"/help ", L"--help ", L"-? "}) {
        const Outcome run = Run(help + keep, L"Kelvaro2.com");
        EXPECT_EQ(run.exitCode, 0u) << help;
        EXPECT_EQ(run.out.substr(0, 4), L"使い方:") << help;
        EXPECT_EQ(run.err, L"") << help;
    }
    EXPECT_EQ(dir.Listing(), L"keep");
}

// /TSV: a header, then one line per folder in the order named, with a fixed
// code; relative names and patterns resolve in the current folder; notes are
// fields, also in the plain dry run.
TEST_F(ScriptEndToEnd, TsvTellsEachFolderInFieldsAProgramCanRead) {
    const std::wstring d = dir.Path();
    for (const wchar_t* name : {L"day1", L"day2", L"DAY3", L"top", L"top\\inner", L"other"}) dir.MakeDir(name);
    Outcome run = Com(L"/DRYRUN /MODE:0 top top\\inner", d.c_str());
    EXPECT_EQ(run.out, L"変更します\t" + d + L"\\top\t" + d + L"\\TOP\r\n変更します\t" + d + L"\\top\\inner\t" + d +
                           L"\\TOP\\INNER\t上位フォルダの変更後\r\n予定を表示しました（何も変更していません）\r\n");

    run = Com(L"/TSV /MODE:0 day? nothing* ..\\" + d.substr(d.rfind(L'\\') + 1) + L"\\other", d.c_str());
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.out,
              L"code\tpath\tnew_path\treason\tnote\r\n"
              L"RENAMED\t" +
                  d + L"\\day1\t" + d +
                  L"\\DAY1\t\t\r\n"
                  L"RENAMED\t" +
                  d + L"\\day2\t" + d +
                  L"\\DAY2\t\t\r\n"
                  L"SAME\t" +
                  d + L"\\DAY3\t" + d +
                  L"\\DAY3\t同一の為変更しません\t\r\n"
                  L"NOT_FOUND\t" +
                  d +
                  L"\\nothing*\t\t変更不可（フォルダなし）\t\r\n"
                  L"RENAMED\t" +
                  d + L"\\other\t" + d + L"\\OTHER\t\t\r\n");
    // The counts and the closing line are no folder's.
    EXPECT_EQ(run.err, L"結果　変更：3件　同一：1件　変更できず：1件\r\n全て終了しました\r\n");
    EXPECT_EQ(dir.Listing(), L"DAY1|DAY2|DAY3|OTHER|top");

    // The usage tells the whole command line.
    run = Com(L"/?");
    for (const wchar_t* part : {L"/UNDO", L"/TSV", L"/UTF8", L"/CLIP", L"/U ", L"KELVARO2.html", L"終了コード"})
        EXPECT_NE(run.out.find(part), std::wstring::npos) << part;
}

// Without /UTF8 no character turns into a look-alike; with it every name is kept.
TEST_F(ScriptEndToEnd, NoNameChangesOnTheWayOut) {
    const std::wstring cafe = dir.MakeDir(L"Caf\u00e9"), kanji = dir.MakeDir(L"\U00020BB7野家");
    const std::wstring log = scratch.Path() + L"\\u.log";
    Outcome run = Com(L"/DRYRUN /MODE:0 " + cafe + L" " + kanji);
    EXPECT_NE(run.out.find(dir.Path() + L"\\CAF?"), std::wstring::npos) << run.out;
    EXPECT_EQ(run.out.find(L"\\CAFE"), std::wstring::npos);
    run = Com(L"/DRYRUN /UTF8 /LOG:" + log + L" /MODE:0 " + cafe + L" " + kanji);
    const std::string utf8 = "\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6", cafeUpper = "CAF\xC3\x89";
    EXPECT_NE(run.outBytes.find(cafeUpper), std::string::npos);
    EXPECT_NE(run.outBytes.find(utf8), std::string::npos);
    const std::string logBytes = ReadAll(log);
    EXPECT_EQ(logBytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(logBytes.find(utf8), std::string::npos);
}

// /UNDO reports like a run; the clipboard changes only with /CLIP.
TEST_F(ScriptEndToEnd, UndoReportsLikeARunAndScriptsLeaveTheClipboardAlone) {
    Put(L"AutoLog", L"True");
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    testing::SetClipboardSentinel(owner);
    const std::wstring folder = dir.MakeDir(L"undo me");
    Outcome run = Com(L"/MODE:0 \"" + folder + L"\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(testing::ClipboardText(), L"sentinel");
    const std::wstring log = scratch.Path() + L"\\undo.log";
    run = Com(L"/UNDO /TSV /CLIP /LOG:" + log);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.out,
              L"code\tpath\tnew_path\treason\tnote\r\nUNDONE\t" + dir.Path() + L"\\UNDO ME\t" + folder + L"\t\t\r\n");
    EXPECT_EQ(dir.Listing(), L"undo me");
    EXPECT_NE(testing::ClipboardText().find(L"[ " + dir.Path() + L"\\UNDO ME ]"), std::wstring::npos);
    EXPECT_NE(testing::FromCodePage932(ReadAll(log)).find(L"[ " + dir.Path() + L"\\UNDO ME ]"), std::wstring::npos);
    run = Com(L"/UNDO");
    EXPECT_EQ(run.exitCode, 1u);  // nothing left to take back
    EXPECT_NE(run.out, L"");
    DestroyWindow(owner);
}

// What a killed run left is put right and told on stderr and under its own
// heading in the log; a line with bad usage touches nothing, not even that.
TEST_F(ScriptEndToEnd, RecoveryIsToldApartAndBadUsageComesFirst) {
    const std::wstring left = dir.MakeDir(L"left"), other = dir.MakeDir(L"other");
    ASSERT_TRUE(MoveFileW(left.c_str(), (left + kTempSuffix).c_str()));
    const std::wstring& journal = isolated.locations.journalFile;  // the started program's
    CreateDirectoryW(journal.substr(0, journal.rfind(L'\\')).c_str(), nullptr);
    const std::string cut = RunRecord("cutshort", RunKind::Run, {9, 1}, "") +
                            FolderRecord("cutshort", 1, left, left + kTempSuffix, dir.Path() + L"\\LEFT");
    HANDLE file = CreateFileW(journal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, cut.data(), static_cast<DWORD>(cut.size()), &written, nullptr);
    CloseHandle(file);

    const std::wstring empty = scratch.Path() + L"\\empty.txt";
    CloseHandle(CreateFileW(empty.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::pair<std::wstring, std::wstring> bad[] = {
        {L"/MODE:0 /LOG:" + journal + L" " + other, L"プログラムが使うファイルにはログを書けません: " + journal},
        {L"/MODE:0 @" + empty, L"リストファイルにフォルダ名がありません: " + empty},
    };
    for (const auto& [arguments, error] : bad) {
        const Outcome run = Com(arguments);
        EXPECT_EQ(run.exitCode, 2u) << arguments;
        EXPECT_EQ(run.err, error + L"\r\n使い方は Kelvaro2 /? で表示します\r\n") << arguments;
    }
    EXPECT_EQ(ReadAll(journal), cut);  // not replaced by a log, and recovery has not run
    EXPECT_EQ(dir.Listing(), L"left" + std::wstring(kTempSuffix) + L"|other");

    const std::wstring log = scratch.Path() + L"\\run.log";
    const Outcome run = Com(L"/TSV /MODE:0 /LOG:" + log + L" " + other);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(dir.Listing(), L"OTHER|left");
    EXPECT_EQ(run.out,
              L"code\tpath\tnew_path\treason\tnote\r\nRENAMED\t" + other + L"\t" + dir.Path() + L"\\OTHER\t\t\r\n");
    EXPECT_NE(run.err.find(L"left"), std::wstring::npos) << run.err;
    const std::wstring logText = testing::FromCodePage932(ReadAll(log));
    EXPECT_EQ(logText.find(L"―― 以前の実行の後始末 ――\r\n"), 0u) << logText;
    EXPECT_NE(logText.find(L"―― 今回の実行 ――\r\n[ " + other + L" ]"), std::wstring::npos) << logText;
}

// A wildcard leaves out what /S leaves out, hidden and system folders, unless /A is given too.
TEST_F(ScriptEndToEnd, AWildcardTakesHiddenAndSystemFoldersOnlyWithA) {
    for (const wchar_t* name : {L"a", L"b", L"h", L"s"}) dir.MakeDir(name);
    ASSERT_TRUE(SetFileAttributesW((dir.Path() + L"\\h").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW((dir.Path() + L"\\s").c_str(), FILE_ATTRIBUTE_SYSTEM));
    Outcome run = Com(L"/MODE:0 " + dir.Path() + L"\\*");
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_EQ(dir.Listing(), L"A|B|h|s");
    run = Com(L"/MODE:0 /A " + dir.Path() + L"\\*");
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_EQ(dir.Listing(), L"A|B|H|S");
}

// A list file's names are taken literally: the "?" that code page 932 wrote
// for "é" is no wildcard, and "Cafe" beside "Café" stays as it is.
TEST_F(ScriptEndToEnd, AListWrittenInCodePage932NeverRenamesALookAlike) {
    const std::wstring cafe = dir.MakeDir(L"Caf\u00e9");
    dir.MakeDir(L"Cafe");
    const std::string tsv = Com(L"/DRYRUN /TSV /MODE:0 " + cafe).outBytes;
    // The path field of the folder's line, as a script cuts it out.
    const size_t path = tsv.find('\t', tsv.find("\r\n")) + 1;
    const std::string list = tsv.substr(path, tsv.find('\t', path) - path) + "\r\n";
    ASSERT_EQ(list, std::string(dir.Path().begin(), dir.Path().end()) + "\\Caf?\r\n");
    testing::WriteWhole(scratch.Path() + L"\\list.txt", list);

    const Outcome run = Com(L"/TSV /MODE:0 @" + scratch.Path() + L"\\list.txt");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.out, L"code\tpath\tnew_path\treason\tnote\r\nBAD_NAME\t" + dir.Path() +
                           L"\\Caf?\t\t変更不可（リストの名前に * や ?）\t\r\n");
    EXPECT_EQ(dir.Listing(), L"Cafe|Caf\u00e9");
}

TEST_F(ScriptEndToEnd, WithoutSwitchesTheAutomaticRunIsAsBefore) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    dir.MakeDir(L"old way");
    const Outcome run = Run(L"\"" + dir.Path() + L"\\old way\" /DRYRUN");  // a switch after a name is just a name
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(dir.Listing(), L"OLD WAY");
    EXPECT_EQ(run.out, L"");
}

// Every folder below `root` (paths relative to it); what the listing marks as
// a link is collected, not entered.
void ListTree(const std::wstring& root,
              const std::wstring& relative,
              std::vector<std::wstring>& found,
              std::vector<std::wstring>& links) {
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileExW((root + relative + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchLimitToDirectories, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
        const std::wstring path = relative + L"\\" + name;
        found.push_back(path);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            links.push_back(path);
        else
            ListTree(root, path, found, links);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

// A whole tree of 20,000 folders in one command, and back with /UNDO. A Linux
// symbolic link inside it, which Wine shows as a reparse point without a tag,
// leads to a folder outside the tree: it is never entered. (Windows renames a
// link itself; Wine 8 would move the folder it leads to instead, so there the
// link is reported as not renamed, and nothing outside the tree moves.)
// A suite of its own, so that CTest gives it a time of its own.
class ArchiveEndToEnd : public ScriptEndToEnd {};

// Removes the links at these paths through the Linux tools (under Wine a
// Windows call reaches the folder a link leads to), also after a failure.
struct LinuxLinks {
    std::vector<std::wstring> paths;
    ~LinuxLinks() {
        for (const auto& path : paths) {
            const std::wstring linuxPath = testing::UnixPath(path);
            if (!linuxPath.empty()) testing::StartLinuxTool(L"Z:\\bin\\rm", L"rm -f \"" + linuxPath + L"\"");
            for (int i = 0; i < 250 && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
        }
    }
};

TEST_F(ArchiveEndToEnd, ATreeOfTwentyThousandFoldersInOneCommand) {
    const std::wstring root = dir.MakeDir(L"archive");
    for (int i = 0; i < 20; ++i) {
        const std::wstring top = root + L"\\t" + std::to_wstring(i);
        CreateDirectoryW(top.c_str(), nullptr);
        for (int j = 0; j < 20; ++j) {
            const std::wstring mid = top + L"\\m" + std::to_wstring(j);
            CreateDirectoryW(mid.c_str(), nullptr);
            for (int k = 0; k < 49; ++k) CreateDirectoryW((mid + L"\\f" + std::to_wstring(k)).c_str(), nullptr);
        }
    }
    // t0\m0\link leads to a folder beside the tree that has folders of its own.
    const std::wstring outside = dir.MakeDir(L"outside");
    dir.MakeDir(L"outside\\inner\\deep");
    dir.MakeDir(L"outside\\other");
    const std::wstring link = root + L"\\t0\\m0\\link";
    LinuxLinks made{{link, dir.Path() + L"\\ａｒｃｈｉｖｅ\\ｔ０\\ｍ０\\ｌｉｎｋ"}};
    testing::StartLinuxTool(L"Z:\\bin\\ln", L"ln -s \"" + testing::UnixPath(outside) + L"\" \"" +
                                                testing::UnixPath(root + L"\\t0\\m0") + L"/link\"");
    for (int i = 0; i < 250 && GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
    auto outsideTree = [&] {
        std::vector<std::wstring> found, none;
        ListTree(outside, L"", found, none);
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::wstring> outsideBefore = outsideTree();
    ASSERT_EQ(outsideBefore, (std::vector<std::wstring>{L"\\inner", L"\\inner\\deep", L"\\other"}));

    std::vector<std::wstring> before, links;
    ListTree(root, L"", before, links);
    ASSERT_EQ(links, std::vector<std::wstring>{L"\\t0\\m0\\link"}) << "Wine shows the link as a folder of its own";
    ASSERT_EQ(before.size(), 20021u);
    std::sort(before.begin(), before.end());

    const ULONGLONG start = GetTickCount64();
    const Outcome run =
        RunRedirected(BesideTests(L"Kelvaro2.com"), L"/MODE:5 /S " + root, scratch.Path(), nullptr, 600000);
    const ULONGLONG renamed = GetTickCount64();
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    EXPECT_NE(run.out.find(L"\\m0\\link ]\r\n　フォルダ名を変更できませんでした\r\n　要求はサポートされていません。"),
              std::wstring::npos);
    std::vector<std::wstring> after, linksAfter;
    ListTree(dir.Path() + L"\\ａｒｃｈｉｖｅ", L"", after, linksAfter);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(linksAfter, std::vector<std::wstring>{L"\\ｔ０\\ｍ０\\link"});
    EXPECT_EQ(outsideTree(), outsideBefore);  // nothing below the link's target, and it stays where it is
    EXPECT_EQ(dir.Listing(), L"outside|ａｒｃｈｉｖｅ");
    EXPECT_EQ(std::count_if(after.begin(), after.end(),
                            [](const std::wstring& path) {
                                return path.find_first_of(L"abcdefghijklmnopqrstuvwxyz0123456789") !=
                                       std::wstring::npos;
                            }),
              1);

    const Outcome undo = RunRedirected(BesideTests(L"Kelvaro2.com"), L"/UNDO", scratch.Path(), nullptr, 600000);
    EXPECT_EQ(undo.exitCode, 0u) << undo.err;
    std::vector<std::wstring> back, linksBack;
    ListTree(root, L"", back, linksBack);
    std::sort(back.begin(), back.end());
    EXPECT_EQ(back, before);
    EXPECT_EQ(linksBack, links);
    EXPECT_EQ(outsideTree(), outsideBefore);
    std::printf("[ archive ] 20,021 folders: /MODE:5 /S %.1f s, /UNDO %.1f s\n", (renamed - start) / 1000.0,
                (GetTickCount64() - renamed) / 1000.0);
}

}  // namespace
}  // namespace kelvaro
