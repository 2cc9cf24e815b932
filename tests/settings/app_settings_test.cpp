#include "settings/app_settings.h"

#include <gtest/gtest.h>

#include "fakes/fake_settings_store.h"
#include "settings/value_text.h"
#include "settings/window_position.h"

namespace kelvaro {
namespace {

using testing::FakeSettingsStore;

const std::wstring kCurrent = kAppName;
const std::wstring kOld = kOldAppName;

void Put(FakeSettingsStore& store, const std::wstring& app, const std::wstring& key, const std::wstring& value) {
    store.StoreWrite(app, kSectionName, key, value);
}
std::wstring Get(FakeSettingsStore& store, const std::wstring& app, const std::wstring& key) {
    return store.StoreRead(app, kSectionName, key, L"<absent>");
}

TEST(ValueText, ParsesTheStoredSpellings) {
    EXPECT_EQ(ParseFlag(L"True"), true);
    EXPECT_EQ(ParseFlag(L"false"), false);
    EXPECT_EQ(ParseFlag(L"-1"), true);
    EXPECT_EQ(ParseFlag(L"0"), false);
    EXPECT_EQ(ParseFlag(L"yes"), std::nullopt);
    EXPECT_EQ(ParseFlag(L""), std::nullopt);
    EXPECT_EQ(ParseInteger(L" 2 "), 2);
    EXPECT_EQ(ParseInteger(L"2.5"), 2);  // half to even
    EXPECT_EQ(ParseInteger(L"3.5"), 4);
    EXPECT_EQ(ParseInteger(L"-1"), -1);
    EXPECT_EQ(ParseInteger(L"40000"), std::nullopt);
    EXPECT_EQ(ParseInteger(L"0x10"), std::nullopt);
    EXPECT_EQ(ParseInteger(L"abc"), std::nullopt);
    EXPECT_EQ(ParseNumber(L"1234.5"), 1234.5);
    EXPECT_EQ(ParseNumber(L"inf"), std::nullopt);
    EXPECT_EQ(ParseNumber(L"12abc"), std::nullopt);
    EXPECT_EQ(CoordinateText(1000), L"1000");
    EXPECT_EQ(CoordinateText(1234.5), L"1234.5");
    EXPECT_EQ(CoordinateText(-200), L"-200");
    EXPECT_EQ(FlagText(true), L"True");
    EXPECT_EQ(FlagText(false), L"False");
}

TEST(SettingsLoad, FreshUserGetsEveryDefault) {
    FakeSettingsStore store;
    AppSettings s;
    s.autoRun = true;
    s.autoMode = 5;
    SettingsLoad(store, s);
    EXPECT_FALSE(s.autoRun);
    EXPECT_EQ(s.autoMode, 2);
    EXPECT_TRUE(s.copyHistory);
    EXPECT_TRUE(s.resizeChildren);
    EXPECT_TRUE(s.showTips);
    EXPECT_TRUE(s.hiraganaToKatakana);
    EXPECT_EQ(s.fontName, L"ＭＳ 明朝");
    EXPECT_EQ(s.fontSize, 10);
    EXPECT_FALSE(s.fontBold);
    EXPECT_FALSE(s.fontItalic);
}

TEST(SettingsLoad, MalformedValuesCountAsAbsent) {
    FakeSettingsStore store;
    Put(store, kCurrent, L"AutoExe", L"lower");
    Put(store, kCurrent, L"Font_Size", L"");
    Put(store, kCurrent, L"Tip", L"maybe");
    Put(store, kCurrent, L"Auto", L"True");
    Put(store, kCurrent, L"Font_Name", L"IPAGothic");
    AppSettings s;
    SettingsLoad(store, s);
    EXPECT_EQ(s.autoMode, 2);
    EXPECT_EQ(s.fontSize, 10);
    EXPECT_TRUE(s.showTips);
    EXPECT_TRUE(s.autoRun);
    EXPECT_EQ(s.fontName, L"IPAGothic");
}

TEST(SettingsLoad, TakesOverTheOldLocationAndTheSaveRemovesIt) {
    FakeSettingsStore store;
    Put(store, kOld, L"Version", L"1.01");
    Put(store, kOld, L"Auto", L"True");
    Put(store, kOld, L"AutoExe", L"4");
    Put(store, kOld, L"Font_Size", L"12");
    Put(store, kCurrent, L"AutoExe", L"1");  // ignored while the old location holds a version
    store.StoreWrite(kOld, L"Other", L"Key", L"x");
    AppSettings s;
    SettingsLoad(store, s);
    EXPECT_TRUE(s.autoRun);
    EXPECT_EQ(s.autoMode, 4);
    EXPECT_EQ(s.fontSize, 12);

    SettingsSave(store, s);
    EXPECT_EQ(store.CountIn(kOld), 0u);  // every section of the old application is gone
    EXPECT_EQ(Get(store, kCurrent, L"Version"), L"1.02");
    EXPECT_EQ(Get(store, kCurrent, L"Auto"), L"True");
    EXPECT_EQ(Get(store, kCurrent, L"AutoExe"), L"4");
    EXPECT_EQ(Get(store, kCurrent, L"Font_Size"), L"12");
    EXPECT_EQ(Get(store, kCurrent, L"Font_Name"), L"ＭＳ 明朝");
    EXPECT_EQ(Get(store, kCurrent, L"Font_Italic"), L"False");
    EXPECT_EQ(Get(store, kCurrent, L"Confirm"), L"False");
    EXPECT_EQ(store.CountIn(kCurrent), 12u);

    AppSettings again;
    SettingsLoad(store, again);
    EXPECT_EQ(again.autoMode, 4);
}

TEST(SettingsLoad, VersionZeroInTheOldLocationCountsAsAbsent) {
    FakeSettingsStore store;
    Put(store, kOld, L"Version", L"0.00");
    Put(store, kOld, L"AutoExe", L"4");
    Put(store, kCurrent, L"AutoExe", L"1");
    AppSettings s;
    SettingsLoad(store, s);
    EXPECT_EQ(s.autoMode, 1);
}

TEST(SettingsRemove, DeletesOnlyTheCurrentSection) {
    FakeSettingsStore store;
    Put(store, kCurrent, L"Auto", L"True");
    store.StoreWrite(kCurrent, L"Other", L"Key", L"kept");
    Put(store, kOld, L"Auto", L"True");
    SettingsRemove(store);
    EXPECT_EQ(Get(store, kCurrent, L"Auto"), L"<absent>");
    EXPECT_EQ(store.StoreRead(kCurrent, L"Other", L"Key", L""), L"kept");
    EXPECT_EQ(Get(store, kOld, L"Auto"), L"True");
    SettingsRemove(store);  // nothing left to delete: no failure escapes
}

TEST(WindowPosition, MainWindowIsClampedAndCorrected) {
    const ScreenTwips screen{19200, 15360};
    FakeSettingsStore store;
    MainPosition fresh = ReadMainPosition(store, screen);
    EXPECT_EQ(fresh.rect.left, 1000);
    EXPECT_EQ(fresh.rect.width, 8000);
    EXPECT_EQ(fresh.windowState, 0);

    Put(store, kCurrent, L"Main_Left", L"-200");
    Put(store, kCurrent, L"Main_Top", L"15361");
    Put(store, kCurrent, L"Main_Width", L"1500");
    Put(store, kCurrent, L"Main_Height", L"499");
    Put(store, kCurrent, L"Main_WindowState", L"2");
    MainPosition p = ReadMainPosition(store, screen);
    EXPECT_EQ(p.rect.left, 1000);
    EXPECT_EQ(p.rect.top, 1000);
    EXPECT_EQ(p.rect.width, 8000);
    EXPECT_EQ(p.rect.height, 8000);
    EXPECT_EQ(p.windowState, 2);

    // 1280 x 1024 pixels at 200 %: the default window is cut to the screen and shows whole.
    FakeSettingsStore none;
    const MainPosition small = ReadMainPosition(none, {9600, 7680});
    EXPECT_LE(small.rect.left + small.rect.width, 9600);
    EXPECT_LE(small.rect.top + small.rect.height, 7680);
    EXPECT_GE(small.rect.top, 0);

    Put(store, kCurrent, L"Main_Left", L"19200");
    Put(store, kCurrent, L"Main_Top", L"0");
    Put(store, kCurrent, L"Main_Width", L"2000");
    Put(store, kCurrent, L"Main_Height", L"500");
    p = ReadMainPosition(store, screen);
    EXPECT_EQ(p.rect.left, 19200);
    EXPECT_EQ(p.rect.top, 0);
    EXPECT_EQ(p.rect.width, 2000);
    EXPECT_EQ(p.rect.height, 500);
}

TEST(WindowPosition, MalformedPositionsFallBackToDefaults) {
    FakeSettingsStore store;
    Put(store, kCurrent, L"Option_Left", L"left");
    Put(store, kCurrent, L"Option_Top", L"1e999");
    const TwipsRect r = ReadTopLevelPosition(store, L"Option_", {1000, 1000, 0, 0}, false, {19200, 15360});
    EXPECT_EQ(r.left, 1000);
    EXPECT_EQ(r.top, 1000);
}

TEST(WindowPosition, EachWindowProbesTheOldLocationOnItsOwn) {
    FakeSettingsStore store;
    Put(store, kOld, L"InDir_Left", L"300");
    Put(store, kOld, L"InDir_Top", L"400");
    Put(store, kCurrent, L"InDir_Left", L"1");
    Put(store, kCurrent, L"File_Left", L"-50");  // children are not clamped
    Put(store, kOld, L"File_Top", L"777");       // no File_Left there: the old location is not used
    const TwipsRect designed{10, 20, 3000, 2000};
    const TwipsRect inDir = ReadChildPosition(store, L"InDir_", designed, {19200, 15360});
    EXPECT_EQ(inDir.left, 300);
    EXPECT_EQ(inDir.top, 400);
    EXPECT_EQ(inDir.width, 3000);
    const TwipsRect file = ReadChildPosition(store, L"File_", designed, {19200, 15360});
    EXPECT_EQ(file.left, -50);
    EXPECT_EQ(file.top, 20);
}

// Values no one could have set through the program count as absent.
TEST(WindowPosition, AbsurdValuesGiveTheDefaults) {
    FakeSettingsStore store;
    for (const auto& [key, value] : {std::pair{L"Font_Size", L"32767"},
                                     {L"Main_Width", L"1e300"},
                                     {L"Main_Height", L"15361"},
                                     {L"Default_Width", L"1e300"},
                                     {L"Default_Height", L"2999"},
                                     {L"Status_Left", L"-1e30"},
                                     {L"Status_Top", L"1e30"},
                                     {L"Status_Width", L"1e300"},
                                     {L"Status_Height", L"899"},
                                     {L"File_Left", L"18601"},
                                     {L"File_Top", L"-1"},
                                     {L"File_Width", L"1500"},
                                     {L"File_Height", L"900"}})
        Put(store, kCurrent, key, value);
    AppSettings s;
    SettingsLoad(store, s);
    EXPECT_EQ(s.fontSize, 10);
    const ScreenTwips screen{19200, 15360};
    const MainPosition main = ReadMainPosition(store, screen);
    EXPECT_EQ(main.rect.width, 8000);
    EXPECT_EQ(main.rect.height, 8000);
    const TwipsRect dialog = ReadTopLevelPosition(store, L"Default_", {1000, 1000, 5000, 5000}, true, screen);
    EXPECT_EQ(dialog.width, 5000);
    EXPECT_EQ(dialog.height, 5000);
    const TwipsRect designed{10, 20, 3000, 2000};
    const TwipsRect status = ReadChildPosition(store, L"Status_", designed, screen);
    EXPECT_EQ(status.left, 10);
    EXPECT_EQ(status.top, 20);
    EXPECT_EQ(status.width, 3000);
    EXPECT_EQ(status.height, 2000);
    const TwipsRect file = ReadChildPosition(store, L"File_", designed, screen);  // out of reach, least size kept
    EXPECT_EQ(file.left, 10);
    EXPECT_EQ(file.top, 20);
    EXPECT_EQ(file.width, 1500);
    EXPECT_EQ(file.height, 900);

    // The edges of what the font dialog offers and of a two-screen desktop are kept.
    Put(store, kCurrent, L"Font_Size", L"6");
    SettingsLoad(store, s);
    EXPECT_EQ(s.fontSize, 6);
    Put(store, kCurrent, L"Font_Size", L"72");
    SettingsLoad(store, s);
    EXPECT_EQ(s.fontSize, 72);
    Put(store, kCurrent, L"Font_Size", L"73");
    SettingsLoad(store, s);
    EXPECT_EQ(s.fontSize, 10);
    Put(store, kCurrent, L"Main_Width", L"38400");
    Put(store, kCurrent, L"File_Left", L"30000");
    EXPECT_EQ(ReadMainPosition(store, {19200, 15360, 38400, 15360}).rect.width, 38400);
    EXPECT_EQ(ReadChildPosition(store, L"File_", designed, {19200, 15360, 38400, 15360}).left, 30000);
}

TEST(WindowPosition, MaximisedMainWindowStoresOnlyItsState) {
    FakeSettingsStore store;
    WriteMainPosition(store, {{1, 2, 3000, 4000}, 2});
    EXPECT_EQ(Get(store, kCurrent, L"Main_WindowState"), L"2");
    EXPECT_EQ(Get(store, kCurrent, L"Main_Left"), L"<absent>");
    WriteMainPosition(store, {{1, 2.5, 3000, 4000}, 0});
    EXPECT_EQ(Get(store, kCurrent, L"Main_Top"), L"2.5");
    EXPECT_EQ(Get(store, kCurrent, L"Main_Height"), L"4000");
    WriteTopLevelPosition(store, L"About_", {5, 6, 7, 8}, false);
    EXPECT_EQ(Get(store, kCurrent, L"About_Left"), L"5");
    EXPECT_EQ(Get(store, kCurrent, L"About_Width"), L"<absent>");
}

}  // namespace
}  // namespace kelvaro
