// PlanRun against the in-memory file system: every state in the modes where
// it occurs, and the run over the same batch ending as the plan said.
#include "engine/rename_plan.h"

#include <gtest/gtest.h>

#include "fakes/fake_file_system.h"
#include "fakes/sinks.h"
#include "fakes/rename.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;
using testing::kRenameDone;
using testing::RecordingSink;
using testing::RenameDir;
using Lines = std::vector<std::wstring>;
using S = PlanState;

class RenamePlanTest : public ::testing::Test {
protected:
    std::vector<PlanEntry> Plan(const Lines& paths, int16_t mode) { return PlanRun(fs, paths, mode, true); }
    std::vector<S> States(const Lines& paths, int16_t mode) {
        std::vector<S> states;
        for (const auto& entry : Plan(paths, mode)) states.push_back(entry.state);
        return states;
    }
    // The run over the batch, as the run driver walks it: RenameDir in order,
    // folders below a renamed one followed to its new name.
    std::vector<bool> Run(Lines paths, int16_t mode) {
        RecordingSink history, changed;
        std::vector<bool> done;
        for (size_t i = 0; i < paths.size(); ++i) {
            const FolderOutcome outcome = RenameFolder({fs, history, changed, true}, paths[i], mode);
            done.push_back(outcome.Done());
            if (outcome.state == FolderState::Renamed)
                for (size_t k = i + 1; k < paths.size(); ++k) FollowRename(paths[k], paths[i], outcome.newPath);
        }
        return done;
    }
    FakeFileSystem fs;
};

TEST_F(RenamePlanTest, EachFolderOnItsOwnInEveryMode) {
    for (const wchar_t* name : {L"photos", L"DONE", L"My Photos", L"longfoldername", L"ＡＢＣ．", L"ＣＯＮ",
                                L"ｌｐｔ１", L"Long Name", L"Short One"})
        fs.AddDir(std::wstring(L"C:\\D\\") + name);
    fs.shortNames[L"C:\\D\\Short One"] = L"C:\\D\\shorto~1";
    const auto plan = Plan({L"C:\\D\\photos", L"C:\\D\\DONE", L"C:\\D\\gone", L"C:\\D\\GONE"}, 0);
    EXPECT_EQ(plan[0].state, S::Rename);
    EXPECT_EQ(plan[0].newPath, L"C:\\D\\PHOTOS");
    EXPECT_EQ(plan[1].state, S::InForm);
    EXPECT_EQ(plan[2].state, S::Missing);
    EXPECT_EQ(plan[3].state, S::Missing);  // in form, but nothing is there to be done
    EXPECT_EQ(States({L"C:\\D\\My Photos", L"C:\\D\\photos"}, 1), (std::vector<S>{S::KeptLong, S::Rename}));
    EXPECT_EQ(States({L"C:\\D\\longfoldername", L"C:\\D\\photos"}, 4), (std::vector<S>{S::KeptEightLong, S::Rename}));
    // A trailing dot and device names (in any case, with an extension) are never stored.
    EXPECT_EQ(States({L"C:\\D\\ＡＢＣ．", L"C:\\D\\ＣＯＮ", L"C:\\D\\ｌｐｔ１"}, 6),
              (std::vector<S>{S::Unstorable, S::Unstorable, S::Unstorable}));
    // No short form (the volume answers with the long name) against a short name.
    const auto shortPlan = Plan({L"C:\\D\\Long Name", L"C:\\D\\Short One"}, 3);
    EXPECT_EQ(shortPlan[0].state, S::NoShortName);
    EXPECT_EQ(shortPlan[1].state, S::Rename);
    EXPECT_EQ(shortPlan[1].newPath, L"C:\\D\\SHORTO~1");
    EXPECT_EQ(fs.shortLookups, 1);  // the parent's short path; the names come from its listing
    EXPECT_EQ(PlanStateText(S::NoShortName), L"短い名前が無い為変更しません");
    for (int16_t mode = 0; mode < 7; ++mode) EXPECT_EQ(States({L"C:\\D\\gone"}, mode), std::vector<S>{S::Missing});
}

TEST_F(RenamePlanTest, TwoFoldersOfTheBatchAfterOneNameAreBothMarked) {
    // ＡＢＣ and ABC both half-width to ABC: ABC keeps its name, ＡＢＣ cannot take it.
    fs.AddDir(L"C:\\D\\ＡＢＣ");
    fs.AddDir(L"C:\\D\\ABC");
    auto plan = Plan({L"C:\\D\\ＡＢＣ", L"C:\\D\\ABC"}, 6);
    EXPECT_EQ(plan[0].state, S::BatchClash);
    EXPECT_EQ(plan[0].clashWith, 1u);
    EXPECT_EQ(plan[1].state, S::InForm);
    EXPECT_EQ(plan[1].clashWith, 0u);
    // Two that both change to one name: the first takes it, the second is refused.
    fs.AddDir(L"C:\\E\\ａB");
    fs.AddDir(L"C:\\E\\aＢ");
    plan = Plan({L"C:\\E\\ａB", L"C:\\E\\aＢ"}, 5);
    EXPECT_EQ(plan[0].state, S::Rename);
    EXPECT_EQ(plan[0].clashWith, 1u);
    EXPECT_EQ(plan[1].state, S::BatchClash);
    EXPECT_EQ(plan[1].newPath, L"C:\\E\\ａＢ");
    EXPECT_EQ(Run({L"C:\\E\\ａB", L"C:\\E\\aＢ"}, 5), (std::vector<bool>{true, false}));
}

TEST_F(RenamePlanTest, NamesTakenBySiblingsOutsideTheBatch) {
    fs.AddDir(L"C:\\D\\ＤＡＴＡ");
    fs.AddDir(L"C:\\D\\DATA");
    fs.AddDir(L"C:\\D\\ＸＹ");
    fs.AddFile(L"C:\\D\\XY");
    fs.AddDir(L"C:\\D\\work");
    fs.AddDir(L"C:\\D\\work.Tmpぷよむ");
    fs.AddDir(L"C:\\D\\photos");
    const Lines batch{L"C:\\D\\ＤＡＴＡ", L"C:\\D\\ＸＹ", L"C:\\D\\work", L"C:\\D\\photos"};
    EXPECT_EQ(States(batch, 6), (std::vector<S>{S::SiblingExists, S::SiblingExists, S::InForm, S::InForm}));
    // A change of case is no clash with the folder itself; the temporary name is.
    EXPECT_EQ(States(batch, 0), (std::vector<S>{S::InForm, S::InForm, S::SiblingExists, S::Rename}));
    EXPECT_EQ(fs.listingCalls, 2);  // one listing of the parent per plan
    EXPECT_EQ(fs.moves, 0);
}

TEST_F(RenamePlanTest, AFolderThatCannotBeListedIsAskedFolderByFolder) {
    fs.AddDir(L"C:\\Locked\\photos");
    fs.unlistable.insert(L"C:\\Locked");
    EXPECT_EQ(States({L"C:\\Locked\\photos", L"C:\\Locked\\gone"}, 0), (std::vector<S>{S::Rename, S::Missing}));
}

TEST_F(RenamePlanTest, PathsTooLongForWindows) {
    const std::wstring deep = L"C:\\" + std::wstring(240, L'p');
    fs.AddDir(L"C:\\D\\" + std::wstring(250, L'a'));       // the temporary name would pass 255
    fs.AddDir(deep + L"\\abcdefghijklm");                  // the temporary path would pass 259
    fs.AddDir(L"C:\\D\\" + std::wstring(130, L'\u30AC'));  // ガ x130 half-width: 260 characters
    const std::wstring longer = L"C:\\" + std::wstring(250, L'q') + L"\\" + std::wstring(20, L'r');
    fs.AddDir(longer + L"\\sub");  // already past 259: this volume takes long paths
    const std::vector<std::wstring> batch{L"C:\\D\\" + std::wstring(250, L'a'), deep + L"\\abcdefghijklm"};
    EXPECT_EQ(States(batch, 0), (std::vector<S>{S::TooLong, S::TooLong}));
    fs.longPaths = true;  // only the name over 255 is refused then
    EXPECT_EQ(States(batch, 0), (std::vector<S>{S::TooLong, S::Rename}));
    fs.longPaths = false;
    EXPECT_EQ(States({L"C:\\D\\" + std::wstring(130, L'\u30AC')}, 6), std::vector<S>{S::TooLong});
    EXPECT_EQ(States({longer + L"\\sub"}, 0), std::vector<S>{S::Rename});
}

// A folder the plan calls too long is one the run leaves alone, saying why;
// the limits are those of the place the folder is in when its turn comes.
TEST_F(RenamePlanTest, TheRunRefusesWhatThePlanCallsTooLong) {
    const std::wstring deep = L"C:\\" + std::wstring(240, L'p') + L"\\";
    Lines batch;
    for (size_t length = 255; length <= 259; ++length) batch.push_back(deep + std::wstring(length - deep.size(), L'x'));
    batch.push_back(L"C:\\D\\" + std::wstring(249, L'n'));  // 256 with the temporary suffix
    batch.push_back(L"C:\\E\\ｶﾞｶﾞ");                        // 253 characters below it, 251 once it is ガガ
    batch.push_back(L"C:\\E\\ｶﾞｶﾞ\\" + std::wstring(243, L'y'));
    for (const auto& path : batch) fs.AddDir(path);
    const auto plan = Plan(batch, 5);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(plan[i].state, S::TooLong) << batch[i].size();  // the fake takes no long paths
    EXPECT_EQ(plan[5].limit, LengthLimit::NameChars);
    EXPECT_EQ(plan[7].state, S::Rename);
    EXPECT_TRUE(plan[7].belowRenamed);

    for (size_t i = 0; i < batch.size(); ++i) {
        RecordingSink history, changed;
        const int moves = fs.moves;
        std::wstring path = batch[i];
        if (i == 7) path = L"C:\\E\\ガガ\\" + std::wstring(243, L'y');
        const bool done = RenameDir({fs, history, changed, true}, path, 5) == kRenameDone;
        EXPECT_EQ(done, PlanDone(plan[i].state)) << i;
        if (plan[i].state != S::TooLong) continue;
        EXPECT_EQ(fs.moves, moves) << i;
        EXPECT_EQ(history.lines.back(), LengthLimitText(plan[i].limit)) << i;
        EXPECT_EQ(history.lines[2], L"　変更不可（パスが長すぎる）") << i;  // in the preview's words
    }
    EXPECT_EQ(LengthLimitText(LengthLimit::PathChars), L"　※一時的な名前を付けるとパスが２５９文字を超えます");
}

// Where names are UTF-8 bytes (Wine on Linux), the new name and the old one,
// each with the 13 bytes of the temporary suffix, hold at most 255 bytes.
TEST_F(RenamePlanTest, NamesCountedInBytesWhereTheSystemStoresUtf8) {
    const Lines batch{L"C:\\D\\" + std::wstring(80, L'a'), L"C:\\D\\" + std::wstring(81, L'b')};
    const std::wstring wide = L"C:\\D\\" + std::wstring(81, L'ｃ');  // 243 bytes: its temporary name is too long
    for (const auto& path : {batch[0], batch[1], wide}) fs.AddDir(path);
    EXPECT_EQ(States({batch[0], batch[1], wide}, 6), (std::vector<S>{S::InForm, S::InForm, S::Rename}));
    fs.utf8Names = true;
    EXPECT_EQ(States(batch, 5), (std::vector<S>{S::Rename, S::TooLong}));
    EXPECT_EQ(States({wide}, 6), std::vector<S>{S::TooLong});
}

TEST_F(RenamePlanTest, FolderBelowARenamedOneIsFollowed) {
    fs.AddDir(L"C:\\D\\ab\\cd");
    fs.AddDir(L"C:\\D\\ef\\gh");
    fs.AddDir(L"C:\\D\\ＫＬ\\mn");
    const Lines batch{L"C:\\D\\ab", L"C:\\D\\ab\\cd", L"C:\\D\\ef\\gh",
                      L"C:\\D\\ef", L"C:\\D\\ＫＬ",   L"C:\\D\\ＫＬ\\mn"};
    const auto plan = Plan(batch, 5);  // full-width
    EXPECT_EQ(plan[1].state, S::Rename);
    EXPECT_TRUE(plan[1].belowRenamed);
    EXPECT_EQ(plan[1].newPath, L"C:\\D\\ａｂ\\ｃｄ");
    EXPECT_FALSE(plan[2].belowRenamed);  // handled before its parent
    EXPECT_EQ(plan[4].state, S::InForm);
    EXPECT_FALSE(plan[5].belowRenamed);  // its parent keeps its name
    const auto done = Run(batch, 5);
    for (size_t i = 0; i < batch.size(); ++i) EXPECT_EQ(done[i], PlanDone(plan[i].state)) << i;
    EXPECT_EQ(fs.Stored(L"C:\\D\\ａｂ\\ｃｄ"), L"C:\\D\\ａｂ\\ｃｄ");
    EXPECT_EQ(fs.Stored(L"C:\\D\\ｅｆ\\ｇｈ"), L"C:\\D\\ｅｆ\\ｇｈ");
}

TEST_F(RenamePlanTest, TheRunDoesWhatThePlanSaidInEveryMode) {
    const Lines names{L"photos", L"PHOTOS2", L"My Photos", L"abc.de", L"ＤＡＴＡ",
                      L"DATA",   L"ｶﾞｲﾄﾞ",   L"ガイド",    L"ＣＯＮ", L"sub"};
    for (int16_t mode = 0; mode < 7; ++mode) {
        fs = FakeFileSystem();
        Lines batch;
        for (const auto& name : names) {
            fs.AddDir(L"C:\\T\\" + name);
            batch.push_back(L"C:\\T\\" + name);
        }
        fs.AddDir(L"C:\\T\\sub\\inner");
        batch.push_back(L"C:\\T\\sub\\inner");
        batch.push_back(L"C:\\T\\vanished");
        fs.shortNames[L"C:\\T\\My Photos"] = L"C:\\T\\MYPHOT~1";
        const auto plan = Plan(batch, mode);
        const auto done = Run(batch, mode);
        for (size_t i = 0; i < batch.size(); ++i) {
            EXPECT_EQ(done[i], PlanDone(plan[i].state)) << mode << L" " << batch[i];
            if (plan[i].state == S::Rename) EXPECT_EQ(fs.Stored(plan[i].newPath), plan[i].newPath) << mode;
        }
    }
}

TEST(FollowRename, OnlyFoldersBelowTheRenamedOne) {
    std::wstring path = L"C:\\D\\ab\\cd";
    EXPECT_TRUE(FollowRename(path, L"C:\\D\\AB", L"C:\\D\\ａｂ"));
    EXPECT_EQ(path, L"C:\\D\\ａｂ\\cd");
    for (std::wstring other : {L"C:\\D\\abc", L"C:\\D\\ab", L"C:\\D\\a"})
        EXPECT_FALSE(FollowRename(other, L"C:\\D\\ab", L"C:\\D\\x")) << other;
}

}  // namespace
}  // namespace kelvaro
