// RenameFolder against an in-memory file system that refuses renames on demand.
#include "engine/rename_dir.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"
#include "fakes/sinks.h"
#include "fakes/rename.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;
using testing::kRenameDone;
using testing::RecordingSink;
using testing::RenameDir;
using Lines = std::vector<std::wstring>;

const std::wstring kFailed = L"　フォルダ名を変更できませんでした";

class RenameDirTest : public ::testing::Test {
protected:
    int16_t Rename(const std::wstring& path, int16_t mode, bool hiraganaToKatakana = true) {
        return RenameDir({fs, history, changed, hiraganaToKatakana}, path, mode);
    }
    FakeFileSystem fs;
    RecordingSink history, changed;
};

TEST_F(RenameDirTest, RenamesThroughTheTemporarySibling) {
    fs.AddDir(L"C:\\Data\\2024\\Trip\\photos");
    Lines moves;
    fs.allowMove = [&](const std::wstring& from, const std::wstring& to) {
        moves.push_back(from + L" > " + to);
        return true;
    };
    EXPECT_EQ(Rename(L"C:\\Data\\2024\\Trip\\photos", 0), 0);
    EXPECT_EQ(moves, (Lines{L"C:\\Data\\2024\\Trip\\photos > C:\\Data\\2024\\Trip\\photos.Tmpぷよむ",
                            L"C:\\Data\\2024\\Trip\\photos.Tmpぷよむ > C:\\Data\\2024\\Trip\\PHOTOS"}));
    EXPECT_EQ(history.lines,
              (Lines{L"[ C:\\Data\\...\\Trip\\photos ]", L"　フォルダ名を", L"　[ PHOTOS ]", L"　に変更しました"}));
    EXPECT_EQ(changed.lines, Lines{L"C:\\Data\\2024\\Trip\\PHOTOS"});
    EXPECT_EQ(fs.Stored(L"C:\\Data\\2024\\Trip\\photos"), L"C:\\Data\\2024\\Trip\\PHOTOS");
}

TEST_F(RenameDirTest, SkipsWithoutTouchingTheDisk) {
    fs.AddDir(L"C:\\Data\\My Photos");
    fs.AddDir(L"C:\\Data\\longfoldername");
    fs.AddDir(L"C:\\Data\\DONE");
    EXPECT_EQ(Rename(L"C:\\Data\\My Photos", 1), 1);
    EXPECT_EQ(Rename(L"C:\\Data\\longfoldername", 4), 1);
    EXPECT_EQ(Rename(L"C:\\Data\\DONE", 0), 0);
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\My Photos ]", L"　変更してもＬＦＮの為変更しません",
                                    L"[ C:\\Data\\longfoldername ]", L"　８形式にしてもＬＦＮの為変更しません",
                                    L"[ C:\\Data\\DONE ]", L"　フォルダ名変更後と同一の為変更しません"}));
    EXPECT_EQ(changed.lines, Lines{L"C:\\Data\\DONE"});  // already in form counts as done
    EXPECT_EQ(fs.moves, 0);
}

TEST_F(RenameDirTest, ModesOneAndFourRenameTheSameFolders) {
    fs.AddDir(L"C:\\Data\\photos");
    fs.AddDir(L"C:\\Data\\abc.de");
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 1), 0);
    EXPECT_EQ(Rename(L"C:\\Data\\abc.de", 4), 0);
    EXPECT_TRUE(fs.Stored(L"C:\\Data\\PHOTOS") == L"C:\\Data\\PHOTOS");
    EXPECT_TRUE(fs.Stored(L"C:\\Data\\ABC.DE") == L"C:\\Data\\ABC.DE");
}

TEST_F(RenameDirTest, ShortNameModeUsesTheVolumesShortName) {
    fs.AddDir(L"C:\\Program Files\\My Documents");
    fs.shortNames[L"C:\\Program Files\\My Documents"] = L"C:\\PROGRA~1\\mydocu~1";
    EXPECT_EQ(Rename(L"C:\\Program Files\\My Documents", 3), 0) << history.lines.back();
    EXPECT_EQ(fs.Stored(L"C:\\Program Files\\MYDOCU~1"), L"C:\\Program Files\\MYDOCU~1");
    EXPECT_EQ(changed.lines, Lines{L"C:\\Program Files\\MYDOCU~1"});
}

TEST_F(RenameDirTest, NoShortFormMeansNoRename) {
    // A volume without 8.3 names answers with the long name itself, and the history says so.
    const std::wstring kNoShort = L"　このドライブには短い名前が無い為変更しません";
    fs.AddDir(L"C:\\Data\\Long Folder Name");
    EXPECT_EQ(Rename(L"C:\\Data\\Long Folder Name", 3), 1);
    // And a folder that has vanished has no short form at all.
    EXPECT_EQ(Rename(L"C:\\Data\\Gone", 3), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\Long Folder Name ]", kNoShort, L"[ C:\\Data\\Gone ]", kFailed,
                                    L"　変更不可（フォルダなし）"}));
    EXPECT_EQ(fs.moves, 0);
    EXPECT_EQ(fs.Stored(L"C:\\Data\\Long Folder Name"), L"C:\\Data\\Long Folder Name");
}

TEST_F(RenameDirTest, ShortNameModeTakesDoubleByteShortNames) {
    // A FAT volume on Japanese Windows stores short names in code page 932.
    fs.AddDir(L"C:\\Data\\新しいフォルダー");
    fs.shortNames[L"C:\\Data\\新しいフォルダー"] = L"C:\\Data\\新しい~1";
    fs.AddDir(L"C:\\Data\\写真");                 // its own short name
    fs.AddDir(L"C:\\NoShort\\新しいフォルダー");  // handed back unchanged: no short form
    EXPECT_EQ(Rename(L"C:\\Data\\新しいフォルダー", 3), 0);
    EXPECT_EQ(Rename(L"C:\\Data\\写真", 3), 0);
    EXPECT_EQ(Rename(L"C:\\NoShort\\新しいフォルダー", 3), 1);
    EXPECT_EQ(Rename(L"C:\\", 3), 0);
    EXPECT_EQ(history.lines,
              (Lines{L"[ C:\\Data\\新しいフォルダー ]", L"　フォルダ名を", L"　[ 新しい~1 ]", L"　に変更しました",
                     L"[ C:\\Data\\写真 ]", L"　フォルダ名変更後と同一の為変更しません",
                     L"[ C:\\NoShort\\新しいフォルダー ]", L"　このドライブには短い名前が無い為変更しません",
                     L"[ C:\\ ]", L"　フォルダ名変更後と同一の為変更しません"}));
    EXPECT_EQ(fs.Stored(L"C:\\Data\\新しい~1"), L"C:\\Data\\新しい~1");
    EXPECT_EQ(changed.lines, (Lines{L"C:\\Data\\新しい~1", L"C:\\Data\\写真", L"C:\\"}));
}

TEST_F(RenameDirTest, UnknownModeTouchesNothing) {
    fs.AddDir(L"C:\\Data\\photos");
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 9), 1);
    EXPECT_EQ(Rename(L"C:\\Data\\photos", -1), 1);
    const std::wstring why = L"　変更不可（使えない名前）";
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\photos ]", kFailed, why, L"[ C:\\Data\\photos ]", kFailed, why}));
    EXPECT_EQ(fs.moves, 0);
    EXPECT_TRUE(changed.lines.empty());
}

TEST_F(RenameDirTest, NamesWindowsWouldNotStoreAreRefusedUpFront) {
    fs.AddDir(L"C:\\Data\\ＡＢＣ．");
    fs.AddDir(L"C:\\Data\\ＣＯＮ");
    fs.AddDir(L"C:\\Data\\ｌｐｔ１．ｔｘｔ");
    fs.AddDir(L"C:\\Data\\ＡＢ　");
    fs.AddDir(L"C:\\Data\\．．");
    for (const wchar_t* name : {L"ＡＢＣ．", L"ＣＯＮ", L"ｌｐｔ１．ｔｘｔ", L"ＡＢ　", L"．．"})
        EXPECT_EQ(Rename(std::wstring(L"C:\\Data\\") + name, 6), 1) << name;
    EXPECT_EQ(fs.moves, 0);
    EXPECT_EQ(history.lines[1], kFailed);
    EXPECT_EQ(history.lines[2], L"　変更不可（使えない名前）");  // why, in the preview's words
    EXPECT_EQ(history.lines.size(), 15u);
    EXPECT_TRUE(changed.lines.empty());
}

TEST_F(RenameDirTest, FirstRenameRefusedLeavesTheFolderAlone) {
    fs.AddDir(L"C:\\Data\\photos");
    fs.allowMove = [](const std::wstring&, const std::wstring&) { return false; };
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 0), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\photos ]", kFailed, L"　error 5"}));
    EXPECT_EQ(fs.Stored(L"C:\\Data\\photos"), L"C:\\Data\\photos");
    EXPECT_TRUE(changed.lines.empty());
}

TEST_F(RenameDirTest, SecondRenameRefusedRestoresTheOldName) {
    fs.AddDir(L"C:\\Data\\ＤＡＴＡ");
    fs.AddDir(L"C:\\Data\\DATA2");
    fs.allowMove = [](const std::wstring&, const std::wstring& to) { return to != L"C:\\Data\\DATA"; };
    EXPECT_EQ(Rename(L"C:\\Data\\ＤＡＴＡ", 6), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\ＤＡＴＡ ]", kFailed, L"　error 5"}));
    EXPECT_EQ(fs.Stored(L"C:\\Data\\ＤＡＴＡ"), L"C:\\Data\\ＤＡＴＡ");
    EXPECT_FALSE(fs.Exists(L"C:\\Data\\ＤＡＴＡ.Tmpぷよむ"));
}

TEST_F(RenameDirTest, SiblingWithTheNewNameIsNotOverwritten) {
    fs.AddDir(L"C:\\Data\\ＤＡＴＡ\\inner");
    fs.AddDir(L"C:\\Data\\DATA");
    EXPECT_EQ(Rename(L"C:\\Data\\ＤＡＴＡ", 6), 1);
    EXPECT_TRUE(fs.Exists(L"C:\\Data\\ＤＡＴＡ\\inner"));
    EXPECT_EQ(fs.moves, 0);  // refused before anything moves
    EXPECT_EQ(history.lines.back(), L"　変更不可（同名あり）");
}

TEST_F(RenameDirTest, WhenEvenTheWayBackIsRefusedTheHistoryNamesTheTemporaryFolder) {
    fs.AddDir(L"C:\\Data\\photos");
    fs.allowMove = [](const std::wstring& from, const std::wstring&) { return from == L"C:\\Data\\photos"; };
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 0), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\photos ]", kFailed, L"　error 5", L"　[ photos.Tmpぷよむ ]"}));
    EXPECT_TRUE(fs.Exists(L"C:\\Data\\photos.Tmpぷよむ"));
    EXPECT_TRUE(changed.lines.empty());
}

TEST_F(RenameDirTest, EveryRefusalSaysWhyUnderTheFailureLine) {
    fs.AddDir(L"C:\\Data\\photos");
    for (const uint32_t error : {5u, 32u, 33u, 2u, 183u, 1234u}) {
        for (const wchar_t* refused : {L"C:\\Data\\photos.Tmpぷよむ", L"C:\\Data\\PHOTOS"}) {
            history.lines.clear();
            fs.moveError = [&](const std::wstring&, const std::wstring& to) { return to == refused ? error : 0u; };
            EXPECT_EQ(Rename(L"C:\\Data\\photos", 0), 1);
            EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\photos ]", kFailed, L"　error " + std::to_wstring(error)}));
            EXPECT_EQ(fs.SubFolders(L"C:\\Data"), Lines{L"photos"});
        }
    }
}

TEST_F(RenameDirTest, ANameStoredOtherwiseIsCaughtAndPutBack) {
    fs.AddDir(L"C:\\Data\\photos");
    fs.utf8Names = true;  // a Linux file system under Wine, which cuts names short
    fs.storedAs = [](const std::wstring& to) { return to == L"C:\\Data\\PHOTOS" ? L"C:\\Data\\Photo" : to; };
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 0), 1);
    EXPECT_EQ(history.lines,
              (Lines{L"[ C:\\Data\\photos ]", kFailed, L"　新しい名前がそのとおりに保存されませんでした"}));
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), Lines{L"photos"});
}

TEST_F(RenameDirTest, MissingFolderFailsCleanly) {
    EXPECT_EQ(Rename(L"C:\\Data\\Nowhere", 2), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\Nowhere ]", kFailed, L"　error 3"}));
}

TEST_F(RenameDirTest, AMissingFolderWhoseNameIsInFormIsNotDone) {
    fs.AddDir(L"C:\\Data\\OTHER");
    EXPECT_EQ(Rename(L"C:\\Data\\NOWHERE", 0), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\Data\\NOWHERE ]", kFailed, L"　変更不可（フォルダなし）"}));
    EXPECT_TRUE(changed.lines.empty());
    EXPECT_EQ(Rename(L"C:\\", 0), 0);  // a drive root is there, and in form
}

TEST_F(RenameDirTest, StepsOutOfTheFolderWhileRenamingIt) {
    fs.AddDir(L"C:\\Data\\photos\\2024");
    ASSERT_TRUE(fs.SetCurrentDir(L"C:\\Data\\photos\\2024"));
    std::wstring currentDuringMove;
    fs.allowMove = [&](const std::wstring&, const std::wstring&) {
        currentDuringMove = fs.CurrentDir();
        return true;
    };
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 5), 0);
    EXPECT_EQ(currentDuringMove, L"C:\\");
    // Coming back fails (the folder has a new name); the root stays current.
    EXPECT_EQ(fs.CurrentDir(), L"C:\\");

    ASSERT_TRUE(fs.SetCurrentDir(L"C:\\Data"));
    fs.AddDir(L"C:\\Other\\x");
    EXPECT_EQ(Rename(L"C:\\Other\\x", 0), 0);
    EXPECT_EQ(fs.CurrentDir(), L"C:\\Data");
}

}  // namespace
}  // namespace kelvaro
