#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"
#include "fakes/fake_settings_store.h"
#include "settings/app_settings.h"
#include "model/alias_table.h"
#include "model/folder_browser.h"
#include "model/folder_chooser.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;
using testing::FakeSettingsStore;
using Names = std::vector<std::wstring>;

TEST(AliasTable, AddsUpToTenWithDistinctNames) {
    AliasTable table;
    EXPECT_FALSE(table.CanMaintain());
    EXPECT_EQ(table.Add(L"", L"C:\\x"), AliasTable::AddResult::Empty);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(table.Add(L"a" + std::to_wstring(i), L"C:\\x"), AliasTable::AddResult::Added);
    EXPECT_FALSE(table.CanAdd());
    EXPECT_TRUE(table.CanMaintain());
    EXPECT_EQ(table.Add(L"new", L"C:\\x"), AliasTable::AddResult::Full);
    EXPECT_EQ(table.Last(), 9);

    AliasTable small;
    small.Add(L"Work", L"C:\\Work");
    EXPECT_EQ(small.Add(L"Work", L"C:\\Other"), AliasTable::AddResult::Duplicate);
    EXPECT_EQ(small.Add(L"work", L"C:\\Other"), AliasTable::AddResult::Added);  // case counts
}

TEST(AliasTable, ReadingStopsAtTheFirstIncompleteSlotAndSavingEmptiesTheRest) {
    FakeSettingsStore store;
    auto put = [&](const std::wstring& key, const std::wstring& value) {
        store.StoreWrite(kAppName, kSectionName, key, value);
    };
    put(L"Dir_In_DirName0", L"zero");
    put(L"Dir_In_DirDir0", L"C:\\0");
    put(L"Dir_In_DirName1", L"one");
    put(L"Dir_In_DirDir1", L"C:\\1");
    put(L"Dir_In_DirName3", L"three");
    put(L"Dir_In_DirDir3", L"C:\\3");
    AliasTable table;
    table.Load(store, kAppName);
    EXPECT_EQ(table.Last(), 1);
    EXPECT_EQ(table.Name(1), L"one");
    table.Save(store);
    for (int i = 2; i < 10; ++i) {
        EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Dir_In_DirName" + std::to_wstring(i), L"-"), L"");
        EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Dir_In_DirDir" + std::to_wstring(i), L"-"), L"");
    }
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Dir_In_DirDir0", L"-"), L"C:\\0");
}

class AliasEditorTest : public ::testing::Test {
protected:
    void Fill(const Names& names) {
        for (int i = 0; i < 10; ++i) {
            const bool used = static_cast<size_t>(i) < names.size();
            editor.SetEntry(i, used ? names[static_cast<size_t>(i)] : L"",
                            used ? L"C:\\" + names[static_cast<size_t>(i)] : L"");
        }
        editor.Activate();
    }
    Names Listed() const {
        Names names;
        for (int i = 0; i <= editor.LastMenuIndex(); ++i) {
            std::wstring name, dir;
            editor.GetEntry(i, name, dir);
            names.push_back(name);
        }
        return names;
    }
    AliasEditor editor;
};

TEST_F(AliasEditorTest, RenameRefusesExistingNamesOnly) {
    Fill({L"A", L"B"});
    EXPECT_EQ(editor.Selected(), 0);
    EXPECT_EQ(editor.Rename(L"A"), AliasEditor::RenameResult::Unchanged);
    EXPECT_EQ(editor.Rename(L""), AliasEditor::RenameResult::Unchanged);
    EXPECT_EQ(editor.Rename(L"B"), AliasEditor::RenameResult::Duplicate);
    editor.Select(1);
    EXPECT_EQ(editor.Rename(L"a"), AliasEditor::RenameResult::Renamed);
    EXPECT_EQ(Listed(), (Names{L"A", L"a"}));
}

TEST_F(AliasEditorTest, UpAndDownMoveFolderAndNameTogether) {
    Fill({L"A", L"B", L"C"});
    editor.Up();  // first: nothing
    EXPECT_EQ(Listed(), (Names{L"A", L"B", L"C"}));
    editor.Down();
    EXPECT_EQ(Listed(), (Names{L"B", L"A", L"C"}));
    EXPECT_EQ(editor.Selected(), 1);
    EXPECT_EQ(editor.SelectedDir(), L"C:\\A");
    editor.Select(2);
    editor.Down();  // last: nothing
    EXPECT_EQ(editor.Selected(), 2);
    editor.Up();
    EXPECT_EQ(Listed(), (Names{L"B", L"C", L"A"}));
}

TEST_F(AliasEditorTest, DeleteSelectsTheEntryThatTookThePlace) {
    Fill({L"A", L"B", L"C"});
    editor.Select(2);
    editor.Delete();  // the last of three: the new last is selected
    EXPECT_EQ(Listed(), (Names{L"A", L"B"}));
    EXPECT_EQ(editor.Selected(), 1);
    Fill({L"A", L"B", L"C"});
    editor.Select(1);
    editor.Delete();  // the middle one: the one that moved up is selected
    EXPECT_EQ(editor.Selected(), 1);
    EXPECT_EQ(editor.SelectedDir(), L"C:\\C");
    Fill({L"A"});
    editor.Delete();
    EXPECT_EQ(editor.LastMenuIndex(), -1);
    EXPECT_EQ(editor.Selected(), -1);
    EXPECT_FALSE(editor.ControlsEnabled());
}

TEST_F(AliasEditorTest, DeleteAllAndOutOfRangeAccess) {
    Fill({L"A", L"B"});
    editor.DeleteAll();
    EXPECT_EQ(editor.LastMenuIndex(), -1);
    std::wstring name = L"x", dir = L"y";
    editor.GetEntry(0, name, dir);
    EXPECT_EQ(name + dir, L"");
    editor.SetEntry(10, L"ten", L"C:\\10");
    editor.SetEntry(-1, L"neg", L"C:\\n");
    editor.Activate();
    EXPECT_EQ(editor.LastMenuIndex(), -1);
    Fill({L"A", L"B"});
    editor.GetEntry(2, name, dir);
    EXPECT_EQ(name, L"");
}

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* dir : {L"C:\\Work\\A\\A1", L"C:\\Work\\A\\A2", L"C:\\Work\\B"}) fs.AddDir(dir);
        fs.AddFile(L"C:\\Work\\file.txt");
    }
    Names Targets() const {
        Names names;
        for (size_t i = 0; i < targets.Count(); ++i) names.push_back(targets.Text(i));
        return names;
    }
    FakeFileSystem fs;
    int notices = 0;
    TargetList targets{[this] { ++notices; }};
    FolderChooser chooser{fs};
};

TEST_F(ChooserTest, ListsSubfoldersAndAddsThemSpelledAsOnDisk) {
    chooser.SetDirName(L"c:\\work");
    ASSERT_EQ(chooser.Count(), 2u);
    EXPECT_EQ(chooser.Name(0), L"A");
    chooser.SetSelected(0, true);
    chooser.AddSelected(targets);
    EXPECT_EQ(Targets(), Names{L"C:\\Work\\A"});
    EXPECT_FALSE(chooser.Selected(0));
    chooser.AddAll(targets);
    EXPECT_EQ(Targets(), (Names{L"C:\\Work\\A", L"C:\\Work\\B"}));
}

TEST_F(ChooserTest, AddAllSubfoldersTakesExactlyOneLevel) {
    chooser.SetDirName(L"C:\\Work");
    chooser.SetSelected(1, true);
    chooser.AddAllSubfolders(targets);
    EXPECT_EQ(Targets(), (Names{L"C:\\Work\\A\\A1", L"C:\\Work\\A\\A2"}));
    EXPECT_FALSE(chooser.Selected(1));
}

TEST_F(ChooserTest, AddEveryLevelPutsTheDeepestFirstAndNeitherEntersLinksNorTakesTemporaryNames) {
    fs.AddDir(L"C:\\Work\\A\\A1\\Deep");
    fs.AddDir(L"C:\\Work\\Link\\Inside");  // a junction: added, not entered
    fs.links.insert(L"C:\\Work\\Link");
    fs.AddDir(L"C:\\Work\\B\\cut.Tmp\u3077\u3088\u3080\\Inner");  // what an interrupted run left
    chooser.SetDirName(L"c:\\work");
    chooser.SetSelected(0, true);
    chooser.AddEveryLevel(targets);
    EXPECT_EQ(Targets(), (Names{L"C:\\Work\\A\\A1\\Deep", L"C:\\Work\\A\\A1", L"C:\\Work\\A\\A2", L"C:\\Work\\A",
                                L"C:\\Work\\B", L"C:\\Work\\Link"}));
    EXPECT_FALSE(chooser.Selected(0));

    // The limit as for the other buttons: filled up to it, said once, the rest left out.
    targets.Refresh();
    for (int i = 0; i < 997; ++i) targets.AddLine(L"C:\\Other\\" + std::to_wstring(i));
    chooser.AddEveryLevel(targets);
    EXPECT_EQ(targets.Count(), 1000u);
    EXPECT_EQ(targets.Text(997), L"C:\\Work\\A\\A1\\Deep");
    EXPECT_EQ(notices, 1);
}

TEST_F(ChooserTest, StopsAtTheFirstRefusalAndKeepsItSelected) {
    for (int i = 0; i < 999; ++i) targets.AddLine(L"C:\\Other\\" + std::to_wstring(i));
    fs.AddDir(L"C:\\Work\\C");
    chooser.SetDirName(L"C:\\Work");
    chooser.SelectAll();
    chooser.AddSelected(targets);
    EXPECT_EQ(targets.Count(), 1000u);
    EXPECT_EQ(notices, 1);
    EXPECT_FALSE(chooser.Selected(0));
    EXPECT_TRUE(chooser.Selected(1));
    EXPECT_TRUE(chooser.Selected(2));
}

TEST_F(ChooserTest, VanishedFoldersAreSkippedAndTheRootGetsNoDoubleBackslash) {
    fs.AddDir(L"D:\\X");
    chooser.SetDirName(L"D:\\");
    chooser.AddAll(targets);
    EXPECT_EQ(Targets(), Names{L"D:\\X"});
    chooser.SetDirName(L"C:\\Work");
    fs.MoveDir(L"C:\\Work\\B", L"C:\\Elsewhere");
    chooser.AddAll(targets);
    EXPECT_EQ(Targets(), (Names{L"D:\\X", L"C:\\Work\\A"}));
}

TEST_F(ChooserTest, ListsOncePerDistinctFolderUnlessForced) {
    chooser.SetDirName(L"C:\\Work");
    fs.AddDir(L"C:\\Work\\New");
    chooser.SetDirName(L"C:\\Work");
    EXPECT_EQ(chooser.Count(), 2u);
    chooser.SetDirName(L"C:\\Work", true);
    EXPECT_EQ(chooser.Count(), 3u);
}

TEST_F(ChooserTest, OpensTheFirstSelectedFolderThatStillExists) {
    chooser.SetDirName(L"C:\\Work");
    EXPECT_EQ(chooser.FolderToOpen(), L"");
    chooser.SetSelected(0, true);
    chooser.SetSelected(1, true);
    fs.MoveDir(L"C:\\Work\\A", L"C:\\Gone");
    EXPECT_EQ(chooser.FolderToOpen(), L"C:\\Work\\B");
}

TEST(FolderBrowser, ShowsTheChainAndFallsBackToTheCurrentFolder) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\Data\\Photos\\2024");
    fs.AddDir(L"C:\\Data\\Photos\\2025");
    fs.AddDir(L"C:\\Home");
    ASSERT_TRUE(fs.SetCurrentDir(L"C:\\Home"));
    Names told;
    FolderBrowser browser(fs, [&](const std::wstring& path, bool) { told.push_back(path); });
    browser.SetDirName(L"c:\\data\\photos");
    EXPECT_EQ(browser.DirName(), L"C:\\Data\\Photos");
    const auto& entries = browser.List().Entries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].label, L"C:\\");
    EXPECT_EQ(entries[2].label, L"Photos");
    EXPECT_EQ(entries[2].level, 2);
    EXPECT_TRUE(entries[2].open);
    EXPECT_EQ(entries[3].path, L"C:\\Data\\Photos\\2024");
    EXPECT_FALSE(entries[3].open);
    EXPECT_EQ(browser.List().CurrentIndex(), 2u);

    browser.OpenAbove(2);  // Backspace on the current folder: its parent
    EXPECT_EQ(browser.DirName(), L"C:\\Data");
    browser.OpenEntry(0);
    EXPECT_EQ(browser.DirName(), L"C:\\");

    browser.SetDirName(L"C:\\Deleted\\Alias");
    EXPECT_EQ(browser.DirName(), L"C:\\Home");
    EXPECT_EQ(told.back(), L"C:\\Home");
    EXPECT_FALSE(browser.ChooseDrive(L"Q:\\"));  // no such drive: nothing changes
    EXPECT_EQ(browser.DirName(), L"C:\\Home");
}

// An alias or a refresh naming the folder already shown lists the chooser anew.
TEST(FolderBrowser, ShowingTheSameFolderAgainRelistsTheChooser) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\Work\\A");
    FolderChooser chooser(fs);
    FolderBrowser browser(fs, [&](const std::wstring& path, bool force) { chooser.SetDirName(path, force); });
    browser.SetDirName(L"C:\\Work");
    fs.AddDir(L"C:\\Work\\B");
    browser.SetDirName(L"C:\\Work");
    EXPECT_EQ(chooser.Count(), 2u);
    fs.AddDir(L"C:\\Work\\C");
    browser.Refresh();
    EXPECT_EQ(chooser.Count(), 3u);
    // After a run: told only when the run changed what the browser shows.
    size_t told = 0;
    FolderBrowser counted(fs, [&](const std::wstring&, bool) { ++told; });
    counted.SetDirName(L"C:\\Work");
    counted.Refresh(false);
    EXPECT_EQ(told, 1u);
    fs.MoveDir(L"C:\\Work\\C", L"C:\\Work\\c");
    counted.Refresh(false);
    EXPECT_EQ(told, 2u);
}

TEST(FolderBrowser, RefreshFindsTheNearestFolderLeft) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\Data\\photos");
    FolderBrowser browser(fs, {});
    browser.SetDirName(L"C:\\Data\\photos");
    fs.MoveDir(L"C:\\Data\\photos", L"C:\\Data\\PHOTOS2");
    browser.Refresh();
    EXPECT_EQ(browser.DirName(), L"C:\\Data");
    EXPECT_EQ(browser.DirText(), L"C:\\Data");
}

}  // namespace
}  // namespace kelvaro
