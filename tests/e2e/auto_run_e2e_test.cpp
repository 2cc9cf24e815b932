// The real Kelvaro2.exe under Wine, with a prepared registry and real folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "fakes/temp_dir.h"
#include "platform/registry_store.h"
#include "settings/app_settings.h"

namespace kelvaro {
namespace {

using testing::TempDir;

std::wstring ProgramPath() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\') + 1) + L"Kelvaro2.exe";
}

std::wstring ClipboardText() {
    std::wstring text;
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) Sleep(25);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardSentinel(HWND owner) {
    OpenClipboard(owner);
    EmptyClipboard();
    const wchar_t sentinel[] = L"sentinel";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(sentinel));
    memcpy(GlobalLock(memory), sentinel, sizeof(sentinel));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

// A started Kelvaro2.exe; killed if a test leaves it running.
class Program {
public:
    explicit Program(const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + ProgramPath() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &info_) != FALSE;
    }
    ~Program() {
        if (started_) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
    }
    bool Started() const { return started_; }
    // True when the process ended by itself within `ms`.
    bool Ends(DWORD ms) const { return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    // The first visible top-level window of the process with `className`, waiting up to `ms`.
    HWND FindWindowOfClass(const wchar_t* className, DWORD ms) const {
        struct Search {
            DWORD pid;
            const wchar_t* className;
            HWND found;
        } search{info_.dwProcessId, className, nullptr};
        const auto deadline = GetTickCount64() + ms;
        while (!search.found && GetTickCount64() < deadline) {
            EnumWindows(
                [](HWND hwnd, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(hwnd, &pid);
                    wchar_t cls[64] = {};
                    GetClassNameW(hwnd, cls, 64);
                    if (pid == s->pid && IsWindowVisible(hwnd) && wcscmp(cls, s->className) == 0) {
                        s->found = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (!search.found) Sleep(50);
        }
        return search.found;
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

std::wstring WindowText(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        clipboardOwner_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetClipboardSentinel(clipboardOwner_);
    }
    void TearDown() override {
        ClearSettings();
        DestroyWindow(clipboardOwner_);
    }
    void ClearSettings() {
        store.StoreDelete(kAppName, L"");
        store.StoreDelete(kOldAppName, L"");
    }
    void Put(const std::wstring& key, const std::wstring& value) {
        store.StoreWrite(kAppName, kSectionName, key, value);
    }
    std::wstring Get(const std::wstring& app, const std::wstring& key) {
        return store.StoreRead(app, kSectionName, key, L"<absent>");
    }

    RegistryStore store;  // the program's own location, in the test prefix
    TempDir dir;
    HWND clipboardOwner_ = nullptr;
};

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
                                   L" ]\r\n　フォルダ名を\r\n　[ WORK ]\r\n　に変更しました\r\n全て終了しました\r\n");
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
