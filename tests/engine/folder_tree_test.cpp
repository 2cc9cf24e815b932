#include "engine/folder_tree.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;
using Names = std::vector<std::wstring>;

Names WalkAll(FakeFileSystem& fs, const std::wstring& root, bool withHidden) {
    FolderTreeWalk walk(fs, root, withHidden);
    Names folders;
    while (auto next = walk.Next()) folders.push_back(*next);
    return folders;
}

// Every folder comes after all the folders below it; a link is handed out but
// never entered; hidden folders and leftovers under the temporary name stay out.
TEST(FolderTreeWalk, ChildrenComeBeforeTheirParentAtEveryDepth) {
    FakeFileSystem fs;
    for (const wchar_t* dir : {L"C:\\A\\b\\c\\d", L"C:\\A\\b\\e", L"C:\\A\\f", L"C:\\A\\link\\inside",
                               L"C:\\A\\.hidden\\g", L"C:\\A\\cut.Tmp\u3077\u3088\u3080\\h"})
        fs.AddDir(dir);
    fs.MarkLink(L"C:\\A\\link");
    fs.MarkHidden(L"C:\\A\\.hidden");
    EXPECT_EQ(WalkAll(fs, L"C:\\A", false), (Names{L"C:\\A\\b\\c\\d", L"C:\\A\\b\\c", L"C:\\A\\b\\e", L"C:\\A\\b",
                                                   L"C:\\A\\f", L"C:\\A\\link", L"C:\\A"}));
    const Names all = WalkAll(fs, L"C:\\A", true);
    ASSERT_EQ(all.size(), 9u);
    EXPECT_EQ(all[0], L"C:\\A\\.hidden\\g");  // with /A, hidden folders and what lies below them
    EXPECT_EQ(all[1], L"C:\\A\\.hidden");
    // A named link is renamed itself, and what it points to is never walked.
    EXPECT_EQ(WalkAll(fs, L"C:\\A\\link", false), Names{L"C:\\A\\link"});
    EXPECT_TRUE(IsTempName(L"x.Tmp\u3077\u3088\u3080"));
    EXPECT_FALSE(IsTempName(L".Tmp\u3077\u3088\u3080x"));
}

TEST(FolderTreeWalk, AFolderThatCannotBeListedIsStillHandedOutAndReported) {
    FakeFileSystem fs;
    fs.AddDir(L"C:\\A\\locked\\x");
    fs.AddDir(L"C:\\A\\open");
    fs.unlistable.insert(L"C:\\A\\locked");
    FolderTreeWalk walk(fs, L"C:\\A", false);
    Names folders;
    while (auto next = walk.Next()) folders.push_back(*next);
    EXPECT_EQ(folders, (Names{L"C:\\A\\locked", L"C:\\A\\open", L"C:\\A"}));
    EXPECT_EQ(walk.Unlisted(), Names{L"C:\\A\\locked"});
}

// The walk in a thread of its own hands out what the walk in hand does, in
// the same order, with the same folders marked unlisted, however little it may
// run ahead; and it stops when its owner goes, wherever it stands.
TEST(FolderTreeAhead, HandsOutWhatTheWalkDoesAndStopsWithItsOwner) {
    FakeFileSystem fs;
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 30; ++j) fs.AddDir(L"C:\\A\\t" + std::to_wstring(i) + L"\\m" + std::to_wstring(j) + L"\\x");
    fs.AddDir(L"C:\\A\\locked\\y");
    fs.unlistable.insert(L"C:\\A\\locked");
    fs.MarkLink(L"C:\\A\\t2");
    std::vector<WalkedFolder> expected;
    {
        FolderTreeWalk walk(fs, L"C:\\A", false);
        while (auto next = walk.NextWalked()) expected.push_back(*next);
    }
    fs.listsFromAnyThread = true;
    ASSERT_EQ(expected.size(), 4u * 61 + 1 + 1 + 1);
    for (size_t ahead : {size_t{2}, size_t{10000}}) {
        FolderTreeAhead walk(fs, L"C:\\A", false, ahead);
        size_t k = 0;
        for (; auto next = walk.Next(); ++k) {
            ASSERT_LT(k, expected.size());
            EXPECT_EQ(next->path, expected[k].path);
            EXPECT_EQ(next->unlisted, expected[k].unlisted) << next->path;
        }
        EXPECT_EQ(k, expected.size());
        EXPECT_FALSE(walk.Next());
    }
    // Given up after a few folders, with the walk waiting for room or still listing.
    for (size_t ahead : {size_t{2}, size_t{10000}}) {
        FolderTreeAhead walk(fs, L"C:\\A", false, ahead);
        EXPECT_EQ(walk.Next()->path, expected[0].path);
    }
}

}  // namespace
}  // namespace kelvaro
