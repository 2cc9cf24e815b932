#include "engine/catalog.h"

#include <gtest/gtest.h>

namespace kelvaro {
namespace {

int CountEntries(std::wstring (*catalog)(int16_t), int below = 32768) {
    int count = 0;
    for (int n = -32768; n < below; ++n)
        if (!catalog(static_cast<int16_t>(n)).empty()) ++count;
    return count;
}

TEST(Catalog, HoldsEveryNumberAndNothingElse) {
    // Texts from 25000 on are added by newer features, each tested where it is used.
    EXPECT_EQ(CountEntries(ResKelvaroText, 25000), 137);
    EXPECT_EQ(CountEntries(ResAllText), 44);
    EXPECT_EQ(ResKelvaroText(0), L"");
    EXPECT_EQ(ResKelvaroText(17), L"");
    EXPECT_EQ(ResAllText(9), L"");
}

TEST(Catalog, KeepsTheTwoNumberSpacesApart) {
    EXPECT_EQ(ResKelvaroText(8056), L"半角");
    EXPECT_EQ(ResAllText(8056), L"リサイズ時、小フォームも変更");
    EXPECT_EQ(ResKelvaroText(5000), ResKelvaroText(5001));
    EXPECT_EQ(ResAllText(1100), ResAllText(11101));
    EXPECT_EQ(ResAllText(5), ResAllText(8043));
    EXPECT_EQ(ResAllText(5), L"ｷｬﾝｾﾙ");
}

TEST(Catalog, HistoryTextsStartWithTheIdeographicSpace) {
    for (int16_t n = 20000; n <= 20005; ++n) EXPECT_EQ(ResKelvaroText(n).front(), L'\u3000') << n;
    EXPECT_EQ(ResKelvaroText(20005), L"　８形式にしてもＬＦＮの為変更しません");
    EXPECT_EQ(ResKelvaroText(9999), L"Kelvaro2 for Win32");
    EXPECT_EQ(ResKelvaroText(3100), L"一度で実行できるフォルダ数は最大１０００までです。");
    EXPECT_EQ(ResAllText(11), L"LogFile(*.LOG)|*.LOG|全てのファイル(*.*)|*.*");
    EXPECT_EQ(ResAllText(31), L"全て終了しました");
}

TEST(Catalog, ModeTextsAreIndexedByMode) {
    const wchar_t* buttons[] = {L"大文字", L"LFN除", L"小文字", L"SFN", L"８", L"全角", L"半角"};
    const wchar_t* options[] = {L"大文字", L"ＬＦＮ除", L"小文字", L"ＳＦＮ", L"８", L"全角", L"半角"};
    for (int16_t mode = 0; mode < 7; ++mode) {
        EXPECT_EQ(ResKelvaroText(static_cast<int16_t>(10 + mode)), buttons[mode]);
        EXPECT_EQ(ResKelvaroText(static_cast<int16_t>(8050 + mode)), options[mode]);
        EXPECT_FALSE(ResKelvaroText(static_cast<int16_t>(20 + mode)).empty());
        EXPECT_FALSE(ResKelvaroText(static_cast<int16_t>(8060 + mode)).empty());
    }
}

}  // namespace
}  // namespace kelvaro
