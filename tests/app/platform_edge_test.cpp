// The process-wide services at the platform's edge: the clipboard another
// program holds for a moment, the program a "Send to" shortcut starts, and
// the system's error boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "platform/process_setup.h"
#include "platform/send_to.h"
#include "platform/win32_services.h"

namespace kelvaro {
namespace {

std::wstring ClipboardText() {
    if (!OpenClipboard(nullptr)) return L"<closed>";
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) text = chars;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Another thread (as another program would) holds the clipboard for half a
// second, then for longer than the copy waits.
TEST(PlatformEdge, TheClipboardIsWaitedForAboutASecond) {
    Win32Clipboard clipboard;
    auto hold = [](DWORD milliseconds) {
        HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread holder([=] {
            if (OpenClipboard(nullptr)) {
                SetEvent(opened);
                Sleep(milliseconds);
                CloseClipboard();
            }
        });
        WaitForSingleObject(opened, 2000);
        CloseHandle(opened);
        return holder;
    };
    std::thread brief = hold(500);
    EXPECT_TRUE(clipboard.SetText(L"一行目\r\n"));
    brief.join();
    EXPECT_EQ(ClipboardText(), L"一行目\r\n");

    std::thread longer = hold(2500);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(clipboard.SetText(L"二行目\r\n"));
    const DWORD waited = GetTickCount() - start;
    longer.join();
    EXPECT_GE(waited, 800u);
    EXPECT_LE(waited, 2000u);
    EXPECT_EQ(ClipboardText(), L"一行目\r\n");
}

TEST(PlatformEdge, SendToAlwaysStartsTheWindowProgram) {
    EXPECT_EQ(SendToTarget(L"C:\\Tools\\Kelvaro2.com"), L"C:\\Tools\\Kelvaro2.exe");
    EXPECT_EQ(SendToTarget(L"C:\\Tools\\KELVARO2.COM"), L"C:\\Tools\\KELVARO2.exe");
    EXPECT_EQ(SendToTarget(L"C:\\Tools\\Kelvaro2.exe"), L"C:\\Tools\\Kelvaro2.exe");
    EXPECT_EQ(SendToTarget(L"C:\\my.com\\Kelvaro2.exe"), L"C:\\my.com\\Kelvaro2.exe");
}

TEST(PlatformEdge, NoSystemBoxForADriveWithoutMedia) {
    const UINT before = SetErrorMode(SEM_NOGPFAULTERRORBOX);
    QuietSystemErrorBoxes();
    const UINT after = GetErrorMode();
    SetErrorMode(before);
    EXPECT_EQ(after & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    EXPECT_TRUE(after & SEM_NOGPFAULTERRORBOX);  // what was set stays
    EXPECT_TRUE(RunningUnderWine());             // the tests run under Wine
}

}  // namespace
}  // namespace kelvaro
