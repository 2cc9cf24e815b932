// What the preview shows of a plan: the row texts, the notes on followed and
// clashing folders, the counts, and the switch to the folders that keep their name.
#include "model/preview_state.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"

namespace kelvaro {
namespace {

TEST(PreviewState, RowsNotesAndCounts) {
    testing::FakeFileSystem fs;
    for (const wchar_t* path : {L"C:\\Data\\2024\\Trip\\ab\\cd", L"C:\\Data\\ＡＢＣ", L"C:\\Data\\ABC"})
        fs.AddDir(path);
    PreviewState preview;
    preview.Compute(fs,
                    {L"C:\\Data\\2024\\Trip\\ab", L"C:\\Data\\2024\\Trip\\ab\\cd", L"C:\\Data\\ＡＢＣ",
                     L"C:\\Data\\ABC", L"C:\\Data\\gone"},
                    6, true);
    ASSERT_EQ(preview.Rows().size(), 5u);
    EXPECT_EQ(preview.Before(0), L"C:\\Data\\...\\Trip\\ab");
    EXPECT_EQ(preview.After(0), L"ab");
    EXPECT_EQ(preview.StateText(0), L"同一の為変更しません");
    EXPECT_EQ(preview.StateText(2), L"変更不可（対象同士で同名）");
    EXPECT_EQ(preview.StateText(3), L"同一の為変更しません　※対象同士で同名");
    EXPECT_EQ(preview.CountsText(),
              L"合計：5件　同一の為変更しません：3件　変更不可（フォルダなし）：1件　変更不可（対象同士で同名）：1件");

    preview.Compute(fs, {L"C:\\Data\\2024\\Trip\\ab", L"C:\\Data\\2024\\Trip\\ab\\cd", L"C:\\Data\\gone"}, 5, true);
    EXPECT_EQ(preview.After(1), L"C:\\Data\\...\\ａｂ\\ｃｄ");  // the whole new path, under the new parent
    EXPECT_EQ(preview.StateText(1), L"変更します　※上位フォルダの変更後");
    preview.SetOnlyKept(true);
    EXPECT_EQ(preview.Rows(), std::vector<size_t>{2});
    EXPECT_EQ(preview.Count(PlanState::Rename), 2u);
}

}  // namespace
}  // namespace kelvaro
