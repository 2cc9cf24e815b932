#include "app/progress_line.h"

#include <gtest/gtest.h>

#include "fakes/fake_console.h"

namespace kelvaro {
namespace {

class WatchedConsole : public testing::FakeConsole {
public:
    bool ErrorIsConsole() override { return console; }
    void Progress(const std::wstring& text) override { shown.push_back(text); }
    bool console = true;
    std::vector<std::wstring> shown;
};

// Nothing for a short run or a redirected stderr; then a few times a second at most, and gone at the end.
TEST(ProgressLine, ShowsALongRunOnAConsoleOnly) {
    uint64_t now = 0;
    WatchedConsole console;
    {
        ProgressLine line(console, [&] { return now; });
        line.SetTotal(100);
        line.Done(10);
        EXPECT_TRUE(console.shown.empty());
        now = 2000;
        line.Done(50);
        now = 2100;
        line.Done(60);
        EXPECT_EQ(console.shown, std::vector<std::wstring>{L"50 / 100\u3000残り約 2秒"});
    }
    EXPECT_EQ(console.shown.back(), L"");  // taken away before the closing line
    console.shown.clear();
    console.console = false;
    ProgressLine redirected(console, [&] { return now += 5000; });
    redirected.SetTotal(10);
    redirected.Done(5);
    redirected.End();
    EXPECT_TRUE(console.shown.empty());
    EXPECT_EQ(ProgressText(1000, 100000, 10000), L"1000 / 100000\u3000残り約 16分30秒");
    EXPECT_EQ(ProgressText(1, 3, 3600000), L"1 / 3\u3000残り約 2時間0分");
    EXPECT_EQ(ProgressText(0, 3, 3600000), L"0 / 3");
}

}  // namespace
}  // namespace kelvaro
