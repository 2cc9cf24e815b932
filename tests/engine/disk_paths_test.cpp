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
