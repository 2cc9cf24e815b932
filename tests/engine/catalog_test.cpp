#include "engine/catalog.h"

#include <gtest/gtest.h>

#include <set>

namespace kelvaro {
namespace {

TEST(Catalog, EveryNamedTextExistsUnderItsOwnNumber) {
    std::set<int16_t> program, general;
    for (KText text : kAllProgramTexts) {
        EXPECT_FALSE(ResKelvaroText(text).empty()) << static_cast<int>(text);
        EXPECT_TRUE(program.insert(static_cast<int16_t>(text)).second) << "twice: " << static_cast<int>(text);
    }
    for (AText text : kAllGeneralTexts) {
        EXPECT_FALSE(ResAllText(text).empty()) << static_cast<int>(text);
        EXPECT_TRUE(general.insert(static_cast<int16_t>(text)).second) << "twice: " << static_cast<int>(text);
    }
    EXPECT_EQ(ResKelvaroText(static_cast<KText>(17)), L"");
    EXPECT_EQ(ResAllText(static_cast<AText>(9)), L"");
}

TEST(Catalog, KeepsTheTwoNumberSpacesApart) {
    EXPECT_EQ(ResKelvaroText(KText::AutoHalfWidthOption), L"半角");
    EXPECT_EQ(ResAllText(AText::ResizeChildrenOption), L"リサイズ時、小フォームも変更");
    EXPECT_EQ(ResKelvaroText(KText::HistoryWindowCaption), ResKelvaroText(KText::HistoryListHint));
    EXPECT_EQ(ResAllText(AText::AliasNamePrompt), ResAllText(AText::NewAliasNamePrompt));
    EXPECT_EQ(ResAllText(AText::CancelButton), ResAllText(AText::OptionCancelButton));
    EXPECT_EQ(ResAllText(AText::CancelButton), L"ｷｬﾝｾﾙ");
}

TEST(Catalog, HistoryTextsStartWithTheIdeographicSpace) {
    for (int n = 0; n <= 5; ++n) EXPECT_EQ(ResKelvaroText(NthText(KText::KeptLongLine, n)).front(), L'\u3000') << n;
    EXPECT_EQ(ResKelvaroText(KText::KeptEightLongLine), L"　８形式にしてもＬＦＮの為変更しません");
    EXPECT_EQ(ResKelvaroText(KText::ProgramTitle), L"Kelvaro2 for Win32");
    EXPECT_EQ(ResKelvaroText(KText::TooManyFolders), L"一度で実行できるフォルダ数は最大１０００までです。");
    EXPECT_EQ(ResAllText(AText::LogFileFilter), L"LogFile(*.LOG)|*.LOG|全てのファイル(*.*)|*.*");
    EXPECT_EQ(ResAllText(AText::AllFinishedLine), L"全て終了しました");
    EXPECT_EQ(ResAllText(AText::CopyHistoryOption), L"結果をクリップボードにコピー");
    EXPECT_EQ(ResAllText(AText::CopyHistoryHint), L"自動実行時、結果を自動的にクリップボードにコピーします");
}

TEST(Catalog, ModeTextsAreIndexedByMode) {
    const wchar_t* buttons[] = {L"大文字", L"LFN除", L"小文字", L"SFN", L"８", L"全角", L"半角"};
    const wchar_t* options[] = {L"大文字", L"ＬＦＮ除", L"小文字", L"ＳＦＮ", L"８", L"全角", L"半角"};
    for (int mode = 0; mode < 7; ++mode) {
        EXPECT_EQ(ResKelvaroText(NthText(KText::UpperButton, mode)), buttons[mode]);
        EXPECT_EQ(ResKelvaroText(NthText(KText::AutoUpperOption, mode)), options[mode]);
        EXPECT_FALSE(ResKelvaroText(NthText(KText::UpperHint, mode)).empty());
        EXPECT_FALSE(ResKelvaroText(NthText(KText::AutoUpperHint, mode)).empty());
    }
    EXPECT_EQ(NthText(KText::UpperButton, 6), KText::HalfWidthButton);
    EXPECT_EQ(NthText(KText::AutoUpperHint, 6), KText::AutoHalfWidthHint);
}

}  // namespace
}  // namespace kelvaro
