#include "engine/disk_paths.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;

TEST(DriveFreeText, FormatsMegabytesWithOneDecimal) {
    EXPECT_EQ(FormatMegabytes(1234567890), L"1,177.4");
    EXPECT_EQ(FormatMegabytes(0), L"0.0");
    EXPECT_EQ(FormatMegabytes(1048576), L"1.0");
    EXPECT_EQ(FormatMegabytes(uint64_t{1048576} * 1234567), L"1,234,567.0");
}

TEST(DriveFreeText, ComputesLargeDrivesIn64Bits) {
    FakeFileSystem fs;
    // 4096 * 8 * 200,000,000 bytes: far beyond what 32 bits hold.
    fs.diskFree = {8, 4096, 200000000, 400000000, 0};
    EXPECT_EQ(DriveFreeText(fs, L"C:\\Data"), L" (6,250,000.0M Free)");
    fs.diskFree.freeBytes = 1234567890;  // the volume's own 64-bit answer wins
    EXPECT_EQ(DriveFreeText(fs, L"C:\\Data"), L" (1,177.4M Free)");
}

TEST(DriveFreeText, EmptyWhenTheDriveCannotTell) {
    FakeFileSystem fs;
    fs.diskFree = {8, 512, 0, 1000, 0};
    EXPECT_EQ(DriveFreeText(fs, L"C:\\"), L"");
    fs.diskFree = {0, 512, 10, 1000, 0};
    EXPECT_EQ(DriveFreeText(fs, L"C:\\"), L"");
    fs.diskReady = false;
    EXPECT_EQ(DriveFreeText(fs, L"C:\\"), L"");
    EXPECT_EQ(DriveFreeText(fs, L""), L"");
}

TEST(LongDirName, ResolvesEveryComponentAndStopsAtTheLimit) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\Program Files\\My Documents");
    fs.shortNames[L"C:\\Program Files"] = L"C:\\PROGRA~1";
    EXPECT_EQ(LongDirName(fs, L"c:\\program files\\my documents"), L"C:\\Program Files\\My Documents");
    EXPECT_EQ(LongDirName(fs, L"C:\\PROGRA~1"), L"C:\\Program Files");
    EXPECT_EQ(LongDirName(fs, L"C:\\Program Files\\"), L"C:\\Program Files");
    EXPECT_EQ(LongDirName(fs, L"C:"), L"");
    EXPECT_EQ(LongDirName(fs, L""), L"");

    std::wstring deep = L"C:";
    for (int i = 0; i < 255; ++i) deep += L"\\d";
    fs.AddDir(deep);
    EXPECT_EQ(LongDirName(fs, deep), deep);  // 256 parts
    fs.AddDir(deep + L"\\d");
    EXPECT_EQ(LongDirName(fs, deep + L"\\d"), L"");  // 257 parts
}

TEST(LongDirName, TakesSlashAsASeparatorAndNeverAnotherFolder) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\t\\sl\\x\\y");
    fs.AddDir(L"C:\\t\\sl\\y");
    for (const wchar_t* given : {L"C:\\t\\sl\\x/y", L"c:/t/sl/x/y/", L"C:/T\\SL/X\\Y", L"C:\\t\\sl\\x\\y\\"})
        EXPECT_EQ(LongDirName(fs, given), L"C:\\t\\sl\\x\\y") << given;
    for (const wchar_t* given :
         {L"C:\\t\\\\sl", L"C:/t//sl", L"C:\\t/\\sl\\y", L"C:\\t\\sl\\x//", L"C:t/sl", L"//t/sl"})
        EXPECT_EQ(LongDirName(fs, given), L"") << given;
    EXPECT_EQ(LongDirName(fs, L"c:/"), L"C:\\");
}

// One resolver for the names of one drop: the parent is listed once, and every
// answer is the one LongDirName gives on its own.
TEST(DirNameResolver, ListsEachFolderOnceAndAgreesWithLongDirName) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\Users\\Drop\\Mixed Case");
    fs.AddDir(L"C:\\Users\\Drop\\写真");
    fs.AddDir(L"C:\\Users\\Drop\\Program Files\\Sub");
    fs.shortNames[L"C:\\Users\\Drop\\Program Files"] = L"C:\\Users\\Drop\\PROGRA~1";
    fs.AddFile(L"C:\\Users\\Drop\\file.txt");
    std::vector<std::wstring> batch;
    for (int i = 0; i < 1000; ++i) {
        fs.AddDir(L"C:\\Users\\Drop\\folder" + std::to_wstring(i));
        batch.push_back(L"C:\\Users\\Drop\\FOLDER" + std::to_wstring(i));
    }
    const std::vector<std::wstring> odd = {
        L"c:\\users\\drop\\mixed case", L"C:/Users/Drop/写真/",       L"C:\\Users\\Drop\\PROGRA~1",
        L"C:\\Users\\Drop\\Missing",    L"C:\\Users\\Drop\\file.txt", L"C:\\Users\\Drop\\\\写真",
        L"C:\\Users\\Drop\\..",         L"C:\\Users\\Drop\\写真.",    L"C:\\Users\\Drop\\Program Files\\Sub"};
    batch.insert(batch.begin() + 500, odd.begin(), odd.end());

    std::vector<std::wstring> alone;
    for (const auto& path : batch) alone.push_back(LongDirName(fs, path));
    const int lookupsAlone = fs.entryLookups;
    EXPECT_TRUE(fs.listings.empty());  // a single name is looked up, never listed

    fs.entryLookups = 0;
    DirNameResolver resolver(fs);
    for (size_t i = 0; i < batch.size(); ++i) EXPECT_EQ(resolver.LongDirName(batch[i]), alone[i]) << batch[i];
    EXPECT_EQ(alone[0], L"C:\\Users\\Drop\\folder0");
    EXPECT_EQ(alone[501], L"C:\\Users\\Drop\\写真");
    EXPECT_EQ(alone[502], L"C:\\Users\\Drop\\Program Files");
    EXPECT_EQ((std::map<std::wstring, int>{{L"C:\\Users\\Drop", 1}}), fs.listings);
    EXPECT_LT(fs.entryLookups * 100, lookupsAlone);

    // Whether a name is a folder comes from the same listing; without one the folder is entered.
    EXPECT_TRUE(resolver.IsFolder(alone[0]));
    EXPECT_FALSE(resolver.IsFolder(L"C:\\Users\\Drop\\file.txt"));
    EXPECT_EQ(fs.dirChecks, 0);
    EXPECT_TRUE(resolver.IsFolder(L"C:\\Users\\Drop\\Program Files\\Sub"));
    EXPECT_FALSE(resolver.IsFolder(L"C:\\Users\\Drop\\Program Files\\Gone"));
    EXPECT_GT(fs.dirChecks, 0);
}

}  // namespace
}  // namespace kelvaro

namespace kelvaro {
namespace {

TEST(ExistingDirNames, AgreesWithLookingUpEachNameOnItsOwn) {
    FakeFileSystem fs;
    for (const wchar_t* dir : {L"C:\\Data\\Alpha", L"C:\\Data\\beta", L"C:\\Data\\ｶﾞｲﾄﾞ", L"C:\\Data\\my photos"})
        fs.AddDir(dir);
    fs.AddFile(L"C:\\Data\\notes.txt");
    const std::vector<std::wstring> names{L"c:\\data\\Alpha",
                                          L"C:\\Data\\alpha",
                                          L"C:\\Data\\beta",
                                          L"C:\\Data\\ｶﾞｲﾄﾞ",
                                          L"C:\\Data\\my photos",
                                          L"C:\\Data\\missing",
                                          L"C:\\Data\\notes.txt",
                                          L"C:\\Data\\beta\\",
                                          L"C:\\Data\\..\\Data\\beta",
                                          L"C:\\Data\\*",
                                          L"C:\\Data",
                                          L"C:\\",
                                          L"Data\\beta",
                                          L"C:\\Data\\Alpha"};
    std::vector<std::wstring> expected;
    for (const auto& name : names) {
        std::wstring canonical = LongDirName(fs, name);
        if (!canonical.empty() && !DirExist(fs, canonical)) canonical.clear();
        expected.push_back(canonical);
    }
    EXPECT_EQ(ExistingDirNames(fs, names), expected);
    EXPECT_EQ(expected[0], L"C:\\Data\\Alpha");
    EXPECT_EQ(expected[6], L"");
}

}  // namespace
}  // namespace kelvaro
