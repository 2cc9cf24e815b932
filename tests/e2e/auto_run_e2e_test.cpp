// The real Kelvaro2.exe under Wine, with a prepared registry and real folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "e2e/e2e_support.h"

namespace kelvaro {
namespace {

using namespace testing;

TEST_F(EndToEnd, AutomaticRunRenamesWithoutAWindowAndCopiesTheHistory) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    const std::wstring spaced = dir.MakeDir(L"my photos");
    const std::wstring plain = dir.MakeDir(L"work");
    dir.MakeFile(L"notes.txt");
    Program program(L"\"" + spaced + L"\" " + plain + L" " + dir.Path() + L"\\notes.txt " + dir.Path() + L"\\*");
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.Ends(30000)) << "the automatic run showed a window or hung";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(dir.Listing(), L"MY PHOTOS|WORK|notes.txt");
    EXPECT_EQ(ClipboardText(), L"[ " + spaced + L" ]\r\n　フォルダ名を\r\n　[ MY PHOTOS ]\r\n　に変更しました\r\n[ " +
                                   plain +
                                   L" ]\r\n　フォルダ名を\r\n　[ WORK ]\r\n　に変更しました\r\n"
                                   L"結果　変更：2件　同一：0件　変更できず：0件\r\n全て終了しました\r\n");
    EXPECT_EQ(Get(kAppName, L"Version"), L"<absent>");  // an automatic run saves nothing
}

TEST_F(EndToEnd, AutomaticRunWithoutLogLeavesTheClipboardAlone) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"5");
    Put(L"AutoLog", L"False");
    dir.MakeDir(L"ｶﾞｲﾄﾞ");
    Program program(L"\"" + dir.Path() + L"\\ｶﾞｲﾄﾞ\"");
    ASSERT_TRUE(program.Ends(30000));
    EXPECT_EQ(dir.Listing(), L"ガイド");
    EXPECT_EQ(ClipboardText(), L"sentinel");
}

// With "実行前に確認する" on, the "Send to" run shows its preview alone;
// キャンセル ends the program with nothing renamed and nothing copied.
TEST_F(EndToEnd, AutomaticRunWithConfirmationShowsThePreviewAlone) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    Put(L"Confirm", L"True");
    const std::wstring work = dir.MakeDir(L"work");
    Program program(work);
    const HWND preview = program.FindWindowOfClass(L"#32770", 30000);
    ASSERT_NE(preview, nullptr) << "no preview";
    EXPECT_EQ(WindowText(preview), L"変更内容の確認");
    EXPECT_EQ(program.FindWindowOfClass(L"Kelvaro2Frame", 0), nullptr);
    PostMessageW(GetDlgItem(preview, IDCANCEL), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.Ends(30000));
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(dir.Listing(), L"work");
    EXPECT_EQ(ClipboardText(), L"sentinel");
}

// Started with no console at all (a "Send to" shortcut someone edited), a
// mistyped switch is told in a message box; nothing is renamed. Started from
// the test, it would borrow the test's console, so a parent without one starts it.
TEST_F(EndToEnd, AMistypedSwitchWithoutAConsoleIsToldInAMessageBox) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    const std::wstring keep = dir.MakeDir(L"keep");
    Program program(L"/MOD:2 " + keep, DETACHED_PROCESS, L"no_console_parent.exe");
    ASSERT_TRUE(program.Started());
    const HWND box = program.FindWindowOfClass(L"#32770", 60000);  // two processes to start on a busy machine
    ASSERT_NE(box, nullptr) << "no message box; the program "
                            << (program.Ends(0) ? "ended with " + std::to_string(program.ExitCode()) : "still runs");
    wchar_t text[512] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 512);
    EXPECT_EQ(std::wstring(text), L"不明なスイッチです: /MOD:2\r\n使い方は Kelvaro2 /? で表示します\r\n");
    EXPECT_EQ(WindowText(box), L"Kelvaro2");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(program.Ends(30000));
    EXPECT_EQ(program.ExitCode(), 2u);
    EXPECT_EQ(dir.Listing(), L"keep");
}

TEST_F(EndToEnd, UnterminatedQuoteStartsNormallyWithNothingRenamed) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    const std::wstring a = dir.MakeDir(L"alpha");
    const std::wstring b = dir.MakeDir(L"beta");
    Program program(a + L" \"" + b);
    const HWND frame = program.FindWindowOfClass(L"Kelvaro2Frame", 30000);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(WindowText(frame), L"Kelvaro2 for Win32");
    EXPECT_EQ(dir.Listing(), L"alpha|beta");
    EXPECT_EQ(ClipboardText(), L"sentinel");
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.Ends(30000));
    EXPECT_EQ(Get(kAppName, L"Version"), L"1.02");  // a normal exit saves the options
    EXPECT_EQ(Get(kAppName, L"Auto"), L"True");
}

TEST_F(EndToEnd, NormalExitTakesOverTheOldLocation) {
    store.StoreWrite(kOldAppName, kSectionName, L"Version", L"1.01");
    store.StoreWrite(kOldAppName, kSectionName, L"AutoExe", L"6");
    store.StoreWrite(kOldAppName, kSectionName, L"Font_Size", L"not a number");
    Program program(L"");
    const HWND frame = program.FindWindowOfClass(L"Kelvaro2Frame", 30000);
    ASSERT_NE(frame, nullptr);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.Ends(30000));
    EXPECT_EQ(Get(kOldAppName, L"Version"), L"<absent>");
    EXPECT_EQ(Get(kAppName, L"AutoExe"), L"6");
    EXPECT_EQ(Get(kAppName, L"Font_Size"), L"10");
}

TEST_F(EndToEnd, RemovalAsksAndDeletesOnYes) {
    Put(L"Auto", L"True");
    store.StoreWrite(kOldAppName, kSectionName, L"Version", L"1.01");
    Program program(L"/u");
    const HWND box = program.FindWindowOfClass(L"#32770", 30000);
    ASSERT_NE(box, nullptr);
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    EXPECT_STREQ(text, L"Kelvaro2で使用したレジストリを全て削除します");
    EXPECT_EQ(WindowText(box), L"Kelvaro2");
    SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.Ends(30000));
    EXPECT_EQ(Get(kAppName, L"Auto"), L"<absent>");
    EXPECT_EQ(Get(kOldAppName, L"Version"), L"1.01");  // only the current location goes
}

TEST_F(EndToEnd, RemovalAnsweredNoKeepsEverything) {
    Put(L"Auto", L"True");
    Program program(L"/U");
    const HWND box = program.FindWindowOfClass(L"#32770", 30000);
    ASSERT_NE(box, nullptr);
    SendMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    ASSERT_TRUE(program.Ends(30000));
    EXPECT_EQ(Get(kAppName, L"Auto"), L"True");
}

}  // namespace
}  // namespace kelvaro
