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

}  // namespace
}  // namespace kelvaro
