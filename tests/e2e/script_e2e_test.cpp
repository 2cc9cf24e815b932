// The program started by scripts: the switches, the console output, the exit
// codes, with stdout and stderr redirected to files as cmd does for "> out.txt".
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/temp_dir.h"
#include "platform/registry_store.h"
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

std::wstring FromCodePage932(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
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
};

// Starts `exe` with the exact command line and its standard output and error
// going to files, and waits for it to end.
Outcome RunRedirected(const std::wstring& exe, const std::wstring& arguments, const std::wstring& scratch) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const std::wstring outName = scratch + L"\\out.txt", errName = scratch + L"\\err.txt";
    HANDLE out = CreateFileW(outName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileW(errName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    Outcome outcome;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
        GetExitCodeProcess(info.hProcess, &outcome.exitCode);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    CloseHandle(out);
    CloseHandle(err);
    outcome.out = FromCodePage932(ReadAll(outName));
    outcome.err = FromCodePage932(ReadAll(errName));
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
    Outcome Run(const std::wstring& arguments, const wchar_t* exe = L"Kelvaro2.exe") {
        return RunRedirected(BesideTests(exe), arguments, scratch.Path());
    }

    RegistryStore store;
    TempDir dir;      // the folders renamed
    TempDir scratch;  // the captured output
};

TEST_F(ScriptEndToEnd, ModeRenamesANameWithABlankAndPrintsTheHistory) {
    const std::wstring spaced = dir.MakeDir(L"my photos");
    const std::wstring log = scratch.Path() + L"\\run log.txt";
    Outcome run = Run(L"/MODE:5 /LOG:\"" + log + L"\" \"" + spaced + L"\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(dir.Listing(), L"ｍｙ　ｐｈｏｔｏｓ");
    EXPECT_EQ(run.out,
              L"[ " + spaced +
                  L" ]\r\n　フォルダ名を\r\n　[ ｍｙ　ｐｈｏｔｏｓ ]\r\n　に変更しました\r\n全て終了しました\r\n");
    EXPECT_EQ(run.err, L"");
    EXPECT_EQ(FromCodePage932(ReadAll(log)), run.out);

    // The console companion runs the same code; a folder not found gives 1.
    run = Run(L"/mode:6 \"" + dir.Path() + L"\\ｍｙ　ｐｈｏｔｏｓ\" " + dir.Path() + L"\\nowhere", L"Kelvaro2.com");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(dir.Listing(), L"my photos");
    EXPECT_EQ(run.out.substr(0, run.out.find(L"\r\n")), L"フォルダが見つかりません: " + dir.Path() + L"\\nowhere");
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
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), L'\n'), 4001);
}

TEST_F(ScriptEndToEnd, BadUsageExitsTwoAndTouchesNothing) {
    dir.MakeDir(L"keep");
    const std::wstring keep = dir.Path() + L"\\keep";
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"/MODE:0 /BOGUS " + keep, L"不明なスイッチです: /BOGUS\r\n使い方は Kelvaro2 /? で表示します"},
        {L"/MODE:7 " + keep,
         L"モードは /MODE:0 ～ /MODE:6 で指定してください: /MODE:7\r\n使い方は Kelvaro2 /? で表示します"},
        {L"/MODE:0 " + keep + L" @" + dir.Path() + L"\\missing.txt",
         L"リストファイルを読めません: " + dir.Path() + L"\\missing.txt"},
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
        {L"/MODE 6 ", L"/MODE"}, {L"/MOD:2 ", L"/MOD:2"}, {L"/DRY /MODE=2 ", L"/DRY"}, {L"-MODE:2 ", L"-MODE:2"}};
    for (const auto& [switches, culprit] : mistyped) {
        const Outcome run = Run(switches + keep, L"Kelvaro2.com");
        EXPECT_EQ(run.exitCode, 2u) << switches;
        EXPECT_EQ(run.err, L"不明なスイッチです: " + culprit + L"\r\n使い方は Kelvaro2 /? で表示します\r\n")
            << switches;
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

TEST_F(ScriptEndToEnd, WithoutSwitchesTheAutomaticRunIsAsBefore) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    dir.MakeDir(L"old way");
    const Outcome run = Run(L"\"" + dir.Path() + L"\\old way\" /DRYRUN");  // a switch after a name is just a name
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(dir.Listing(), L"OLD WAY");
    EXPECT_EQ(run.out, L"");
}

}  // namespace
}  // namespace kelvaro
