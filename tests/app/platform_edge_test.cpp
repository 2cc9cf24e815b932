// The process-wide services at the platform's edge: the clipboard another
// program holds for a moment, the program a "Send to" shortcut starts, and
// the system's error boxes.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "platform/process_setup.h"
#include "platform/win32_send_to.h"
#include "platform/win32_services.h"

namespace kelvaro {
namespace {

// Another thread (as another program would) holds the clipboard for half a
// second, then for longer than the copy waits.
TEST(PlatformEdge, TheClipboardIsWaitedForAboutASecond) {
    for (const DWORD held : {500, 2500}) {
        // A copier of its own each time: under Wine, opening the clipboard
        // asks its last owner, whose thread here would be waiting below.
        Win32Clipboard clipboard;
        HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread holder([=] {
            bool open = false;
            for (int i = 0; i < 100 && !(open = OpenClipboard(nullptr)); ++i) Sleep(20);
            if (open && SetEvent(opened)) Sleep(held);
            CloseClipboard();
        });
        EXPECT_EQ(WaitForSingleObject(opened, 3000), WAIT_OBJECT_0) << held;
        const DWORD start = GetTickCount();
        EXPECT_EQ(clipboard.SetText(L"履歴\r\n"), held < 1000) << held;
        if (held > 1000) EXPECT_NEAR(static_cast<double>(GetTickCount() - start), 1000.0, 300.0);
        holder.join();
        CloseHandle(opened);
    }
}

TEST(PlatformEdge, SendToAlwaysStartsTheWindowProgram) {
    EXPECT_EQ(SendToTarget(L"C:\\Tools\\Kelvaro2.com"), L"C:\\Tools\\Kelvaro2.exe");
    EXPECT_EQ(SendToTarget(L"C:\\Tools\\KELVARO2.COM"), L"C:\\Tools\\KELVARO2.exe");
    EXPECT_EQ(SendToTarget(L"C:\\Tools\\Kelvaro2.exe"), L"C:\\Tools\\Kelvaro2.exe");
    EXPECT_EQ(SendToTarget(L"C:\\my.com\\Kelvaro2.exe"), L"C:\\my.com\\Kelvaro2.exe");
}

TEST(PlatformEdge, NoSystemBoxForADriveWithoutMedia) {
    QuietSystemErrorBoxes();
    EXPECT_EQ(GetErrorMode() & (SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

}  // namespace
}  // namespace kelvaro
