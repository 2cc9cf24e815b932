// RenameFolder and the path helpers on real folders (under Wine: a temporary
// folder on C:). Names are checked on disk, never by return values alone.
#include <gtest/gtest.h>

#include <numeric>

#include "engine/converters.h"
#include "engine/disk_paths.h"
#include "engine/path_text.h"
#include "engine/rename_dir.h"
#include "fakes/sinks.h"
#include "fakes/temp_dir.h"
#include "platform/unique_handle.h"
#include "platform/win32_file_system.h"
#include "fakes/rename.h"

namespace kelvaro {
namespace {

using testing::kRenameDone;
using testing::RecordingSink;
using testing::RenameDir;
using testing::TempDir;
using Lines = std::vector<std::wstring>;

class DiskRenameTest : public ::testing::Test {
protected:
    int16_t Rename(const std::wstring& path, int16_t mode) {
        return RenameDir({fs, history, changed, true}, path, mode);
    }
    Win32FileSystem fs;
    TempDir dir;
    RecordingSink history, changed;
};

TEST_F(DiskRenameTest, CaseOnlyRenameGoesThroughTheTemporaryName) {
    const std::wstring path = dir.MakeDir(L"photos");
    EXPECT_EQ(Rename(path, 0), 0);
    EXPECT_EQ(dir.Listing(), L"PHOTOS");
    EXPECT_EQ(changed.lines, Lines{dir.Path() + L"\\PHOTOS"});
    EXPECT_EQ(history.lines.size(), 4u);
    EXPECT_EQ(history.lines[2], L"　[ PHOTOS ]");

    EXPECT_EQ(Rename(dir.Path() + L"\\PHOTOS", 2), 0);
    EXPECT_EQ(dir.Listing(), L"photos");
}

TEST_F(DiskRenameTest, AlreadyInFormIsDoneWithoutRenaming) {
    const std::wstring path = dir.MakeDir(L"PHOTOS");
    EXPECT_EQ(Rename(path, 0), 0);
    EXPECT_EQ(history.lines, (Lines{L"[ " + DirNameAbbrev(path) + L" ]", L"　フォルダ名変更後と同一の為変更しません"}));
    EXPECT_EQ(changed.lines, Lines{path});
    EXPECT_EQ(dir.Listing(), L"PHOTOS");
}

// A sibling holding the new name, and on a file system that tells case apart
// a twin differing in case only, refuse the rename before anything moves.
TEST_F(DiskRenameTest, ASiblingHoldingTheNewNameKeepsTheFolderWhereItIs) {
    const std::wstring path = dir.MakeDir(L"ＤＡＴＡ\\inner");
    dir.MakeDir(L"DATA");
    EXPECT_EQ(Rename(dir.Path() + L"\\ＤＡＴＡ", 6), 1);
    EXPECT_EQ(history.lines.back(), L"　変更不可（同名あり）");
    EXPECT_EQ(history.lines[1], L"　フォルダ名を変更できませんでした");
    EXPECT_EQ(dir.Listing(), L"DATA|ＤＡＴＡ");
    EXPECT_EQ(dir.Listing(L"ＤＡＴＡ"), L"inner");
    EXPECT_TRUE(changed.lines.empty());
}

// Linux keeps 255 bytes of a name: 81 full-width letters and the temporary
// suffix would not fit, so the folder is left as it is and the run says why.
TEST_F(DiskRenameTest, UnderWineANameHoldsTwoHundredFiftyFiveBytes) {
    ASSERT_TRUE(fs.StoresNamesAsUtf8());
    const std::wstring fits = dir.MakeDir(std::wstring(80, L'a'));
    const std::wstring over = dir.MakeDir(std::wstring(81, L'b'));
    EXPECT_EQ(Rename(over, 5), 1);
    EXPECT_EQ(history.lines.back(), L"　※一時的な名前を付けると２５５バイトを超えます（Linux のファイルシステム）");
    EXPECT_EQ(dir.StoredName(std::wstring(81, L'b')), std::wstring(81, L'b'));
    EXPECT_EQ(Rename(fits, 5), 0);
    EXPECT_EQ(dir.StoredName(std::wstring(80, L'ａ')), std::wstring(80, L'ａ'));
}

TEST_F(DiskRenameTest, MissingFolderChangesNothing) {
    dir.MakeDir(L"other");
    EXPECT_EQ(Rename(dir.Path() + L"\\gone", 0), 1);
    EXPECT_EQ(history.lines.back(), L"　" + fs.ErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(history.lines[1], L"　フォルダ名を変更できませんでした");
    EXPECT_EQ(dir.Listing(), L"other");
}

TEST_F(DiskRenameTest, WidthModesRenameJapaneseNames) {
    dir.MakeDir(L"ｶﾞｲﾄﾞ 2024");
    EXPECT_EQ(Rename(dir.Path() + L"\\ｶﾞｲﾄﾞ 2024", 5), 0);
    EXPECT_EQ(dir.Listing(), L"ガイド　２０２４");
    EXPECT_EQ(Rename(dir.Path() + L"\\ガイド　２０２４", 6), 0);
    EXPECT_EQ(dir.Listing(), L"ｶﾞｲﾄﾞ 2024");
}

TEST_F(DiskRenameTest, ShortNameModeGivesAValidShortName) {
    const std::wstring path = dir.MakeDir(L"My Long Folder");
    const int16_t result = Rename(path, 3);
    const std::wstring listed = dir.Listing();
    if (result == 0) {
        EXPECT_TRUE(IsShortName(L"\\" + listed)) << listed;
        EXPECT_EQ(listed, UpperCaseName(listed));
    } else {
        EXPECT_EQ(listed, L"My Long Folder");  // the volume keeps no short names
    }
}

TEST_F(DiskRenameTest, CurrentDirectoryInsideTheFolderDoesNotBlockTheRename) {
    const std::wstring inner = dir.MakeDir(L"work\\sub");
    ASSERT_TRUE(SetCurrentDirectoryW(inner.c_str()));
    EXPECT_EQ(Rename(dir.Path() + L"\\work", 0), 0);
    EXPECT_EQ(dir.Listing(), L"WORK");
    SetCurrentDirectoryW(L"C:\\");
}

// Wine refuses to open a folder that another handle holds without sharing its deletion.
TEST_F(DiskRenameTest, AFolderInUseIsTriedAgainUntilReleasedOrCancelled) {
    const std::wstring path = dir.MakeDir(L"busy");
    UniqueFileHandle holder;
    std::vector<unsigned> pauses;  // counted, not slept
    size_t releaseAt = 0;          // 0: never, 1: Cancel at the first pause
    fs.SetRetryPause([&](unsigned ms) {
        pauses.push_back(ms);
        if (pauses.size() == releaseAt) holder.reset();
        return releaseAt != 1;
    });
    for (const size_t release : {3, 1, 0}) {
        releaseAt = release;
        pauses.clear();
        holder.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        EXPECT_EQ(Rename(path, 0), release == 3 ? 0 : 1);
        EXPECT_EQ(pauses.size(), release == 0 ? 7u : release);
        if (release == 3) ASSERT_TRUE(fs.MoveDir(dir.Path() + L"\\BUSY", path));
    }
    EXPECT_EQ(std::accumulate(pauses.begin(), pauses.end(), 0u), 2000u);  // growing: 50, 100, 200...
    EXPECT_EQ(history.lines.back(), L"　" + fs.ErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(FailureReason(fs, 0x20001234u), L"　エラー番号: 536875572");  // a code the system has no words for
}

// A file or a device that answers to a folder's name is never renamed.
TEST_F(DiskRenameTest, OnlyAFolderIsRenamed) {
    const std::wstring file = dir.MakeFile(L"photos");
    EXPECT_EQ(Rename(file, 0), 1);
    EXPECT_EQ(history.lines.back(), L"　" + fs.ErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(dir.Listing(), L"photos");
    for (const wchar_t* device : {L"\\nul", L"\\COM1", L"\\nul.txt", L"\\Aux .a"}) {
        EXPECT_EQ(LongDirName(fs, dir.Path() + device), L"") << device;
        EXPECT_FALSE(DirExist(fs, dir.Path() + device)) << device;
        EXPECT_FALSE(fs.MoveDir(dir.Path() + device, dir.Path() + L"\\x")) << device;
    }
}

// Linux keeps 255 bytes of a name: Wine stores 85 of 100 full-width characters.
TEST_F(DiskRenameTest, ANameTheSystemCutShortIsPutBack) {
    const std::wstring path = dir.MakeDir(std::wstring(100, L'a'));
    const MoveOutcome moved = MoveThroughTemp(fs, nullptr, path, ToFullWidthDirName(path));
    EXPECT_EQ(moved.result, MoveOutcome::Refused);
    EXPECT_EQ(moved.reasons, Lines{L"　新しい名前がそのとおりに保存されませんでした"});
    EXPECT_EQ(dir.Listing(), std::wstring(100, L'a'));
}

TEST(DiskPaths, LongDirNameGivesTheStoredSpelling) {
    Win32FileSystem fs;
    TempDir dir;
    dir.MakeDir(L"Program Files\\My Documents");
    dir.MakeFile(L"Program Files\\notes.txt");
    const std::wstring lower = L"c" + dir.Path().substr(1) + L"\\program files\\MY documents";
    EXPECT_EQ(LongDirName(fs, lower), dir.Path() + L"\\Program Files\\My Documents");
    EXPECT_EQ(LongDirName(fs, dir.Path() + L"\\Program Files\\"), dir.Path() + L"\\Program Files");
    EXPECT_EQ(LongDirName(fs, L"c:\\"), L"C:\\");
    EXPECT_EQ(LongDirName(fs, dir.Path() + L"\\Missing\\Folder"), L"");
    EXPECT_EQ(LongDirName(fs, L"\\\\server\\share"), L"");
    EXPECT_EQ(LongDirName(fs, L"Data\\Sub"), L"");
    // Patterns and relative components never pick a folder.
    EXPECT_EQ(LongDirName(fs, dir.Path() + L"\\*"), L"");
    EXPECT_EQ(LongDirName(fs, dir.Path() + L"\\Program ?iles"), L"");
    EXPECT_EQ(LongDirName(fs, dir.Path() + L"\\Program Files\\..\\Program Files"), L"");
    EXPECT_EQ(LongDirName(fs, dir.Path() + L"\\.\\Program Files"), L"");
    EXPECT_EQ(LongDirName(fs, dir.Path() + L"\\\\Program Files"), L"");
    // A short spelling comes back long.
    const std::wstring shortPath = fs.ShortPath(dir.Path() + L"\\Program Files");
    if (!shortPath.empty()) EXPECT_EQ(LongDirName(fs, shortPath), dir.Path() + L"\\Program Files");
}

// On the real disk the answers of a drop's resolver are those of LongDirName
// and DirExist, name by name, whatever the spelling.
TEST(DiskPaths, ResolverAgreesWithTheLookupOnTheDisk) {
    Win32FileSystem fs;
    TempDir dir;
    dir.MakeDir(L"Program Files\\Sub");
    dir.MakeDir(L"写真");
    dir.MakeDir(L"abc");
    dir.MakeFile(L"notes.txt");
    const std::wstring base = dir.Path() + L"\\";
    std::vector<std::wstring> names = {
        base + L"ABC",    base + L"abc.",      base + L"abc ",    base + L"program files/sub",
        base + L"写真\\", base + L"NOTES.TXT", base + L"Missing", base + L"abc\\..\\abc",
        base + L"a<c"};
    const std::wstring shortPath = fs.ShortPath(base + L"Program Files");
    if (!shortPath.empty()) names.push_back(shortPath);
    DirNameResolver resolver(fs);
    for (const auto& name : names) {
        const std::wstring alone = LongDirName(fs, name);
        EXPECT_EQ(resolver.LongDirName(name), alone) << name;
        if (!alone.empty()) EXPECT_EQ(resolver.IsFolder(alone), DirExist(fs, alone)) << name;
    }
    EXPECT_EQ(LongDirName(fs, base + L"program files/sub"), base + L"Program Files\\Sub");
    const auto entries = fs.Entries(dir.Path());
    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(entries->size(), 4u);
    EXPECT_FALSE(fs.Entries(base + L"Missing").has_value());
}

TEST(DiskPaths, DirExistLeavesTheCurrentDirectoryAlone) {
    Win32FileSystem fs;
    TempDir dir;
    dir.MakeDir(L"Data");
    dir.MakeFile(L"file.txt");
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    EXPECT_TRUE(DirExist(fs, dir.Path() + L"\\Data\\"));
    EXPECT_TRUE(DirExist(fs, L"C:\\"));
    EXPECT_FALSE(DirExist(fs, dir.Path() + L"\\Nowhere"));
    EXPECT_FALSE(DirExist(fs, dir.Path() + L"\\file.txt"));
    EXPECT_EQ(fs.CurrentDir(), dir.Path());
    SetCurrentDirectoryW(L"C:\\");
}

TEST(DiskPaths, DriveFreeTextOnRealDrives) {
    Win32FileSystem fs;
    const std::wstring text = DriveFreeText(fs, L"C:\\Windows");
    ASSERT_GE(text.size(), 12u);
    EXPECT_EQ(text.substr(0, 2), L" (");
    EXPECT_EQ(text.substr(text.size() - 7), L"M Free)");
    // A drive letter that does not exist gives empty text.
    std::wstring missing;
    const DWORD mask = GetLogicalDrives();
    for (int i = 25; i >= 0 && missing.empty(); --i)
        if (!(mask & (1u << i))) missing = std::wstring{static_cast<wchar_t>(L'A' + i), L':', L'\\'};
    EXPECT_EQ(DriveFreeText(fs, missing), L"");
    EXPECT_FALSE(TempDirName(fs).empty());
}

}  // namespace
}  // namespace kelvaro

TEST(FolderLinks, OnlyJunctionsAndSymbolicLinksAreNotEntered) {
    constexpr unsigned long kReparse = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_FALSE(kelvaro::IsFolderLink(FILE_ATTRIBUTE_DIRECTORY, 0));
    EXPECT_TRUE(kelvaro::IsFolderLink(kReparse, IO_REPARSE_TAG_MOUNT_POINT));
    EXPECT_TRUE(kelvaro::IsFolderLink(kReparse, IO_REPARSE_TAG_SYMLINK));
    EXPECT_TRUE(kelvaro::IsFolderLink(kReparse, 0));             // how Wine lists a Linux symbolic link
    EXPECT_FALSE(kelvaro::IsFolderLink(kReparse, 0x9000001Au));  // a OneDrive placeholder holds real folders
}
