// What the preview shows of a plan: the row texts, the notes on followed and
// clashing folders, the counts, the switch to the refused folders, the check
// boxes, and the path columns cut to their width.
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
    EXPECT_EQ(preview.Before(0), L"C:\\Data\\2024\\Trip\\ab");
    EXPECT_EQ(preview.After(0), L"ab");
    EXPECT_EQ(preview.StateText(0), L"同一の為変更しません");
    EXPECT_EQ(preview.StateText(2), L"変更不可（対象同士で同名）");
    EXPECT_EQ(preview.StateText(3), L"同一の為変更しません　※対象同士で同名");
    EXPECT_EQ(preview.CountsText(),
              L"合計：5件　同一の為変更しません：3件　変更不可（フォルダなし）：1件　変更不可（対象同士で同名）：1件");

    preview.Compute(fs, {L"C:\\Data\\2024\\Trip\\ab", L"C:\\Data\\2024\\Trip\\ab\\cd", L"C:\\Data\\gone"}, 5, true);
    EXPECT_EQ(preview.After(1), L"C:\\Data\\2024\\Trip\\ａｂ\\ｃｄ");  // the whole new path, under the new parent
    EXPECT_EQ(preview.StateText(1), L"変更します　※上位フォルダの変更後");
    preview.SetOnlyRefused(true);
    EXPECT_EQ(preview.Rows(), std::vector<size_t>{2});
    EXPECT_EQ(preview.Count(PlanState::Rename), 2u);
}

// Unticking a folder plans the run without its rename: the folder that
// clashed with it may take the name, the one below it stays where it is, and
// the counts and the choice handed to the run follow.
TEST(PreviewState, UntickedFoldersAreLeftOutOfThePlan) {
    testing::FakeFileSystem fs;
    for (const wchar_t* path : {L"C:\\D\\ＡＢＣ", L"C:\\D\\ＡBＣ", L"C:\\D\\Ｔｏｐ\\Ｓｕｂ", L"C:\\D\\x"})
        fs.AddDir(path);
    PreviewState preview;
    preview.Compute(fs, {L"C:\\D\\ＡＢＣ", L"C:\\D\\ＡBＣ", L"C:\\D\\Ｔｏｐ", L"C:\\D\\Ｔｏｐ\\Ｓｕｂ", L"C:\\D\\x"}, 6,
                    true);
    EXPECT_EQ(preview.Plan()[1].state, PlanState::BatchClash);
    EXPECT_EQ(preview.After(3), L"C:\\D\\Top\\Sub");
    EXPECT_TRUE(preview.Ticked(0));
    EXPECT_FALSE(preview.HasCheckBox(1));
    EXPECT_FALSE(preview.HasCheckBox(4));  // already in form

    preview.SetTicked({0, 2, 4}, false);
    EXPECT_EQ(preview.Plan()[1].state, PlanState::Rename);
    EXPECT_TRUE(preview.Ticked(1));
    EXPECT_EQ(preview.After(3), L"Sub");  // no longer below a renamed folder
    EXPECT_EQ(preview.StateText(0), L"除外した為変更しません");
    EXPECT_EQ(preview.LeftOut(), (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(preview.CountsText(),
              L"合計：5件　変更します：2件　同一の為変更しません：1件　除外した為変更しません：2件");

    // Space: every selected box takes the opposite of the first one's state.
    preview.Toggle({4, 1, 2});
    EXPECT_EQ(preview.LeftOut(), (std::vector<bool>{true, true, true, false, false}));
    preview.Toggle({0, 2});
    EXPECT_EQ(preview.LeftOut(), (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(preview.Plan()[1].state, PlanState::Rename);  // left out: it keeps no clash
    preview.Recompute(5);
    EXPECT_TRUE(preview.Plan()[1].leftOut);  // another mode keeps the choice
}

// Paths are cut in the middle only as far as the column needs, and two deep
// paths that differ only in the middle never look alike.
TEST(PreviewState, PathColumnsAreCutInTheMiddleAndStayDistinct) {
    testing::FakeFileSystem fs;
    const std::wstring a = L"D:\\deep\\level\\one\\xxxxxx\\2023\\photos",
                       b = L"D:\\deep\\level\\two\\xxxxxx\\2023\\photos";
    fs.AddDir(a);
    fs.AddDir(b);
    PreviewState preview;
    preview.Compute(fs, {a, b}, 0, true);
    const auto extents = [](const std::wstring& text) {
        std::vector<int> widths;
        for (size_t i = 0; i < text.size(); ++i) widths.push_back(10 * static_cast<int>(i + 1));
        return widths;
    };
    EXPECT_EQ(preview.FittedColumn(0, 400, extents, 10), (std::vector<std::wstring>{a, b}));
    const auto cut = preview.FittedColumn(0, 250, extents, 10);
    EXPECT_NE(cut[0], cut[1]);
    for (const auto& text : cut) EXPECT_LE(text.size(), 25u);
    EXPECT_EQ(cut[0].substr(0, 15), L"D:\\deep\\level\\o");
    EXPECT_EQ(cut[1].substr(0, 15), L"D:\\deep\\level\\t");
    EXPECT_EQ(cut[0].substr(cut[0].size() - 6), L"photos");
    const auto narrow = preview.FittedColumn(0, 120, extents, 10);  // too narrow for the start up to the difference
    EXPECT_NE(narrow[0], narrow[1]);
    for (const auto& text : narrow) EXPECT_LE(text.size(), 12u);
    EXPECT_EQ(narrow[1].substr(narrow[1].size() - 6), L"photos");
    EXPECT_EQ(MiddleCut(L"abcdefghij", extents(L"abcdefghij"), 10, 60), L"abc\u2026ij");
}

}  // namespace
}  // namespace kelvaro
