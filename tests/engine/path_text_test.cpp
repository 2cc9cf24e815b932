#include "engine/path_text.h"

#include <gtest/gtest.h>

#include <utility>

namespace kelvaro {
namespace {

TEST(PathPieces, SplitsTheLastComponent) {
    EXPECT_EQ(LastPathName(L"C:\\Data\\Photos"), L"Photos");
    EXPECT_EQ(LastPathName(L"C:\\Data\\"), L"");
    EXPECT_EQ(LastPathName(L"Photos"), L"");
    EXPECT_EQ(ParentDirName(L"C:\\Data\\Photos"), L"C:\\Data");
    EXPECT_EQ(ParentDirName(L"C:\\Photos"), L"C:\\");
    EXPECT_EQ(ParentDirName(L"Photos"), L"");
    EXPECT_EQ(ParentWithSeparator(L"C:\\Photos"), L"C:\\");
    EXPECT_EQ(ParentWithSeparator(L"C:\\Data\\Photos"), L"C:\\Data\\");
}

// Every kind of full path Windows takes has one root; the rest have none.
TEST(PathPieces, RootsOfDrivesSharesAndLongPaths) {
    const std::pair<const wchar_t*, const wchar_t*> roots[] = {
        {L"C:\\", L"C:\\"},
        {L"d:\\Data\\Photos", L"d:\\"},
        {L"\\\\server\\share", L"\\\\server\\share\\"},
        {L"\\\\server\\share\\Data", L"\\\\server\\share\\"},
        {L"\\\\?\\C:\\Data", L"\\\\?\\C:\\"},
        {L"\\\\?\\UNC\\server\\share\\Data", L"\\\\?\\UNC\\server\\share\\"},
        {L"C:", L""},
        {L"C:Data", L""},
        {L"Data\\Photos", L""},
        {L"\\Data", L""},
        {L"\\\\server", L""},
        {L"\\\\server\\", L""},
        {L"1:\\Data", L""},
    };
    for (const auto& [path, root] : roots) EXPECT_EQ(PathRoot(path), root) << path;
    for (const wchar_t* path : {L"C:\\", L"\\\\server\\share", L"\\\\server\\share\\", L"\\\\?\\C:\\"})
        EXPECT_TRUE(IsDriveRoot(path)) << path;
    for (const wchar_t* path : {L"C:", L"C:\\Data", L"\\\\server\\share\\Data", L"\\", L""})
        EXPECT_FALSE(IsDriveRoot(path)) << path;
    EXPECT_EQ(ParentDirName(L"C:\\"), L"C:\\");
    EXPECT_EQ(WithSeparator(L"C:\\"), L"C:\\");
    EXPECT_EQ(WithSeparator(L"C:\\Data"), L"C:\\Data\\");
}

TEST(PathPieces, BaseAndExtensionGiveTheComponentBack) {
    EXPECT_EQ(FileBaseName(L"C:\\Data\\a.b.txt"), L"a.b");
    EXPECT_EQ(FileExtName(L"C:\\Data\\a.b.txt"), L".txt");
    EXPECT_EQ(FileBaseName(L"C:\\Data.x\\photos"), L"photos");
    EXPECT_EQ(FileExtName(L"C:\\Data.x\\photos"), L"");  // the dot belongs to the parent
    EXPECT_EQ(FileBaseName(L"C:\\Data\\.A"), L"");
    EXPECT_EQ(FileExtName(L"C:\\Data\\A."), L".");
    for (const wchar_t* path : {L"C:\\x\\a.b.c", L"C:\\x\\abc", L"C:\\x\\.a", L"C:\\x\\a."})
        EXPECT_EQ(FileBaseName(path) + FileExtName(path), LastPathName(path)) << path;
}

TEST(PathPieces, LastDirNameNeedsABackslashAfterTheFirstCharacter) {
    EXPECT_EQ(LastDirName(L"\\Data"), L"");
    EXPECT_EQ(LastDirName(L"C:\\Data\\Photos"), L"Photos");
    EXPECT_EQ(LastDirName(L"C:\\Data\\"), L"");
    EXPECT_EQ(LastDirName(L"Data"), L"");
}

TEST(CaseNames, KeepTheExcludedRangesAndMapEverythingElse) {
    EXPECT_EQ(UpperCaseName(L"\uFF44\uFF41\uFF54\uFF41photo"), L"\uFF44\uFF41\uFF54\uFF41PHOTO");  // ｄａｔａ stays
    EXPECT_EQ(UpperCaseName(L"\u03B1\u03B2\u03B3"), L"\u03B1\u03B2\u03B3");                        // αβγ stays
    EXPECT_EQ(UpperCaseName(L"\u0430\u044F"), L"\u0430\u044F");                                    // а я stay
    EXPECT_EQ(UpperCaseName(L"\u00E9t\u00E9 2024"), L"\u00C9T\u00C9 2024");
    EXPECT_EQ(LowerCaseName(L"\uFF21\uFF22\uFF23 Photos"), L"\uFF21\uFF22\uFF23 photos");  // ＡＢＣ stays
    EXPECT_EQ(LowerCaseName(L"\u0391\u03A9\u0410\u042F"), L"\u0391\u03A9\u0410\u042F");
    EXPECT_EQ(LowerCaseName(L"\u5199\u771F DATA"), L"\u5199\u771F data");  // 写真 has no case
    // Just outside the kept ranges, letters do change.
    EXPECT_EQ(UpperCaseName(L"\u03C9\u03CA"), L"\u03C9\u03AA");
    EXPECT_EQ(LowerCaseName(L"\u0401"), L"\u0451");
}

TEST(ShortNames, FollowTheEightDotThreeRule) {
    for (const wchar_t* name : {L"PHOTOS", L"photos", L"A.TXT", L"\uFF83\uFF7D\uFF84", L"ABCDEFGH.XYZ", L"A-B_C~1",
                                L"(1)", L"data.txt", L"{x}!#$%&", L"'@^`.~|_"})
        EXPECT_TRUE(IsShortName(std::wstring(L"C:\\Data\\") + name)) << name;
    for (const wchar_t* name : {L"ABCDEFGHI", L"A.TEXT", L"A.", L".A", L"A.B.C", L"MY DATA", L"\u30C6\u30B9\u30C8",
                                L"A+B", L"DATA;1", L"A,B", L"A=B", L"[A]", L"\uFF21"})
        EXPECT_FALSE(IsShortName(std::wstring(L"C:\\Data\\") + name)) << name;
    EXPECT_TRUE(IsShortNameChar(0xFF61));
    EXPECT_TRUE(IsShortNameChar(0xFF9F));
    EXPECT_FALSE(IsShortNameChar(0xFFA0));
    EXPECT_FALSE(IsShortNameChar(L'.'));
}

TEST(ShortNames, CodePage932ByteRuleCountsDoubleByteCharactersTwice) {
    for (const wchar_t* name : {L"新しい~1", L"写真", L"ABCDEFGH.XYZ", L"ﾃｽﾄﾃｽﾄﾃｽ", L"漢字.漢", L"A-B_C~1"})
        EXPECT_TRUE(IsCodePageShortName(name)) << name;
    for (const wchar_t* name :
         {L"新しいフォルダー", L"漢字漢字漢", L"A.漢字", L"A B", L"A.B.C", L".A", L"A.", L"A+B", L"Café", L"A[1]", L""})
        EXPECT_FALSE(IsCodePageShortName(name)) << name;
}

TEST(DirNameAbbrev, ShortensFiveOrMorePartsOnly) {
    EXPECT_EQ(DirNameAbbrev(L"C:\\Data\\2024\\Trip\\photos"), L"C:\\Data\\...\\Trip\\photos");
    EXPECT_EQ(DirNameAbbrev(L"C:\\Data\\Trip\\photos"), L"C:\\Data\\Trip\\photos");
    EXPECT_EQ(DirNameAbbrev(L"C:\\a\\b\\c\\d\\e\\f"), L"C:\\a\\...\\e\\f");
    EXPECT_EQ(DirNameAbbrev(L"C:\\a\\b\\c\\d\\"), L"C:\\a\\...\\d\\");  // the empty last part counts
    EXPECT_EQ(DirNameAbbrev(L""), L"");
}

TEST(StorableNames, RefuseWhatWindowsWouldNotStoreAsWritten) {
    for (const wchar_t* name : {L"ABC", L"a.b", L"CONSOLE", L"COM0", L"LPT10", L"\u5199\u771F", L".hidden", L"CONIN",
                                L"COM\u2074", L"LPT\u00B9\u00B9"})
        EXPECT_TRUE(IsStorableName(name)) << name;
    for (const wchar_t* name :
         {L"",    L".",    L"..",     L"ABC.",        L"ABC ",      L"CON",           L"con",       L"Nul.txt",  L"PRN",
          L"aux", L"COM1", L"com9.x", L"LPT1",        L"lpt9",      L"a?b",           L"a*b",       L"a<b",      L"a|b",
          L"a:b", L"a\"b", L"CONIN$", L"conout$.txt", L"COM\u00B9", L"com\u00B2.log", L"LPT\u00B3", L"lpt\u00B9"})
        EXPECT_FALSE(IsStorableName(name)) << name;
}

}  // namespace
}  // namespace kelvaro
