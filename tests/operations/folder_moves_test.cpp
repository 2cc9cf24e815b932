// What a rename moves, and what it leaves alone, on the in-memory file system:
// Windows' own folders, mode 3's rename straight to the short name, the way
// back after the system stored another name, and why mode 3 finds no short name.
#include <gtest/gtest.h>

#include <set>

#include "operations/recovery.h"
#include "operations/run_history.h"
#include "operations/undo.h"
#include "engine/rename_dir.h"
#include "engine/rename_plan.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_journal_store.h"
#include "fakes/sinks.h"
#include "fakes/rename.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;
using testing::FakeJournalStore;
using testing::kRenameDone;
using testing::RecordingSink;
using testing::RenameDir;
using Lines = std::vector<std::wstring>;

const std::wstring kFailed = L"　フォルダ名を変更できませんでした";
const std::wstring kTemp = L".Tmpぷよむ";

// The fake, told which folders are Windows' own and what it knows of short names.
class SystemFileSystem : public FakeFileSystem {
public:
    bool IsWindowsFolder(const std::wstring& path) override { return windowsFolders.count(path) != 0; }
    bool KeepsShortNames(const std::wstring&) override { return keepsShortNames; }
    std::wstring ShortPath(const std::wstring& path) override {
        return unreadableShortNames.count(path) ? std::wstring() : FakeFileSystem::ShortPath(path);
    }
    uint32_t ShortPathError(const std::wstring& path) override { return unreadableShortNames.count(path) ? 5 : 0; }

    std::set<std::wstring> windowsFolders, unreadableShortNames;
    bool keepsShortNames = false;
};

class FolderMovesTest : public ::testing::Test {
protected:
    FolderMovesTest() {
        fs.allowMove = [this](const std::wstring& from, const std::wstring& to) {
            moves.push_back(from + L" > " + to);
            return true;
        };
    }
    RenameServices Services() { return {fs, history, changed, true, &journal}; }
    int16_t Rename(const std::wstring& path, int16_t mode) {
        RecordedRun run(&journal, history, RunKind::Run);
        return RenameDir(Services(), path, mode);
    }
    PlanState Planned(const std::wstring& path, int16_t mode) { return PlanRun(fs, {path}, mode, true)[0].state; }

    SystemFileSystem fs;
    FakeJournalStore store;
    RenameJournal journal{store};
    RecordingSink history, changed;
    Lines moves;
};

// Renaming Documents breaks every program that stored its path, and Explorer
// shows it under its localized name: only its case changes, which leaves
// those paths valid.
TEST_F(FolderMovesTest, WindowsOwnFoldersChangeTheirCaseOnly) {
    const std::wstring documents = L"C:\\Users\\kei\\Documents";
    fs.AddDir(documents);
    fs.windowsFolders = {documents};
    fs.shortNames[documents] = L"C:\\Users\\kei\\DOCUME~1";
    for (const int16_t mode : {3, 5, 6, 7}) {
        history.lines.clear();
        EXPECT_EQ(Planned(documents, mode), mode == 6 || mode == 7 ? PlanState::InForm : PlanState::WindowsFolder);
        if (mode == 6 || mode == 7) continue;
        EXPECT_EQ(Rename(documents, mode), 1) << mode;
        EXPECT_EQ(history.lines, (Lines{L"[ " + documents + L" ]", kFailed, L"　変更不可（Windows のフォルダ）"}));
    }
    EXPECT_TRUE(moves.empty());
    EXPECT_EQ(Planned(documents, 0), PlanState::Rename);
    EXPECT_EQ(Rename(documents, 0), 0);
    EXPECT_EQ(fs.Stored(documents), L"C:\\Users\\kei\\DOCUMENTS");
    // A folder that is not Windows' own is renamed as ever.
    fs.AddDir(L"C:\\Users\\kei\\Documents2");
    EXPECT_EQ(Rename(L"C:\\Users\\kei\\Documents2", 5), 0);
}

// Old -> temporary -> the folder's own short name is what NTFS and FAT undo
// by giving the folder its long name back: mode 3 renames straight to it.
TEST_F(FolderMovesTest, ModeThreeRenamesStraightToTheFoldersOwnShortName) {
    fs.AddDir(L"C:\\Data\\My Documents");
    fs.shortNames[L"C:\\Data\\My Documents"] = L"C:\\Data\\MYDOCU~1";
    fs.AddDir(L"C:\\Data\\photos");  // its short name is itself: a change of case
    fs.AddDir(L"C:\\Data\\Long Name");
    fs.shortNames[L"C:\\Data\\Long Name"] = L"C:\\Data\\LONGNA~1";
    fs.AddDir(L"C:\\Data\\Long Name" + kTemp);  // its temporary name is taken
    EXPECT_EQ(Rename(L"C:\\Data\\My Documents", 3), 0);
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 3), 0);
    EXPECT_EQ(Rename(L"C:\\Data\\Long Name", 3), 1);
    EXPECT_EQ(history.lines.back(), L"　変更不可（同名あり）");
    EXPECT_EQ(Rename(L"C:\\Data\\MYDOCU~1", 2), 0);  // every other rename keeps the temporary name
    EXPECT_EQ(
        moves,
        (Lines{L"C:\\Data\\My Documents > C:\\Data\\MYDOCU~1", L"C:\\Data\\photos > C:\\Data\\photos.Tmpぷよむ",
               L"C:\\Data\\photos.Tmpぷよむ > C:\\Data\\PHOTOS", L"C:\\Data\\MYDOCU~1 > C:\\Data\\MYDOCU~1.Tmpぷよむ",
               L"C:\\Data\\MYDOCU~1.Tmpぷよむ > C:\\Data\\mydocu~1"}));
    EXPECT_EQ(fs.Stored(L"C:\\Data\\Long Name"), L"C:\\Data\\Long Name");
}

// The direct rename is recorded as any other, with the temporary path where
// it never goes: a start after a cut finds the folder under the old or the
// new name and closes the record by what it finds, and an undo takes it back.
TEST_F(FolderMovesTest, ADirectRenameIsRecoveredAndTakenBackLikeAnyOther) {
    const std::wstring old = L"C:\\Data\\My Documents", fresh = L"C:\\Data\\MYDOCU~1";
    fs.AddDir(old);
    fs.shortNames[old] = fresh;  // the short spelling answers for the folder too
    EXPECT_EQ(Rename(old, 3), 0);
    const auto runs = ParseJournal(store.bytes);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].folders[0].tempPath, old + kTemp);
    EXPECT_EQ(runs[0].folders[0].outcome, JournalOutcome::New);
    EXPECT_EQ(UndoLastRun(Services(), [] { return true; }), 0u);
    EXPECT_EQ(fs.Stored(old), old);

    // Cut short before the rename, and after it: the record is open either way.
    for (const bool renamed : {false, true}) {
        if (renamed) {
            ASSERT_TRUE(fs.MoveDir(old, fresh));
        }
        store.bytes += RunRecord("cut" + std::to_string(renamed), RunKind::Run, {9, 1}, "") +
                       FolderRecord("cut" + std::to_string(renamed), 1, old, old + kTemp, fresh);
        moves.clear();
        EXPECT_EQ(RecoverInterrupted(fs, journal, history), 1u);
        EXPECT_TRUE(moves.empty());
        EXPECT_EQ(ParseJournal(store.bytes).back().folders[0].outcome,
                  renamed ? JournalOutcome::New : JournalOutcome::Old);
        EXPECT_EQ(fs.SubFolders(L"C:\\Data"), Lines{renamed ? L"MYDOCU~1" : L"My Documents"});
    }
}

// Only where names are cut short as they are stored (Wine on Linux), and only
// the very folder the rename opened, is moved back from a sibling's name.
TEST_F(FolderMovesTest, OnlyTheFolderRenamedIsMovedBackFromWhereTheSystemPutIt) {
    fs.AddDir(L"C:\\Data\\photos");
    fs.AddDir(L"C:\\Data\\PHOTO");  // another folder, named like the start of the new name
    fs.storedAs = [](const std::wstring& to) { return to == L"C:\\Data\\PHOTOS" ? L"C:\\Data\\PHOT" : to; };
    for (const bool wine : {false, true}) {
        fs.utf8Names = wine;
        history.lines.clear();
        EXPECT_EQ(Rename(L"C:\\Data\\photos", 0), 1);
        // PHOTO is never taken for it; PHOT is, under Wine alone.
        EXPECT_EQ(fs.SubFolders(L"C:\\Data"), wine ? (Lines{L"PHOTO", L"photos"}) : (Lines{L"PHOT", L"PHOTO"}));
        EXPECT_EQ(history.lines.back(),
                  wine ? L"　新しい名前がそのとおりに保存されませんでした" : L"　フォルダの場所を確認できません");
        if (!wine) {
            ASSERT_TRUE(fs.MoveDir(L"C:\\Data\\PHOT", L"C:\\Data\\photos"));
        }
    }
    // A folder elsewhere is never one whose name was cut short.
    fs.storedAs = [](const std::wstring& to) { return to == L"C:\\Data\\PHOTOS" ? L"C:\\Data\\gone" : to; };
    EXPECT_EQ(Rename(L"C:\\Data\\photos", 0), 1);
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"gone", L"PHOTO"}));
}

// "このドライブには短い名前が無い" only for a drive that keeps none.
TEST_F(FolderMovesTest, ModeThreeTellsWhyAFolderHasNoShortName) {
    const std::wstring path = L"C:\\Data\\Long Folder Name";
    fs.AddDir(path);
    fs.keepsShortNames = true;
    EXPECT_EQ(Planned(path, 3), PlanState::FolderNoShortName);
    EXPECT_EQ(PlanStateText(PlanState::FolderNoShortName), L"このフォルダには短い名前が無い為変更しません");
    EXPECT_EQ(Rename(path, 3), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ " + path + L" ]", L"　このフォルダには短い名前が無い為変更しません"}));
    // A short name the system would not tell: the system's reason, not a name it cannot store.
    fs.unreadableShortNames = {path, L"C:\\Data"};
    history.lines.clear();
    EXPECT_EQ(Planned(path, 3), PlanState::ShortNameUnreadable);
    EXPECT_EQ(Rename(path, 3), 1);
    EXPECT_EQ(history.lines, (Lines{L"[ " + path + L" ]", kFailed, L"　error 5"}));
    EXPECT_TRUE(moves.empty());
}

}  // namespace
}  // namespace kelvaro
