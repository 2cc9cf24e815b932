#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"
#include "model/changed_list.h"
#include "model/history_log.h"
#include "model/target_list.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;

std::wstring Folder(int i) {
    return L"C:\\Data\\f" + std::to_wstring(i);
}

TEST(TargetList, HoldsAThousandDistinctFoldersAndSaysSoOnce) {
    int notices = 0;
    TargetList list([&] { ++notices; });
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(list.AddLine(Folder(i)));
    EXPECT_TRUE(list.AddLine(Folder(5)));  // a duplicate is fine even when full
    EXPECT_EQ(notices, 0);
    EXPECT_FALSE(list.AddLine(Folder(1000)));
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(list.Count(), 1000u);
    list.Remove(0);
    EXPECT_TRUE(list.AddLine(Folder(1000)));
    EXPECT_FALSE(list.AddLine(Folder(0)));  // full again: a removed text is new
    EXPECT_EQ(notices, 2);
}

TEST(TargetList, DuplicatesAreExactAndCaseSensitive) {
    TargetList list;
    list.AddLine(L"C:\\Data\\Photos");
    list.AddLine(L"C:\\Data\\Photos");
    list.AddLine(L"C:\\Data\\PHOTOS");
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Text(1), L"C:\\Data\\PHOTOS");
}

TEST(TargetList, OutsideNamesAreCanonicalisedOrSkipped) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\Data\\Photos");
    fs.AddFile(L"C:\\Data\\notes.txt");
    TargetList list;
    for (const wchar_t* name :
         {L"", L"Data\\Photos", L"\\\\server\\share", L"C:\\Data\\Missing", L"C:\\Data\\notes.txt", L"C:\\Data\\*"})
        EXPECT_TRUE(list.AddFromOutside(fs, name)) << name;
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(list.AddFromOutside(fs, L"c:\\data\\photos"));
    EXPECT_TRUE(list.AddFromOutside(fs, L"C:\\DATA\\PHOTOS\\"));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Text(0), L"C:\\Data\\Photos");
}

TEST(TargetList, SelectionDrivesRemoval) {
    TargetList list;
    for (int i = 0; i < 5; ++i) list.AddLine(Folder(i));
    EXPECT_EQ(list.FirstSelectedDir(), L"");
    list.SetSelected(1, true);
    list.SetSelected(3, true);
    EXPECT_EQ(list.FirstSelectedDir(), Folder(1));
    list.RemoveWhere(true);
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Text(1), Folder(2));
    list.SelectAll();
    list.SetSelected(0, false);
    list.RemoveWhere(false);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Text(0), Folder(2));
    EXPECT_TRUE(list.AddLine(Folder(0)));  // removed entries no longer count as duplicates
    EXPECT_EQ(list.Count(), 3u);
    list.Refresh();
    EXPECT_TRUE(list.Empty());
}

TEST(HistoryLog, CapsAtThirtyThousandAndTwoLines) {
    HistoryLog log;
    for (int i = 0; i < 30002; ++i) log.AddLine(std::to_wstring(i));
    EXPECT_EQ(log.Count(), 30002u);
    EXPECT_EQ(log.Line(0), L"0");
    log.AddLine(L"new");
    EXPECT_EQ(log.Count(), 30002u);
    EXPECT_EQ(log.Line(0), L"1");
    EXPECT_EQ(log.Line(log.Current()), L"new");
}

TEST(HistoryLog, TextEndsEveryLineWithCrLf) {
    HistoryLog log;
    EXPECT_EQ(log.Text(), L"");
    log.AddLine(L"[ C:\\a ]");
    log.AddLine(L"全て終了しました");
    EXPECT_EQ(log.Text(), L"[ C:\\a ]\r\n全て終了しました\r\n");
    log.Refresh();
    EXPECT_EQ(log.Count(), 0u);
}

TEST(ChangedList, KeepsOneEntryPerFolderInTheNewestSpelling) {
    ChangedList list;
    list.AddLine(L"C:\\Data\\photos");
    list.AddLine(L"C:\\Data\\other");
    list.AddLine(L"C:\\Data\\PHOTOS");
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Text(0), L"C:\\Data\\PHOTOS");
    list.AddLine(L"C:\\Data\\ｐｈｏｔｏｓ");  // full-width is another folder
    EXPECT_EQ(list.Count(), 3u);
    // but its cases are one folder on disk, as with ASCII
    list.AddLine(L"C:\\Data\\ＰＨＯＴＯＳ");
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Text(2), L"C:\\Data\\ＰＨＯＴＯＳ");
}

TEST(ChangedList, AMovedFolderKeepsItsPlaceTakesItsSubfoldersAlongAndAGoneOneLeaves) {
    ChangedList list;
    list.AddLine(L"C:\\Data\\a\\Inner");
    list.AddLine(L"C:\\Data\\b");
    list.AddLine(L"C:\\Data\\c");
    list.Moved(L"C:\\Data\\a", L"C:\\Data\\Ａ");  // a parent not listed itself is added
    list.Moved(L"C:\\Data\\b", L"C:\\Data\\c");   // a name listed already is not listed twice
    list.Removed(L"C:\\Data\\gone");
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Text(0), L"C:\\Data\\Ａ\\Inner");
    EXPECT_EQ(list.Text(1), L"C:\\Data\\c");
    EXPECT_EQ(list.Text(2), L"C:\\Data\\Ａ");
    list.Removed(L"C:\\DATA\\C");
    list.Moved(L"C:\\Data\\Ａ\\Inner", L"C:\\Data\\Ａ\\ｉｎｎｅｒ");
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Text(0), L"C:\\Data\\Ａ\\ｉｎｎｅｒ");
    list.AddLine(L"C:\\Data\\ａ");  // the index still finds every entry
    EXPECT_EQ(list.Text(1), L"C:\\Data\\ａ");
}

TEST(ChangedList, StopsListingAtAThousand) {
    ChangedList list;
    for (int i = 0; i < 1001; ++i) list.AddLine(Folder(i));
    EXPECT_EQ(list.Count(), 1000u);
    list.AddLine(L"C:\\DATA\\F3");  // an update still works when full
    EXPECT_EQ(list.Text(3), L"C:\\DATA\\F3");
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
}

TEST(ChangedList, RefreshDropsVanishedFoldersAndRespellsTheRest) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\Data\\Kept");
    fs.AddDir(L"C:\\Data\\Also");
    ChangedList list;
    list.AddLine(L"C:\\Data\\kept");
    list.AddLine(L"C:\\Data\\Gone");
    list.AddLine(L"C:\\Data\\Also");
    list.Refresh(fs);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Text(0), L"C:\\Data\\Kept");
    EXPECT_EQ(list.Text(1), L"C:\\Data\\Also");
    list.AddLine(L"C:\\DATA\\KEPT");
    EXPECT_EQ(list.Count(), 2u);
}

}  // namespace
}  // namespace kelvaro
