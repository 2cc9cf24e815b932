// The rename journal: its reader, recovery after a run cut short, and undo.
#include "engine/journal.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "operations/recovery.h"
#include "operations/resume.h"
#include "operations/run_history.h"
#include "operations/undo.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_journal_store.h"
#include "fakes/sinks.h"
#include "fakes/temp_dir.h"
#include "platform/win32_journal_store.h"
#include "fakes/rename.h"

namespace kelvaro {
namespace {

using testing::FakeFileSystem;
using testing::FakeJournalStore;
using testing::kRenameDone;
using testing::RecordingSink;
using testing::RenameDir;
using Lines = std::vector<std::wstring>;

const std::wstring kTemp = L".Tmpぷよむ";

std::string SomeRun(const std::string& id, int folders, bool closed = true) {
    std::string bytes = RunRecord(id, RunKind::Run, {7, 8}, "");
    for (int i = 1; i <= folders; ++i) {
        const std::wstring old = L"C:\\写真\\d" + std::to_wstring(i);
        bytes += FolderRecord(id, static_cast<uint32_t>(i), old, old + kTemp, old + L"X");
        if (closed) bytes += DoneRecord(id, static_cast<uint32_t>(i), JournalOutcome::New, old + L"X");
    }
    return bytes;
}

TEST(JournalReader, SkipsWhatMakesNoSenseAndKeepsTheRest) {
    const std::string good = SomeRun("r1", 2);
    const auto runs = ParseJournal(good);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].writer, (ProcessStamp{7, 8}));
    ASSERT_EQ(runs[0].folders.size(), 2u);
    EXPECT_EQ(runs[0].folders[1].oldPath, L"C:\\写真\\d2");
    EXPECT_EQ(runs[0].folders[1].tempPath, L"C:\\写真\\d2.Tmpぷよむ");
    EXPECT_EQ(runs[0].folders[1].outcome, JournalOutcome::New);

    EXPECT_TRUE(ParseJournal("").empty());
    // A write cut short at any byte loses at most the record it cut.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const auto partial = ParseJournal(good.substr(0, cut));
        size_t folders = 0, closed = 0;
        for (const auto& run : partial)
            for (const auto& folder : run.folders) {
                ++folders;
                closed += folder.outcome != JournalOutcome::Open;
            }
        EXPECT_LE(folders, 2u);
        EXPECT_GE(folders + 1, closed);
        if (cut > 0 && good[cut - 1] == '\n') EXPECT_FALSE(partial.empty());
    }
    // Garbage, a foreign encoding and a record glued to a cut one are skipped;
    // whole records around them are used.
    std::string utf16;
    for (char c : good) utf16 += std::string{c, '\0'};
    std::string sjis = FolderRecord("r1", 3, L"C:\\a", L"C:\\b", L"C:\\c");
    sjis.replace(sjis.find("C:\\a"), 4, "C:\\\x8e\xca");
    const std::string mixed = "\x01\xff garbage\n" + utf16 + "\n" + good.substr(30, 40) + sjis +
                              "K2J1\tD\tr1\t1\tN\tC:\\x\t00000000\n" + SomeRun("r2", 1);
    const auto parsed = ParseJournal(mixed);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0].id, "r2");
    EXPECT_EQ(parsed[0].folders.size(), 1u);
}

// A record whose sum does not match is skipped, and counted as damage.
TEST(JournalReader, ARecordWithAWrongSumIsSkipped) {
    std::string bytes = SomeRun("r1", 2);
    // One byte of folder 1's new path and of folder 2's outcome changed, the sums left as they were.
    bytes[bytes.find("d1X") + 2] = 'Y';
    bytes[bytes.rfind("\tN\t") + 1] = 'O';
    JournalDamage damage;
    const auto runs = ParseJournal(bytes, &damage);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].folders.size(), 1u);
    EXPECT_EQ(runs[0].folders[0].seq, 2u);
    EXPECT_EQ(runs[0].folders[0].outcome, JournalOutcome::Open);
    EXPECT_EQ(damage.lines, 3u);  // with the outcome of the folder whose record was skipped
}

TEST(JournalReader, TrimKeepsTheLastRunsAndEveryOpenOne) {
    std::string bytes = SomeRun("open", 1, false);
    for (int i = 0; i < 14; ++i) bytes += SomeRun("r" + std::to_string(i), 1);
    bytes += "torn line without end";
    const auto runs = ParseJournal(TrimJournal(bytes, 9));
    ASSERT_EQ(runs.size(), 10u);
    EXPECT_EQ(runs[0].id, "open");
    EXPECT_EQ(runs[1].id, "r5");
    EXPECT_EQ(runs.back().id, "r13");
}

// A second look at the same file reads on where the first stopped, and
// notices a file swapped in under the number the first one had.
TEST(JournalReader, ALookReadsOnlyWhatWasAppendedUnlessTheFileWasSwapped) {
    FakeJournalStore store;
    store.id = 1;
    RenameJournal journal(store);
    store.bytes = SomeRun("a", 2);
    EXPECT_EQ(journal.HasOpenFolders(), false);
    const std::wstring old = L"C:\\写真\\e";
    store.bytes += RunRecord("b", RunKind::Run, {7, 8}, "") + FolderRecord("b", 1, old, old + kTemp, old + L"X");
    EXPECT_EQ(journal.HasOpenFolders(), true);
    store.bytes += DoneRecord("b", 1, JournalOutcome::New, old + L"X");
    EXPECT_EQ(journal.HasOpenFolders(), false);
    // Another copy's trim put a longer file in its place, and the system gave it the same number.
    store.bytes = SomeRun("c", 1, false) + SomeRun("d", 9);
    EXPECT_EQ(journal.HasOpenFolders(), true);
    // Another file under another number, of the same size and with the same last bytes.
    const std::wstring f = L"C:\\写真\\f";
    auto closing = [&](uint32_t folder) {
        return RunRecord("f", RunKind::Run, {7, 8}, "") + FolderRecord("f", 1, f, f + kTemp, f + L"X") +
               DoneRecord("f", folder, JournalOutcome::New, f + L"X") + SomeRun("g", 1);
    };
    store.bytes = closing(1);
    EXPECT_EQ(journal.HasOpenFolders(), false);
    store.bytes = closing(2);  // folder 1 is left open
    store.id = 2;
    ASSERT_EQ(store.bytes.size(), closing(1).size());
    EXPECT_EQ(journal.HasOpenFolders(), true);
}

// Each run leaves what it found beside the journal: the next copy reads only
// what was appended since, and the whole journal when what it finds beside it
// does not fit the file.
// Every name the file system holds comes back as it was written; records of
// the former format (paths as they are) are still read; and every reader
// takes the same lines for records: a sealed line with the wrong fields
// never closes a folder.
TEST(JournalReader, EveryNameComesBackAndEveryReaderAgreesOnWhatARecordIs) {
    const std::wstring odd = L"C:\\a\tb\\%41 c\nd\r";
    std::string bytes = RunRecord("r", RunKind::Run, {7, 8}, "") + RequestRecords("r", RunRequest{0, "", 1, {odd}}) +
                        FolderRecord("r", 1, odd, odd + kTemp, L"C:\\a\tb\\X");
    const auto runs = ParseJournal(bytes);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].request->targets, Lines{odd});
    ASSERT_EQ(runs[0].folders.size(), 1u);
    EXPECT_EQ(runs[0].folders[0].oldPath, odd);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 4);  // one line each
    // A former record: '%' is a character of the name.
    const std::string former = Seal("K2J1\tF\tr\t2\tC:\\%41\tC:\\%41" + Utf8Text(kTemp) + "\tC:\\X");
    ASSERT_EQ(ParseJournal(bytes + former)[0].folders.size(), 2u);
    EXPECT_EQ(ParseJournal(bytes + former)[0].folders[1].oldPath, L"C:\\%41");
    // A sealed done record with a field too many: damage to every reader, and the folder stays open.
    const std::string wrong = Seal("K2J2\tD\tr\t1\tN\tC:\\X\textra");
    JournalDamage damage;
    EXPECT_EQ(ParseJournal(bytes + wrong, &damage)[0].folders[0].outcome, JournalOutcome::Open);
    EXPECT_EQ(damage.lines, 1u);
    EXPECT_TRUE(HasOpenFolders(bytes + DoneRecord("r", 1, JournalOutcome::New, L"C:\\X") + wrong +
                               EndRecord("r", RunEnd::Done, 1)) == false);
    EXPECT_TRUE(HasOpenFolders(bytes + wrong + EndRecord("r", RunEnd::Done, 1)));
    FakeJournalStore store;
    store.bytes = bytes + wrong;
    size_t backward = 0;
    ForEachFolderBackward(store, store.bytes.size(), "r", [&](JournalFolder&& folder) {
        EXPECT_EQ(folder.oldPath, odd);
        return ++backward > 0;
    });
    EXPECT_EQ(backward, 1u);
}

TEST(JournalReader, TheNextCopyReadsOnFromWhereTheLastRunEnded) {
    FakeJournalStore store;
    store.id = 1;
    store.bytes = SomeRun("open", 1, false);  // killed: kept by every trim
    for (int i = 0; i < 11; ++i) store.bytes += SomeRun("r" + std::to_string(i), 1);
    auto runOne = [&] {
        RenameJournal journal(store);
        ASSERT_TRUE(journal.BeginRun(RunKind::Run));
        const std::wstring old = L"C:\\写真\\n";
        journal.FolderEnd(journal.FolderBegin(old, old + kTemp, old + L"X"), JournalOutcome::New, old + L"X");
        journal.End(RunEnd::Done, 1);
    };
    auto look = [&] {
        store.readsFrom.clear();
        RenameJournal journal(store);
        const auto open = journal.HasOpenFolders();
        EXPECT_EQ(open, HasOpenFolders(store.bytes));
        return open;
    };
    runOne();  // trims the journal first: the ten newest that renamed, the open one, and the new one
    ASSERT_EQ(ParseJournal(store.bytes).size(), 12u);
    EXPECT_EQ(look(), true);
    EXPECT_EQ(store.readsFrom, std::vector<uint64_t>{store.bytes.size() - 64});
    // Closed by a copy that read nothing: the next look reads on over it.
    const size_t before = store.bytes.size();
    {
        RenameJournal journal(store);
        journal.Close("open", 1, JournalOutcome::Old, L"");
    }
    EXPECT_EQ(look(), false);
    EXPECT_EQ(store.readsFrom, std::vector<uint64_t>{before - 64});
    runOne();
    EXPECT_EQ(look(), false);
    EXPECT_EQ(store.readsFrom, std::vector<uint64_t>{store.bytes.size() - 64});

    // Damaged beside the journal, or another file in its place under the same number.
    store.index[store.index.size() / 2] ^= 1;
    EXPECT_EQ(look(), false);
    EXPECT_EQ(store.readsFrom, std::vector<uint64_t>{0});
    runOne();
    store.bytes = SomeRun("x", 1, false) + store.bytes;
    EXPECT_EQ(look(), true);
    EXPECT_EQ(store.readsFrom.back(), 0u);
}

class JournalTest : public ::testing::Test {
protected:
    RenameServices Services() { return {fs, history, changed, true, &journal}; }
    int16_t Rename(const std::wstring& path, int16_t mode) {
        RecordedRun run(&journal, history, RunKind::Run);
        return RenameDir(Services(), path, mode);
    }
    // A run of `writer` that was cut short while renaming old to new.
    void CutShort(const std::wstring& old, const std::wstring& newPath, uint32_t writer = 9) {
        const std::string id = "cut" + std::to_string(++cuts);
        store.bytes += RunRecord(id, RunKind::Run, {writer, 1}, "") + FolderRecord(id, 1, old, old + kTemp, newPath);
    }
    size_t Recover() { return RecoverInterrupted(fs, journal, history); }
    // One run that makes the folders `names` below C:\D and renames them to upper case.
    void OneRun(std::initializer_list<const wchar_t*> names) {
        for (auto name : names) fs.AddDir(L"C:\\D\\" + std::wstring(name));
        RecordedRun run(&journal, history, RunKind::Run);
        for (auto name : names) RenameDir(Services(), L"C:\\D\\" + std::wstring(name), 0);
    }

    FakeFileSystem fs;
    FakeJournalStore store;
    RenameJournal journal{store};
    RecordingSink history, changed;
    int cuts = 0;
};

TEST_F(JournalTest, EveryRenameIsRecordedBeforeAndAfter) {
    fs.AddDir(L"C:\\D\\photos");
    fs.AddDir(L"C:\\D\\WORK");
    fs.AddDir(L"C:\\D\\ＡＢＣ");
    EXPECT_EQ(Rename(L"C:\\D\\photos", 0), 0);
    EXPECT_EQ(Rename(L"C:\\D\\WORK", 0), 0);  // in form: nothing to record
    {
        RecordedRun run(&journal, history, RunKind::Run);
        fs.allowMove = [](const std::wstring&, const std::wstring& to) { return to != L"C:\\D\\ABC"; };
        EXPECT_EQ(RenameDir(Services(), L"C:\\D\\ＡＢＣ", 6), 1);  // refused, put back
    }
    const auto runs = ParseJournal(store.bytes);
    ASSERT_EQ(runs.size(), 3u);
    ASSERT_EQ(runs[0].folders.size(), 1u);
    EXPECT_EQ(runs[0].folders[0].newPath, L"C:\\D\\PHOTOS");
    EXPECT_EQ(runs[0].folders[0].outcome, JournalOutcome::New);
    EXPECT_TRUE(runs[1].folders.empty());
    ASSERT_EQ(runs[2].folders.size(), 1u);
    EXPECT_EQ(runs[2].folders[0].outcome, JournalOutcome::Old);
    EXPECT_FALSE(store.open);  // closed between runs, so that others may trim it
}

TEST_F(JournalTest, ARunAfterAHalfWrittenLineIsRecordedWhole) {
    store.bytes = SomeRun("r1", 1) + "K2J1\tF\tr1\t2\tC:\\hal";
    ASSERT_TRUE(journal.BeginRun(RunKind::Run));
    journal.EndRun();
    JournalDamage damage;
    const auto runs = ParseJournal(store.bytes, &damage);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].folders.size(), 1u);
    EXPECT_EQ(damage.lines, 0u);  // a cut left by a killed writer is no damage
}

// No folder is renamed without a record: a run the journal cannot record
// does not start, unless the user chose to go on without one (said once).
TEST_F(JournalTest, AnUnwritableJournalStopsTheRunUnlessTheUserGoesOn) {
    fs.AddDir(L"C:\\D\\a");
    fs.AddDir(L"C:\\D\\b");
    store.writable = false;
    {
        RecordedRun run(&journal, history, RunKind::Run);
        EXPECT_TRUE(run.Stopped());
        EXPECT_EQ(RenameDir(Services(), L"C:\\D\\a", 0), 1);  // even a caller that does not ask
    }
    EXPECT_EQ(history.lines.front(), L"変更を記録できない為、フォルダ名を変更しません");
    EXPECT_EQ(fs.Stored(L"C:\\D\\a"), L"C:\\D\\a");
    history.lines.clear();
    {
        RecordedRun run(&journal, history, RunKind::Run, {}, [] { return true; });
        EXPECT_FALSE(run.Stopped());
        EXPECT_EQ(RenameDir(Services(), L"C:\\D\\a", 0), 0);
        EXPECT_EQ(RenameDir(Services(), L"C:\\D\\b", 0), 0);
    }
    EXPECT_EQ(history.lines.front(), L"変更を記録できない為、この実行は元に戻せません");
    EXPECT_EQ(std::count(history.lines.begin(), history.lines.end(), history.lines.front()), 1);
    EXPECT_EQ(fs.Stored(L"C:\\D\\B"), L"C:\\D\\B");
    EXPECT_TRUE(store.bytes.empty());
}

// The record before a folder's first rename cannot be written: the folder
// stays as it is. One after a rename that cannot be written fails the run
// with the next folder's record, and that folder stays as it is too.
TEST_F(JournalTest, AFolderWhoseRecordCannotBeWrittenIsNotRenamed) {
    for (auto name : {L"a", L"b", L"c", L"d"}) fs.AddDir(L"C:\\D\\" + std::wstring(name));
    {
        RecordedRun run(&journal, history, RunKind::Run);
        EXPECT_EQ(RenameDir(Services(), L"C:\\D\\a", 0), 0);
        store.limit = store.bytes.size() + 10;
        history.lines.clear();
        EXPECT_EQ(RenameDir(Services(), L"C:\\D\\b", 0), 1);
        EXPECT_TRUE(journal.Failed());
    }
    EXPECT_EQ(fs.Stored(L"C:\\D\\b"), L"C:\\D\\b");
    EXPECT_EQ(history.lines, (Lines{L"[ C:\\D\\b ]", L"　フォルダ名を変更できませんでした",
                                    L"　変更を記録できない為、変更しませんでした"}));
    store.limit = std::string::npos;
    RecordedRun run(&journal, history, RunKind::Run);
    EXPECT_FALSE(journal.Failed());
    const std::string id = ParseJournal(store.bytes).back().id;
    store.limit = store.bytes.size() + FolderRecord(id, 1, L"C:\\D\\c", L"C:\\D\\c" + kTemp, L"C:\\D\\C").size();
    EXPECT_EQ(RenameDir(Services(), L"C:\\D\\c", 0), 0);
    EXPECT_EQ(fs.Stored(L"C:\\D\\c"), L"C:\\D\\C");
    EXPECT_EQ(RenameDir(Services(), L"C:\\D\\d", 0), 1);
    EXPECT_EQ(fs.Stored(L"C:\\D\\d"), L"C:\\D\\d");
    EXPECT_TRUE(journal.Failed());
}

// A run that waits for another copy's turn says so once and records once the
// turn is its own. Each folder's record is on disk before the folder is
// touched, whenever the power goes: the next folders' records go ahead with
// it in one flush, a folder taken otherwise than written ahead is written
// again, and what the run passed over or never reached is closed untouched.
TEST_F(JournalTest, EveryRecordIsOnDiskBeforeItsRenameAtOneFlushABatch) {
    store.held = true;
    int pauses = 0;
    journal.SetTurnPause([&](unsigned ms) { return ms > 0 && ++pauses > 0; });
    auto path = [](uint32_t i) { return L"C:\\D\\" + std::to_wstring(i); };
    constexpr uint32_t kFolders = 200;
    uint32_t inHand = 0;
    journal.SetLookahead([&](size_t most) {
        std::vector<PlannedMove> planned;
        for (uint32_t k = inHand + 1; k <= kFolders && planned.size() < most; ++k)
            planned.push_back({path(k), path(k) + L"X", k});
        return planned;
    });
    {
        RecordedRun run(&journal, history, RunKind::Run);
        EXPECT_FALSE(run.Stopped());
        for (inHand = 1; inHand <= kFolders; ++inHand) {
            if (inHand % 50 == 0) continue;  // passed over: the rules refused it
            // Folder 7 is taken under another new name than written ahead.
            const std::wstring to = path(inHand) + (inHand == 7 ? L"Y" : L"X");
            journal.AtFolder(inHand - 1);
            ASSERT_EQ(journal.FolderBegin(path(inHand), path(inHand) + kTemp, to), inHand);
            // The power goes now: the record of the folder about to move is there.
            const auto cut = ParseJournal(store.bytes.substr(0, store.flushed));
            ASSERT_EQ(cut.size(), 1u);
            const auto& folders = cut[0].folders;
            const auto found =
                std::find_if(folders.begin(), folders.end(), [&](const JournalFolder& f) { return f.seq == inHand; });
            ASSERT_NE(found, folders.end()) << inHand;
            EXPECT_EQ(found->newPath, to);
            if (inHand < 180) journal.FolderEnd(inHand, JournalOutcome::New, to);
        }
        EXPECT_LT(store.flushes, 12);  // the batches grow: a few flushes for 200 folders
    }
    EXPECT_EQ(pauses, 3);
    EXPECT_EQ(history.lines, Lines{L"他の Kelvaro2 の実行が終わるのを待っています"});
    const auto runs = ParseJournal(store.bytes);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].folders.size(), kFolders);
    for (const JournalFolder& folder : runs[0].folders) {
        if (folder.seq % 50 == 0) EXPECT_EQ(folder.outcome, JournalOutcome::Old) << folder.seq;
        if (folder.seq == 7) EXPECT_EQ(folder.newPath, path(7) + L"Y");
        if (folder.seq % 50 != 0 && folder.seq < 180) EXPECT_EQ(folder.outcome, JournalOutcome::New) << folder.seq;
    }
}

// An undo writes its records ahead too: a few flushes for 300 folders, and
// each folder's record is on disk before it moves.
TEST_F(JournalTest, AnUndoWritesItsRecordsAheadInBatches) {
    RecordedRun run(&journal, history, RunKind::Run);
    for (int i = 0; i < 300; ++i) {
        fs.AddDir(L"C:\\D\\f" + std::to_wstring(i));
        RenameDir(Services(), L"C:\\D\\f" + std::to_wstring(i), 0);
    }
    journal.EndRun();
    const int before = store.flushes;
    fs.allowMove = [&](const std::wstring& from, const std::wstring&) {
        // The power goes as a folder is about to move back: the undo's record of it is there.
        const auto cut = ParseJournal(store.bytes.substr(0, store.flushed));
        return cut.size() == 2 &&
               std::any_of(cut[1].folders.begin(), cut[1].folders.end(),
                           [&](const JournalFolder& f) { return f.oldPath == from || f.tempPath == from; });
    };
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_LT(store.flushes - before, 12);
    EXPECT_TRUE(fs.Exists(L"C:\\D\\f0") && fs.Stored(L"C:\\D\\f299") == L"C:\\D\\f299");
}

TEST_F(JournalTest, ARenameThatStoredAnotherNameIsPutBack) {
    fs.AddDir(L"C:\\D\\" + std::wstring(20, L'あ'));
    // The file system keeps only the first 17 characters of the new name, as Wine on Linux cuts names short.
    fs.utf8Names = true;
    fs.storedAs = [](const std::wstring& to) {
        return to.find(L'ｱ') != std::wstring::npos ? to.substr(0, to.rfind(L'\\') + 18) : to;
    };
    EXPECT_EQ(Rename(L"C:\\D\\" + std::wstring(20, L'あ'), 5), 0);  // in form: untouched
    EXPECT_EQ(Rename(L"C:\\D\\" + std::wstring(20, L'あ'), 6), 1);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), Lines{std::wstring(20, L'あ')});
    EXPECT_EQ(history.lines.back(), L"　新しい名前がそのとおりに保存されませんでした");
    EXPECT_EQ(history.lines[history.lines.size() - 2], L"　フォルダ名を変更できませんでした");
    EXPECT_TRUE(changed.lines.size() == 1);
    // When it cannot be put back, the history says where it is.
    fs.allowMove = [](const std::wstring& from, const std::wstring&) { return from.find(L'ｱ') == std::wstring::npos; };
    history.lines.clear();
    EXPECT_EQ(Rename(L"C:\\D\\" + std::wstring(20, L'あ'), 6), 1);
    ASSERT_GE(history.lines.size(), 2u);
    EXPECT_EQ(history.lines.back(), L"　[ " + std::wstring(17, L'ｱ') + L" ]");
    ASSERT_GE(history.lines.size(), 4u);
    EXPECT_EQ(history.lines[history.lines.size() - 4], L"　フォルダ名を変更できませんでした");
    EXPECT_EQ(history.lines[history.lines.size() - 2], L"　error 5");
    const auto runs = ParseJournal(store.bytes);
    ASSERT_FALSE(runs.empty());
    ASSERT_FALSE(runs.back().folders.empty());
    EXPECT_EQ(runs.back().folders[0].outcome, JournalOutcome::Elsewhere);

    // A share that keeps every name in lower case: the way back stores the
    // old name otherwise too, and the history says where the folder is
    // instead of calling it back.
    fs.allowMove = nullptr;
    fs.AddDir(L"C:\\D\\Photos");
    fs.storedAs = [](std::wstring to) {
        CharLowerBuffW(to.data(), static_cast<DWORD>(to.size()));
        return to;
    };
    history.lines.clear();
    EXPECT_EQ(Rename(L"C:\\D\\Photos", 0), 1);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"photos", std::wstring(17, L'ｱ')}));
    EXPECT_EQ(history.lines.back(), L"　[ photos ]");
    EXPECT_EQ(ParseJournal(store.bytes).back().folders[0].outcome, JournalOutcome::Elsewhere);
    // The same when the new name is refused and the folder goes back from its temporary name.
    fs.AddDir(L"C:\\D\\Docs");
    fs.moveError = [](const std::wstring&, const std::wstring& to) { return to == L"C:\\d\\docs" ? 5u : 0u; };
    history.lines.clear();
    EXPECT_EQ(Rename(L"C:\\D\\Docs", 0), 1);
    EXPECT_EQ(fs.SubFolders(L"C:\\D").front(), L"docs");
    EXPECT_EQ(history.lines.back(), L"　[ docs ]");

    // Back on a disk that keeps names as given, each undo takes back what
    // its run left under a name of the file system's own.
    fs.storedAs = nullptr;
    fs.moveError = nullptr;
    for (int undo = 0; undo < 3; ++undo) EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u) << undo;
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"Docs", L"Photos", std::wstring(20, L'あ')}));
}

// Something put in the folder's place just as the first rename was made went
// to the temporary name instead; when it cannot go back at once, its record
// stays open and the next start puts it back.
TEST_F(JournalTest, WhatTheFirstRenameTookInsteadOfTheFolderGoesBackAtTheNextStart) {
    fs.AddDir(L"C:\\D\\swap");
    fs.moveError = [](const std::wstring& from, const std::wstring&) {
        return from.ends_with(kTempSuffix) ? kNotTheListedFolder : 0u;
    };
    EXPECT_EQ(Rename(L"C:\\D\\swap", 0), 1);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), Lines{L"swap" + std::wstring(kTempSuffix)});
    EXPECT_EQ(ParseJournal(store.bytes).back().folders[0].outcome, JournalOutcome::Open);
    fs.moveError = nullptr;
    Recover();
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), Lines{L"swap"});
}

// Where a folder tells case apart, a record of "abc" cut short does not take
// "ABC.Tmpぷよむ", its twin's temporary folder, for its own: before, the start
// moved the twin on to "ａｂｃ", a name that was never the twin's.
TEST(Recovery, ATwinsTemporaryFolderIsNotTakenForOnesOwn) {
    struct CaseApartFs : FakeFileSystem {
        bool TellsCaseApart(const std::wstring&) override { return true; }
    } fs;
    FakeJournalStore store;
    RenameJournal journal{store};
    RecordingSink history;
    fs.AddDir(L"C:\\D\\abc");
    fs.AddDir(L"C:\\D\\ABC" + kTemp);
    store.bytes = RunRecord("cut", RunKind::Run, {9, 1}, "") +
                  FolderRecord("cut", 1, L"C:\\D\\abc", L"C:\\D\\abc" + kTemp, L"C:\\D\\ａｂｃ");
    RecoverInterrupted(fs, journal, history);
    Lines left = fs.SubFolders(L"C:\\D");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (Lines{L"ABC" + kTemp, L"abc"}));
}

TEST_F(JournalTest, AFolderLeftUnderItsTemporaryNameIsTriedAgainAtTheNextStart) {
    fs.AddDir(L"C:\\D\\photos");
    // In use after the first rename: the second one and the way back are refused, then at one start more.
    fs.moveError = [](const std::wstring& from, const std::wstring&) { return from == L"C:\\D\\photos" ? 0u : 32u; };
    EXPECT_EQ(Rename(L"C:\\D\\photos", 0), 1);
    EXPECT_EQ(ParseJournal(store.bytes).back().folders[0].outcome, JournalOutcome::Open);
    history.lines.clear();
    EXPECT_EQ(Recover(), 1u);
    EXPECT_EQ(history.lines, (Lines{L"中断された変更のフォルダは一時的な名前のままです",
                                    L"　[ C:\\D\\photos.Tmpぷよむ ]", L"　error 32"}));
    fs.moveError = nullptr;
    EXPECT_EQ(Recover(), 1u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), Lines{L"photos"});
}

// A killed run's folder is put right whatever other record of it is
// damaged; when its own record is damaged, the start names the folder left
// under its temporary name beside the paths the damaged line still shows.
TEST_F(JournalTest, ADamagedRecordNeverHidesAFolderLeftUnderItsTemporaryName) {
    fs.AddDir(L"C:\\D\\photos" + kTemp);
    CutShort(L"C:\\D\\photos", L"C:\\D\\PHOTOS");
    store.bytes[store.bytes.find("K2J2\tR\t") + 8] ^= 1;  // the run's own record
    EXPECT_EQ(Recover(), 1u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), Lines{L"photos"});
    fs.AddDir(L"C:\\D\\work" + kTemp);
    CutShort(L"C:\\D\\work", L"C:\\D\\WORK");
    store.bytes[store.bytes.rfind("K2J2\tF\t") + 8] ^= 1;  // the folder's own record
    history.lines.clear();
    Recover();
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"photos", L"work" + kTemp}));
    EXPECT_EQ(history.lines.back(), L"　[ C:\\D\\work.Tmpぷよむ ]");
}

TEST_F(JournalTest, RecoveryPutsBackWhatItCanAndReportsTheRest) {
    fs.AddDir(L"C:\\D\\temp only" + kTemp);  // goes back to its old name
    fs.AddDir(L"C:\\D\\taken" + kTemp);      // its old name is taken
    fs.AddDir(L"C:\\D\\taken");
    fs.AddDir(L"C:\\D\\held" + kTemp);  // its old name is taken, its new one free: finished
    fs.AddDir(L"C:\\D\\held");
    fs.AddDir(L"C:\\D\\NEW ONLY");      // the rename had finished
    fs.AddDir(L"C:\\D\\old only");      // the rename had not begun
    fs.AddDir(L"C:\\D\\busy" + kTemp);  // its writer still runs
    CutShort(L"C:\\D\\temp only", L"C:\\D\\TEMP ONLY");
    CutShort(L"C:\\D\\taken", L"C:\\D\\TAKEN");
    CutShort(L"C:\\D\\held", L"C:\\D\\ｈｅｌｄ");
    CutShort(L"C:\\D\\new only", L"C:\\D\\NEW ONLY");
    CutShort(L"C:\\D\\old only", L"C:\\D\\OLD ONLY");
    CutShort(L"C:\\D\\gone", L"C:\\D\\GONE");
    CutShort(L"C:\\D\\busy", L"C:\\D\\BUSY", 42);
    store.alive = {42};
    EXPECT_EQ(Recover(), 6u);
    EXPECT_EQ(fs.Stored(L"C:\\D\\temp only"), L"C:\\D\\temp only");
    EXPECT_EQ(fs.Stored(L"C:\\D\\ｈｅｌｄ"), L"C:\\D\\ｈｅｌｄ");
    EXPECT_TRUE(fs.Exists(L"C:\\D\\taken" + kTemp));
    EXPECT_TRUE(fs.Exists(L"C:\\D\\busy" + kTemp));
    EXPECT_EQ(history.lines,
              (Lines{L"中断された変更を元に戻しました", L"　[ C:\\D\\temp only ]",
                     L"中断された変更のフォルダは一時的な名前のままです", L"　[ C:\\D\\taken.Tmpぷよむ ]",
                     L"　元の名前のフォルダが既にある為戻しません", L"中断された変更は完了していました",
                     L"　[ C:\\D\\NEW ONLY ]", L"元の名前が使われている為、中断された変更を完了しました",
                     L"　[ C:\\D\\ｈｅｌｄ ]", L"中断された変更のフォルダが見つかりません", L"　[ C:\\D\\gone ]"}));
    // Each record is closed once, but the one of a folder still under its
    // temporary name: a second start tries that again, and leaves the live run's alone.
    history.lines.clear();
    EXPECT_EQ(Recover(), 1u);
    EXPECT_EQ(history.lines.size(), 3u);
    store.alive.clear();
    EXPECT_EQ(Recover(), 2u);
    EXPECT_EQ(fs.Stored(L"C:\\D\\busy"), L"C:\\D\\busy");
    // A journal that cannot be read holds nothing to recover.
    store.unreadable = true;
    EXPECT_EQ(Recover(), 0u);
}

// A folder on a drive or share that is not there is looked at again once it is back.
TEST_F(JournalTest, RecoveryWaitsForADriveThatIsNotThere) {
    CutShort(L"D:\\x\\one", L"D:\\x\\ONE");
    CutShort(L"D:\\x\\two", L"D:\\x\\TWO");
    CutShort(L"\\\\srv\\share\\three", L"\\\\srv\\share\\THREE");
    const Lines waiting{L"ドライブが見つからない為、中断された変更の確認を次の起動まで待ちます", L"　[ D:\\ ]",
                        L"　[ \\\\srv\\share\\ ]"};
    EXPECT_EQ(Recover(), 0u);
    EXPECT_EQ(history.lines, waiting);
    fs.AddDir(L"D:\\x\\one" + kTemp);
    fs.AddDir(L"D:\\x\\TWO");
    history.lines.clear();
    EXPECT_EQ(Recover(), 2u);
    EXPECT_EQ(fs.Stored(L"D:\\x\\one"), L"D:\\x\\one");
    EXPECT_EQ(history.lines, (Lines{L"中断された変更を元に戻しました", L"　[ D:\\x\\one ]",
                                    L"中断された変更は完了していました", L"　[ D:\\x\\TWO ]", waiting[0], waiting[2]}));
}

// Recovery moves only what a run could have left: a temporary path that is
// not the old one plus the suffix, or a new path in another folder, is damage.
TEST_F(JournalTest, RecoveryMovesOnlyWhatARunCouldHaveLeft) {
    fs.AddDir(L"C:\\Windows");
    fs.AddDir(L"C:\\D\\y" + kTemp);
    store.bytes = RunRecord("crafted", RunKind::Run, {9, 1}, "") +
                  FolderRecord("crafted", 1, L"C:\\D\\x", L"C:\\Windows", L"C:\\D\\X") +
                  FolderRecord("crafted", 2, L"C:\\D\\y", L"C:\\D\\y" + kTemp, L"C:\\E\\Y") +
                  FolderRecord("crafted", 3, L"C:\\D\\..\\z", L"C:\\D\\..\\z" + kTemp, L"C:\\D\\..\\Z");
    EXPECT_EQ(Recover(), 0u);
    EXPECT_TRUE(fs.Exists(L"C:\\Windows"));
    EXPECT_TRUE(fs.Exists(L"C:\\D\\y" + kTemp));
    // What the damaged lines name is looked at: a folder under a temporary name there is told.
    EXPECT_EQ(
        history.lines,
        (Lines{
            L"壊れた記録を読み飛ばしました: 3 行",
            L"記録が壊れている為、次のフォルダを元に戻せません（名前の末尾の .Tmpぷよむ を消すと元の名前に戻ります）",
            L"　[ C:\\D\\y.Tmpぷよむ ]"}));
}

// Undo takes back only a run it knows to be the newest.
TEST_F(JournalTest, UndoRefusesWhenDamageMayHideTheNewestRun) {
    for (auto name : {L"a", L"b", L"c"}) fs.AddDir(L"C:\\D\\" + std::wstring(name));
    Rename(L"C:\\D\\a", 0);
    Rename(L"C:\\D\\b", 0);
    store.bytes[store.bytes.rfind("K2J2\tF\t") + 8] ^= 1;  // one byte of the newest run's folder record
    history.lines.clear();
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 1u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"B", L"c"}));
    EXPECT_EQ(history.lines, (Lines{L"記録が壊れている為、元に戻す変更を特定できません",
                                    L"壊れた記録を読み飛ばしました: 2 行", L"　これから先の実行は、元に戻せます"}));
    // A run after the damage is taken back, and the skipped lines are told;
    // one whose own run record is damaged may have been an undo: never taken back.
    Rename(L"C:\\D\\c", 0);
    history.lines.clear();
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"B", L"c"}));
    EXPECT_EQ(history.lines[1], L"壊れた記録を読み飛ばしました: 2 行");
    Rename(L"C:\\D\\c", 0);
    store.bytes[store.bytes.rfind("K2J2\tR\t") + 8] ^= 1;
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 1u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"B", L"C"}));
    // A journal that cannot be read is not taken for one without runs.
    store.unreadable = true;
    history.lines.clear();
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(history.lines, Lines{L"記録を読めない為、元に戻せません"});
}

TEST_F(JournalTest, UndoSkipsWhatChangedSinceAndOverwritesNothing) {
    for (auto name : {L"gone", L"taken", L"kept"}) fs.AddDir(L"C:\\D\\" + std::wstring(name));
    {
        RecordedRun run(&journal, history, RunKind::Run);
        for (auto name : {L"gone", L"taken", L"kept"}) RenameDir(Services(), L"C:\\D\\" + std::wstring(name), 5);
    }
    fs.MoveDir(L"C:\\D\\ｇｏｎｅ", L"C:\\D\\elsewhere");
    fs.AddDir(L"C:\\D\\taken");
    history.lines.clear();
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 2u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"elsewhere", L"kept", L"taken", L"ｔａｋｅｎ"}));
    EXPECT_EQ(history.lines,
              (Lines{L"直前の変更を元に戻します", L"[ C:\\D\\ｋｅｐｔ ]", L"　フォルダ名を", L"　[ kept ]",
                     L"　に変更しました", L"[ C:\\D\\ｔａｋｅｎ ]", L"　元の名前のフォルダが既にある為戻しません",
                     L"[ C:\\D\\ｇｏｎｅ ]", L"　変更後のフォルダが見つからない為戻しません",
                     L"結果　元に戻した：1件　戻せず：2件"}));
}

// A later run's folder its undo had to leave under its new name still holds
// what the older run renamed below it; its old name now names another folder.
TEST_F(JournalTest, UndoFindsAFolderBelowOneALaterUndoLeftAndNeverItsLookAlike) {
    fs.AddDir(L"C:\\D\\box\\inner");
    EXPECT_EQ(Rename(L"C:\\D\\box\\inner", 5), kRenameDone);
    EXPECT_EQ(Rename(L"C:\\D\\box", 5), kRenameDone);
    fs.AddDir(L"C:\\D\\box\\ｉｎｎｅｒ");
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 1u);  // box's name is taken
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D\\ｂｏｘ"), Lines{L"inner"});
    EXPECT_EQ(fs.SubFolders(L"C:\\D\\box"), Lines{L"ｉｎｎｅｒ"});
}

// The run left a folder elsewhere (its name stored otherwise, and the way
// back refused) after renaming one below it: the undo finds that one where
// it now lies, and takes both back.
TEST_F(JournalTest, UndoFindsAFolderBelowOneItsRunLeftElsewhere) {
    fs.AddDir(L"C:\\D\\box\\inner");
    fs.storedAs = [](const std::wstring& to) { return to == L"C:\\D\\ｂｏｘ" ? std::wstring(L"C:\\D\\ＢＯＸ") : to; };
    fs.allowMove = [](const std::wstring& from, const std::wstring&) { return from != L"C:\\D\\ＢＯＸ"; };
    {
        RecordedRun run(&journal, history, RunKind::Run);
        EXPECT_EQ(RenameDir(Services(), L"C:\\D\\box\\inner", 0), kRenameDone);
        EXPECT_NE(RenameDir(Services(), L"C:\\D\\box", 5), kRenameDone);
    }
    ASSERT_EQ(fs.SubFolders(L"C:\\D\\ＢＯＸ"), Lines{L"INNER"});
    fs.storedAs = nullptr;
    fs.allowMove = nullptr;
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D\\box"), Lines{L"inner"});
}

// A trim drops the oldest run by a record and deletes the segment only its
// records stand in, and nothing else. One that cannot delete it (a scanner
// holds the file) has dropped the run all the same, keeps every byte and says
// so once; the next trim that can, deletes.
TEST_F(JournalTest, ATrimDeletesOnlyTheOldestRunsSegmentAndSaysSoOnceWhenItCannot) {
    const std::wstring said = ResKelvaroText(KText::TrimNotWrittenLine);
    for (int i = 0; i < 11; ++i) OneRun({(L"r" + std::to_wstring(i)).c_str()});
    store.busy = true;
    const std::string before = store.bytes;
    history.lines.clear();
    OneRun({L"late"});
    EXPECT_EQ(std::count(history.lines.begin(), history.lines.end(), said), 1);
    EXPECT_EQ(store.bytes.compare(0, before.size(), before), 0);
    EXPECT_EQ(ParseJournal(store.bytes).size(), ParseJournal(before).size());
    store.busy = false;
    history.lines.clear();
    const std::string kept = store.bytes.substr(store.bytes.find("C:\\D\\r2") - 200);
    OneRun({L"later"});
    EXPECT_EQ(std::count(history.lines.begin(), history.lines.end(), said), 0);
    EXPECT_EQ(store.bytes.find("C:\\D\\r1\t"), std::string::npos);
    EXPECT_EQ(store.bytes.find("C:\\D\\r0\t"), std::string::npos);
    EXPECT_EQ(ParseJournal(store.bytes).size(), ParseJournal(before).size());
    // The bytes of the runs kept stand as they were: nothing was written again.
    EXPECT_NE(store.bytes.find(kept.substr(kept.find("K2J2\tS"))), std::string::npos);
}

TEST_F(JournalTest, UndoGivesBackEverySpellingNewestFirstAndOnlyOnce) {
    for (auto name : {L"Photos", L"mixed Case", L"abc"}) fs.AddDir(L"C:\\D\\" + std::wstring(name));
    {
        RecordedRun run(&journal, history, RunKind::Run);
        for (auto name : {L"Photos", L"mixed Case", L"abc"}) RenameDir(Services(), L"C:\\D\\" + std::wstring(name), 0);
    }
    EXPECT_EQ(FoldersToUndo(journal), 3u);
    Lines moves;
    fs.allowMove = [&](const std::wstring& from, const std::wstring& to) {
        moves.push_back(from.substr(5) + L">" + to.substr(5));
        return true;
    };
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"abc", L"mixed Case", L"Photos"}));
    EXPECT_EQ(moves,
              (Lines{L"ABC>ABC.Tmpぷよむ", L"ABC.Tmpぷよむ>abc", L"MIXED CASE>MIXED CASE.Tmpぷよむ",
                     L"MIXED CASE.Tmpぷよむ>mixed Case", L"PHOTOS>PHOTOS.Tmpぷよむ", L"PHOTOS.Tmpぷよむ>Photos"}));
    EXPECT_EQ(changed.lines.back(), L"C:\\D\\Photos");
    // What was taken back is not taken back again, and an undo is not undone.
    EXPECT_EQ(FoldersToUndo(journal), 0u);
    history.lines.clear();
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(history.lines, Lines{L"元に戻す変更がありません"});
}

TEST_F(JournalTest, AnUndoCutShortIsRecoveredAndCanBeFinished) {
    OneRun({L"one", L"two"});
    history.lines.clear();
    // An undo killed between the two renames of its first folder (the newest, TWO).
    const std::string target = ParseJournal(store.bytes).back().id;
    store.bytes += RunRecord("undo", RunKind::Undo, {9, 1}, target) +
                   FolderRecord("undo", 2, L"C:\\D\\TWO", L"C:\\D\\TWO" + kTemp, L"C:\\D\\two");
    fs.MoveDir(L"C:\\D\\TWO", L"C:\\D\\TWO" + kTemp);
    Recover();
    EXPECT_EQ(fs.Stored(L"C:\\D\\two"), L"C:\\D\\TWO");
    EXPECT_EQ(history.lines.front(), L"中断された変更を元に戻しました");
    EXPECT_EQ(FoldersToUndo(journal), 2u);
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"one", L"two"}));
}

// A run that recorded its request and was killed in the middle of its third
// folder: the next start tells how far it got (once), and what is left to do
// is the rest of the named folders, under the paths they have now.
TEST_F(JournalTest, ARunCutShortIsToldHowFarItGotAndItsRestCanBeResumed) {
    const Lines targets{L"C:\\D\\a", L"C:\\D\\a\\sub", L"C:\\D\\b", L"C:\\D\\c\\deep", L"C:\\D\\d"};
    for (const auto& path : targets) fs.AddDir(path);
    ASSERT_TRUE(journal.BeginRun(RunKind::Run));
    journal.Request({0, "H", 5, targets});
    for (uint32_t i = 0; i < 2; ++i) {
        journal.AtFolder(i);
        RenameDir(Services(), i == 0 ? targets[0] : L"C:\\D\\A\\sub", 0);
    }
    journal.AtFolder(2);
    journal.FolderBegin(targets[2], targets[2] + kTemp, L"C:\\D\\B");
    fs.MoveDir(targets[2], targets[2] + kTemp);
    journal.EndRun();  // killed: no end record
    store.self = {101, 6000};
    EXPECT_TRUE(PlanResume(ParseJournal(store.bytes)) == std::nullopt);  // not known to be cut short yet
    history.lines.clear();
    std::vector<std::string> cutShort;
    RecoverInterrupted(fs, journal, history, &cutShort);
    EXPECT_EQ(history.lines, (Lines{L"中断された実行: 5 フォルダ中 2 フォルダの名前を変更済み、3 フォルダは未処理です",
                                    L"中断された変更を元に戻しました", L"　[ C:\\D\\b ]"}));
    ASSERT_EQ(cutShort.size(), 1u);
    history.lines.clear();
    EXPECT_EQ(Recover(), 0u);
    EXPECT_TRUE(history.lines.empty());

    const auto runs = ParseJournal(store.bytes);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].end, RunEnd::Killed);
    EXPECT_EQ(runs[0].request->targets, targets);
    const auto plan = PlanResume(runs);
    ASSERT_TRUE(plan.has_value());
    EXPECT_EQ(plan->run, cutShort[0]);
    EXPECT_EQ(plan->request.mode, 0);
    EXPECT_TRUE(plan->request.Has(kHiraganaFlag));
    EXPECT_EQ(plan->request.targets, (Lines{L"C:\\D\\b", L"C:\\D\\c\\deep", L"C:\\D\\d"}));
    // A folder a damaged line names may have been renamed by the run that line
    // was, and its twin of another case may stand in its place: it is left out.
    const auto withDamage = PlanResume(runs, {L"C:\\D\\c\\deep"});
    ASSERT_TRUE(withDamage.has_value());
    EXPECT_EQ(withDamage->request.targets, (Lines{L"C:\\D\\b", L"C:\\D\\d"}));
    EXPECT_EQ(withDamage->hidden, Lines{L"C:\\D\\c\\deep"});

    // Stopped after the first folder: the folder below it is due under its new path, its sibling under its own;
    // the first folder named once more was the run's already.
    ASSERT_TRUE(journal.BeginRun(RunKind::Run, cutShort[0]));
    journal.Request({0, "", 4, {L"C:\\D\\c", L"C:\\D\\c\\deep", L"C:\\D\\c2", L"C:\\D\\c"}});
    journal.AtFolder(0);
    RenameDir(Services(), L"C:\\D\\c", 0);
    journal.End(RunEnd::Stopped, 1);
    journal.EndRun();
    EXPECT_EQ(PlanResume(ParseJournal(store.bytes))->request.targets, (Lines{L"C:\\D\\C\\deep", L"C:\\D\\c2"}));
    // Taken back, or followed by another run, it is not resumed; nor is a run that finished.
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_FALSE(PlanResume(ParseJournal(store.bytes)).has_value());
    ASSERT_TRUE(journal.BeginRun(RunKind::Run));
    journal.Request({2, "", 0, {L"C:\\D\\d"}});
    journal.End(RunEnd::Done, 1);
    journal.EndRun();
    EXPECT_FALSE(PlanResume(ParseJournal(store.bytes)).has_value());
}

// Undo goes back one run at a time, newest first. An undo that went through
// every folder takes its run back even when it had to skip one; one that was
// stopped leaves the rest of its run for the next.
TEST_F(JournalTest, UndoGoesFurtherBackOneRunAtATime) {
    OneRun({L"a"});
    OneRun({L"b1", L"b2"});
    OneRun({L"c1", L"c2"});
    int allowed = 1;
    EXPECT_EQ(UndoLastRun(Services(), [&] { return allowed-- > 0; }), 1u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"B1", L"B2", L"C1", L"c2"}));
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);  // the rest of the same run
    fs.MoveDir(L"C:\\D\\B1", L"C:\\D\\moved");
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 1u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"b2", L"c1", L"c2", L"moved"}));
    const auto runs = ParseJournal(store.bytes);
    EXPECT_TRUE(TakenBack(runs, 1));
    EXPECT_EQ(PlanUndo(runs).folders.size(), 1u);
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"a", L"b2", L"c1", L"c2", L"moved"}));
    EXPECT_EQ(FoldersToUndo(journal), 0u);
}

// The run taken back is older than the last nine runs: the undo's own start
// trims the journal, and keeps that run's records for the undo to read.
TEST_F(JournalTest, AnUndoFindsItsRunBehindManyRunsTakenBack) {
    OneRun({L"first", L"second"});
    int allowed = 1;
    EXPECT_EQ(UndoLastRun(Services(), [&] { return allowed-- > 0; }), 1u);
    for (auto name : {L"n0", L"n1", L"n2", L"n3"}) {
        OneRun({name});
        EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    }
    ASSERT_EQ(ParseJournal(store.bytes).size(), 10u);
    EXPECT_EQ(UndoLastRun(Services(), nullptr), 0u);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"first", L"n0", L"n1", L"n2", L"n3", L"second"}));
    EXPECT_EQ(history.lines.back(), L"結果　元に戻した：1件　戻せず：0件");
}

// One run of its own copy that renames C:\\写真\\n<i>, and ends as `end` after `also`.
void RenameOne(FakeJournalStore& store, int i, RunEnd end, const std::function<void(RenameJournal&)>& also) {
    RenameJournal journal(store);
    ASSERT_TRUE(journal.BeginRun(RunKind::Run));
    const std::wstring old = L"C:\\写真\\n" + std::to_wstring(i);
    journal.FolderEnd(journal.FolderBegin(old, old + kTemp, old + L"X"), JournalOutcome::New, old + L"X");
    also(journal);
    journal.End(end, 1);
}

// A killed run that a later start closed (its record of where the folder
// ended stands in the later run's segment) is dropped in its turn: at every
// step no reader sees it, nothing counts as damage, a look from the start
// finds what the kept index finds, and in the end no byte of it is left.
TEST(JournalReader, ARunClosedByALaterStartIsDroppedWithoutATrace) {
    FakeJournalStore store;
    store.id = 1;
    store.bytes = SomeRun("open", 2, false);  // as an earlier version left it: one file
    for (int i = 0; i < 14; ++i) {
        RenameOne(store, i, RunEnd::Done, [&](RenameJournal& journal) {
            if (i == 0)
                for (uint32_t seq : {1u, 2u}) journal.Close("open", seq, JournalOutcome::Old, L"");
        });
        JournalDamage damage;
        const auto runs = ParseJournal(store.bytes, &damage);
        EXPECT_EQ(damage.lines, 0u) << i;
        // Closed, it renamed nothing: the next trim drops it.
        EXPECT_EQ(runs.size(), i == 0 ? 2u : std::min(i, 10) + 1u) << i;
        EXPECT_EQ(runs.front().id == "open", i == 0) << i;
        const bool kept = RenameJournal(store).HasOpenFolders().value_or(true);
        store.index.clear();
        ++*store.id;
        EXPECT_FALSE(kept);
        EXPECT_FALSE(RenameJournal(store).HasOpenFolders().value_or(true)) << i;
    }
    EXPECT_EQ(store.bytes.find("\topen\t"), std::string::npos);
    EXPECT_LE(store.parts.size(), 13u);
}

// A dropped run whose segment must stay (it holds a record of a run still
// kept: here the stopped run kept for /RESUME) is never seen again, though
// the segment holding its drop record goes long before.
TEST(JournalReader, ADroppedRunNeverComesBack) {
    FakeJournalStore store;
    std::string stopped, host;
    for (int i = 0; i < 26; ++i) {
        RenameOne(store, i, i == 0 ? RunEnd::Stopped : RunEnd::Done, [&](RenameJournal& journal) {
            if (i == 1) journal.Close(stopped, 1, JournalOutcome::New, L"C:\\写真\\n0X");
        });
        const auto runs = ParseJournal(store.bytes);
        if (i == 0) stopped = runs.back().id;
        if (i == 1) host = runs.back().id;
        const bool seen = std::any_of(runs.begin(), runs.end(), [&](const JournalRun& run) { return run.id == host; });
        EXPECT_EQ(seen, i >= 1 && i < 12) << i;
        EXPECT_EQ(runs.front().id, stopped) << i;
    }
}

// Read backwards in pieces of any size, records split between pieces and the
// file's first line included, a line cut short at the end skipped.
TEST(JournalReader, FolderRecordsAreReadNewestFirst) {
    FakeJournalStore store;
    store.bytes = SomeRun("a", 3) + SomeRun("b", 40, false) + "K2J1\tF\tb\t41\tC:\\x";
    const auto forward = ParseJournal(store.bytes);
    for (size_t piece : {7u, 61u, 1u << 20}) {
        for (const auto& run : forward) {
            std::vector<JournalFolder> back;
            EXPECT_TRUE(ForEachFolderBackward(
                store, store.bytes.size(), run.id,
                [&](JournalFolder&& folder) {
                    back.push_back(std::move(folder));
                    return true;
                },
                piece));
            ASSERT_EQ(back.size(), run.folders.size());
            for (size_t i = 0; i < back.size(); ++i) {
                const JournalFolder& same = run.folders[back.size() - 1 - i];
                EXPECT_EQ(std::tie(back[i].seq, back[i].oldPath, back[i].tempPath, back[i].newPath),
                          std::tie(same.seq, same.oldPath, same.tempPath, same.newPath));
            }
        }
    }
    size_t handed = 0;
    EXPECT_TRUE(ForEachFolderBackward(store, store.bytes.size(), "b", [&](JournalFolder&&) { return ++handed < 5; }));
    EXPECT_EQ(handed, 5u);
    store.unreadable = true;
    EXPECT_FALSE(ForEachFolderBackward(store, store.bytes.size(), "b", [](JournalFolder&&) { return true; }));
}

// The real journal's files: twelve runs leave the last eleven, and the
// first run's file is gone.
TEST(Win32Journal, TwelveRunsLeaveTheLastElevenAndTheFirstRunsFileGoes) {
    testing::TempDir dir;
    Win32JournalStore store(dir.Path() + L"\\journal.txt");
    RenameJournal journal(store);
    std::vector<std::string> runs;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(journal.BeginRun(RunKind::Run));
        const std::wstring old = dir.Path() + L"\\d" + std::to_wstring(i);
        journal.FolderEnd(journal.FolderBegin(old, old + kTemp, old + L"X"), JournalOutcome::New, old + L"X");
        journal.EndRun();
        const std::string bytes = store.ReadAll().value_or("");
        runs.push_back(bytes.substr(bytes.rfind("K2J2\tR\t")));
    }
    const std::string bytes = store.ReadAll().value_or("");
    EXPECT_EQ(bytes.find(runs[0]), std::string::npos);
    for (size_t i = 1; i < runs.size(); ++i) EXPECT_NE(bytes.find(runs[i]), std::string::npos) << i;
    EXPECT_EQ(ParseJournal(bytes).size(), 11u);
    EXPECT_EQ(dir.Listing().find(L"journal.txt.1|"), std::wstring::npos);
    // What the last run found is kept beside the journal, for the next copy.
    Win32JournalStore again(dir.Path() + L"\\journal.txt");
    EXPECT_EQ(again.ReadIndex().find("K2X3\t" + std::to_string(again.FileId().value_or(0)) + "\t" +
                                     std::to_string(bytes.size()) + "\t"),
              0u);
    const std::wstring old = dir.Path() + L"\\killed";
    ASSERT_EQ(again.TryOpenForAppend(), TurnTry::Taken);
    ASSERT_TRUE(
        again.Append(RunRecord("k", RunKind::Run, {7, 8}, "") + FolderRecord("k", 1, old, old + kTemp, old + L"X")));
    again.CloseAppend();
    EXPECT_EQ(RenameJournal(again).HasOpenFolders(), true);
}

}  // namespace
}  // namespace kelvaro
