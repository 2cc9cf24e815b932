// The journal of the real program: killed in the middle of a run, started
// again, and the last run taken back with /UNDO.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <string>

#include "e2e/e2e_support.h"
#include "fakes/redirected_process.h"
#include "engine/folder_rules.h"
#include "engine/journal.h"

namespace kelvaro {
namespace {

using namespace testing;

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class JournalEndToEnd : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        Put(L"Auto", L"True");
        Put(L"AutoExe", L"0");
        Put(L"AutoLog", L"True");
    }
    // Counts the folders of `root` by the name they carry: old (lower case),
    // new (upper case), temporary, or anything else.
    struct Census {
        int old = 0, renamed = 0, temp = 0, other = 0;
    };
    // Each entry of `root` but . and ..: its name, and whether it is a folder.
    static void EachEntry(const std::wstring& root, const std::function<void(const std::wstring&, bool)>& each) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") each(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    Census Take(const std::wstring& root) {
        Census census;
        EachEntry(root, [&](const std::wstring& name, bool) {
            if (name.find(L".Tmp") != std::wstring::npos)
                ++census.temp;
            else if (name.size() == 4 && name[0] == L'd')
                ++census.old;
            else if (name.size() == 4 && name[0] == L'D')
                ++census.renamed;
            else
                ++census.other;
        });
        return census;
    }
    // The census of `root` and of each folder directly below it.
    Census TakeTree(const std::wstring& root) {
        Census total = Take(root);
        EachEntry(root, [&](const std::wstring& name, bool folder) {
            if (!folder) return;
            const Census below = Take(root + L"\\" + name);
            total.old += below.old;
            total.renamed += below.renamed;
            total.temp += below.temp;
            total.other += below.other;
        });
        return total;
    }
};

// 1000 folders renamed by the automatic run; the process is killed at several
// moments of the run and started again, alternately with /UNDO and with an
// automatic run of an unrelated folder. No folder may be lost or left under
// its temporary name, and the history must say what recovery did.
TEST_F(JournalEndToEnd, AKilledRunLosesNoFolder) {
    // A short root keeps 1000 names within the command-line limit.
    const std::wstring root = L"C:\\k2j" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring names;
    for (int i = 0; i < 1000; ++i) {
        wchar_t name[8];
        swprintf(name, 8, L"d%03d", i);
        CreateDirectoryW((root + L"\\" + name).c_str(), nullptr);
        names += root + L"\\" + name + L" ";
    }
    const std::wstring other = dir.MakeDir(L"other");
    int kills = 0, recovered = 0, lost = 0;
    for (int round = 0; round < 4; ++round) {
        // Killed when a share of the folders still to rename is done on disk:
        // 15, 50, 70 and 35 percent. (The journal tells it a batch behind,
        // too late for a short run.)
        const int share[] = {15, 50, 70, 35};
        const Census start = Take(root);
        const int killAt = start.renamed + start.old * share[round] / 100;
        {
            Program program(names);
            ASSERT_TRUE(program.Started());
            const ULONGLONG deadline = GetTickCount64() + 60000;
            while (Take(root).renamed < killAt && GetTickCount64() < deadline && !program.Ends(0)) Sleep(1);
            ASSERT_FALSE(program.Ends(0)) << "the run ended before it could be killed in round " << round;
            program.Kill();
            ++kills;
        }
        const Census cut = Take(root);
        EXPECT_EQ(cut.old + cut.renamed + cut.temp, 1000) << "round " << round;
        SetClipboardSentinel(clipboardOwner_);
        const bool undo = round % 2 == 0;
        Program again(undo ? L"/undo /CLIP" : other);
        ASSERT_TRUE(again.Ends(60000));
        const std::wstring history = ClipboardText();
        const Census after = Take(root);
        EXPECT_EQ(after.temp, 0) << "round " << round;
        EXPECT_EQ(after.other, 0) << "round " << round;
        lost += 1000 - (after.old + after.renamed);
        if (cut.temp > 0) {
            ++recovered;
            // A script run puts what recovery did under a heading of its own.
            // How far the killed run got comes first: one folder put back is not the whole run.
            const std::wstring heading = undo ? L"―― 以前の実行の後始末 ――\r\n" : L"";
            EXPECT_EQ(history.rfind(heading + L"中断された実行: 1000 フォルダ中 ", 0), 0u) << "round " << round;
            EXPECT_NE(history.find(L"\r\n中断された変更を元に戻しました\r\n　[ " + root + L"\\d"), std::wstring::npos)
                << "round " << round;
        }
        if (undo) {
            EXPECT_EQ(after.old, start.old) << "round " << round;  // the killed run is taken back whole
            EXPECT_NE(history.find(L"直前の変更を元に戻します\r\n"), std::wstring::npos);
        }
    }
    EXPECT_EQ(lost, 0);
    std::printf(
        "[ journal ] %d kills of a run over 1000 folders, %d with a folder under its temporary name, "
        "%d folders lost\n",
        kills, recovered, lost);
    RemoveTree(root);
}

// Two "Send to" clicks in a row: two copies run at once and append to one
// journal; every record of both stays whole and in its run.
TEST_F(JournalEndToEnd, TwoCopiesAtOnceKeepTheirRecordsWhole) {
    std::wstring names[2];
    for (int copy = 0; copy < 2; ++copy)
        for (int i = 0; i < 150; ++i)
            names[copy] += dir.MakeDir(L"c" + std::to_wstring(copy) + L"d" + std::to_wstring(i)) + L" ";
    {
        Program first(names[0]), second(names[1]);
        ASSERT_TRUE(first.Ends(60000));
        ASSERT_TRUE(second.Ends(60000));
    }
    const auto runs = ParseJournal(JournalBytes());
    ASSERT_EQ(runs.size(), 2u);
    for (const auto& run : runs) {
        EXPECT_EQ(run.folders.size(), 150u);
        for (const auto& folder : run.folders) EXPECT_EQ(folder.outcome, JournalOutcome::New) << run.id;
    }
    EXPECT_EQ(dir.Listing().find(L'c'), std::wstring::npos);  // every folder upper case
}

// Two copies starting together against a journal of ten runs of 1000
// folders: every start trims it, and neither copy's records are lost.
TEST_F(JournalEndToEnd, TwoCopiesStartingOnAFullJournalLoseNoRecord) {
    std::string full;
    for (int run = 0; run < 10; ++run) {
        const std::string id = "old" + std::to_string(run);
        full += RunRecord(id, RunKind::Run, {1, 1}, "");
        for (uint32_t i = 1; i <= 1000; ++i) {
            const std::wstring old = dir.Path() + L"\\gone" + std::to_wstring(i);
            full += FolderRecord(id, i, old, old + L".Tmp\u3077\u3088\u3080", old + L"X") +
                    DoneRecord(id, i, JournalOutcome::New, old + L"X");
        }
    }
    WriteJournal(full);
    for (int round = 0; round < 3; ++round) {
        std::wstring names[2];
        for (int copy = 0; copy < 2; ++copy)
            for (int i = 0; i < 20; ++i)
                names[copy] += dir.MakeDir(L"r" + std::to_wstring(round) + L"c" + std::to_wstring(copy) + L"d" +
                                           std::to_wstring(i)) +
                               L" ";
        {
            Program first(names[0]), second(names[1]);
            ASSERT_TRUE(first.Ends(60000));
            ASSERT_TRUE(second.Ends(60000));
        }
        JournalDamage damage;
        const auto runs = ParseJournal(JournalBytes(), &damage);
        EXPECT_EQ(damage.lines, 0u) << "round " << round;
        // The ten newest that renamed something, kept as the last run began, and that run.
        ASSERT_EQ(runs.size(), 11u) << "round " << round;
        for (size_t run = runs.size() - 2; run < runs.size(); ++run) {
            EXPECT_EQ(runs[run].folders.size(), 20u) << "round " << round;
            for (const auto& folder : runs[run].folders)
                EXPECT_EQ(folder.outcome, JournalOutcome::New) << "round " << round;
        }
    }
    EXPECT_EQ(dir.Listing().find(L'r'), std::wstring::npos);  // every folder upper case
}

// The journal's disk fills up during a run: the folder whose record cannot
// be written stays as it is, the run stops and says why, and every folder
// renamed has its record.
TEST_F(JournalEndToEnd, AJournalThatFillsUpStopsTheRun) {
    std::wstring names;
    for (int i = 0; i < 100; ++i) names += dir.MakeDir(L"full" + std::to_wstring(i)) + L" ";
    const std::wstring log = dir.Path() + L"\\full.log";
    // Room for the plan and the first records written ahead, not for the whole run.
    SetEnvironmentVariableW(L"KELVARO2_JOURNAL_LIMIT", L"14000");
    const DWORD code = RunConsole(L"/MODE:0 /LOG:" + log + L" " + names, dir.Path() + L"\\out.txt");
    SetEnvironmentVariableW(L"KELVARO2_JOURNAL_LIMIT", nullptr);
    EXPECT_EQ(code, 1u);
    const std::wstring history = FromCodePage932(ReadShared(log));
    EXPECT_NE(history.find(L"\r\n変更を記録できなくなった為、残りのフォルダは変更しません\r\n結果　変更："),
              std::wstring::npos)
        << history;
    EXPECT_NE(history.find(L"件\r\n中断しました\r\n"), std::wstring::npos) << history;
    const auto runs = ParseJournal(JournalBytes());
    ASSERT_EQ(runs.size(), 1u);
    size_t renamed = 0;
    for (int i = 0; i < 100; ++i) {
        const std::wstring name = L"FULL" + std::to_wstring(i);
        if (dir.StoredName(name) != name) continue;
        ++renamed;
        const auto& folders = runs[0].folders;
        EXPECT_TRUE(std::any_of(folders.begin(), folders.end(), [&](const JournalFolder& folder) {
            return folder.newPath == dir.Path() + L"\\" + name;
        })) << name;
    }
    EXPECT_GT(renamed, 0u);
    EXPECT_LT(renamed, 100u);
    EXPECT_EQ(dir.Listing().find(L".Tmp"), std::wstring::npos);
}

// One damaged byte in the newest run's folder record: /UNDO takes back nothing and says why.
TEST_F(JournalEndToEnd, UndoRefusesAJournalWhoseNewestRunIsDamaged) {
    ASSERT_TRUE(Program(L"\"" + dir.MakeDir(L"first") + L"\"").Ends(30000));
    ASSERT_TRUE(Program(L"\"" + dir.MakeDir(L"second") + L"\"").Ends(30000));
    std::string bytes = JournalBytes();
    bytes[bytes.rfind("K2J2\tF\t") + 8] ^= 1;
    WriteJournal(bytes);
    ASSERT_TRUE(Program(L"/UNDO /CLIP").Ends(30000));
    EXPECT_EQ(dir.Listing(), L"FIRST|SECOND");
    // The folder's record, and the record of where it ended, which has no folder to belong to.
    EXPECT_EQ(ClipboardText(),
              L"記録が壊れている為、元に戻す変更を特定できません\r\n壊れた記録を読み飛ばしました: 2 行\r\n"
              L"　これから先の実行は、元に戻せます\r\n全て終了しました\r\n");
}

// A dry run after an interrupted run: the folder stays under its temporary
// name and the journal is not written.
TEST_F(JournalEndToEnd, ADryRunLeavesAnInterruptedRunAsItIs) {
    const std::wstring old = dir.Path() + L"\\cut", temp = old + L".Tmp\u3077\u3088\u3080";
    dir.MakeDir(L"cut.Tmp\u3077\u3088\u3080");
    const std::string journal =
        RunRecord("cut", RunKind::Run, {1, 1}, "") + FolderRecord("cut", 1, old, temp, dir.Path() + L"\\CUT");
    WriteJournal(journal);
    EXPECT_EQ(RunConsole(L"/DRYRUN /MODE:0 \"" + dir.MakeDir(L"other") + L"\"", dir.Path() + L"\\out.txt"), 0u);
    EXPECT_EQ(dir.Listing(), L"cut.Tmpぷよむ|other|out.txt");
    EXPECT_EQ(JournalBytes(), journal);
}

// A run cut short on drive Q:, which is then gone (a USB stick pulled out):
// the start says it waits for Q: and closes nothing; once Q: is back, the
// folder left under its temporary name is put back.
TEST_F(JournalEndToEnd, AFolderOnADriveThatComesBackIsRecoveredThen) {
    const std::wstring stick = dir.MakeDir(L"stick");
    CreateDirectoryW((stick + L"\\cut.Tmp\u3077\u3088\u3080").c_str(), nullptr);
    const std::string journal = RunRecord("cut", RunKind::Run, {1, 1}, "") +
                                FolderRecord("cut", 1, L"Q:\\cut", L"Q:\\cut.Tmp\u3077\u3088\u3080", L"Q:\\CUT");
    WriteJournal(journal);
    const std::wstring other = L"\"" + dir.MakeDir(L"other") + L"\"", log = dir.Path() + L"\\q.log";
    auto recoveryLines = [&] {
        const std::wstring text = FromCodePage932(ReadShared(log));
        return text.substr(0, text.find(L"―― 今回の実行 ――"));
    };
    ASSERT_EQ(GetFileAttributesW(L"Q:\\"), INVALID_FILE_ATTRIBUTES) << "Q: is in use here";
    EXPECT_EQ(RunConsole(L"/MODE:0 /LOG:" + log + L" " + other, dir.Path() + L"\\out.txt"), 0u);
    EXPECT_NE(
        recoveryLines().find(L"ドライブが見つからない為、中断された変更の確認を次の起動まで待ちます\r\n　[ Q:\\ ]"),
        std::wstring::npos)
        << recoveryLines();
    ASSERT_EQ(ParseJournal(JournalBytes()).front().folders.at(0).outcome, JournalOutcome::Open);

    DWORD code = 0;
    {
        const WineDriveQ drive(stick);
        ASSERT_NE(GetFileAttributesW(L"Q:\\cut.Tmp\u3077\u3088\u3080"), INVALID_FILE_ATTRIBUTES)
            << "Q: does not lead to the folder";
        code = RunConsole(L"/MODE:0 /LOG:" + log + L" " + other, dir.Path() + L"\\out.txt");
    }
    EXPECT_EQ(GetFileAttributesW(L"Q:\\"), INVALID_FILE_ATTRIBUTES) << "Q: stays";
    EXPECT_EQ(code, 0u);
    EXPECT_NE(recoveryLines().find(L"Q:\\cut"), std::wstring::npos) << recoveryLines();
    EXPECT_EQ(GetFileAttributesW((stick + L"\\cut").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    // Closed, and then dropped by the trim: a run that renamed nothing keeps no place.
    EXPECT_FALSE(HasOpenFolders(JournalBytes()));
}

TEST_F(JournalEndToEnd, UndoGivesBackEveryOriginalSpelling) {
    std::wstring names;
    for (auto name : {L"Mixed Case", L"lower", L"UPPER", L"ｶﾀｶﾅ Ab"}) names += L"\"" + dir.MakeDir(name) + L"\" ";
    ASSERT_TRUE(Program(names).Ends(30000));
    EXPECT_EQ(dir.Listing(), L"LOWER|MIXED CASE|UPPER|ｶﾀｶﾅ AB");
    Put(L"AutoLog", L"False");
    ASSERT_TRUE(Program(L"/UNDO").Ends(30000));
    EXPECT_EQ(dir.Listing(), L"Mixed Case|UPPER|lower|ｶﾀｶﾅ Ab");
    Put(L"AutoLog", L"True");
    ASSERT_TRUE(Program(L"/Undo /CLIP").Ends(30000));  // nothing left to take back
    EXPECT_EQ(ClipboardText(), L"元に戻す変更がありません\r\n全て終了しました\r\n");
    EXPECT_EQ(dir.Listing(), L"Mixed Case|UPPER|lower|ｶﾀｶﾅ Ab");
}

// A script run over 600 folders killed part way, then one stopped by Ctrl+C:
// each time /RESUME renames the folders the run did not reach by its mode,
// and then finds nothing more to do.
TEST_F(JournalEndToEnd, ResumeFinishesAKilledRunAndAStoppedOne) {
    const std::wstring root = L"C:\\k2r" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    std::string list;
    for (int i = 0; i < 600; ++i) {
        char name[8];
        std::snprintf(name, sizeof(name), "d%03d", i);
        CreateDirectoryW((root + L"\\" + std::wstring(name, name + 4)).c_str(), nullptr);
        list += std::string(root.begin(), root.end()) + "\\" + name + "\r\n";
    }
    const std::wstring listFile = dir.Path() + L"\\list.txt", out = dir.Path() + L"\\out.txt";
    WriteWhole(listFile, list);
    {
        ConsoleRun run(L"/MODE:0 @" + listFile, out);
        ASSERT_TRUE(run.Started());
        const size_t until = Count(JournalBytes(), "\tN\t") + 120;
        const ULONGLONG deadline = GetTickCount64() + 60000;
        while (Count(JournalBytes(), "\tN\t") < until && GetTickCount64() < deadline && !run.Ends(0))
            Sleep(1);
        ASSERT_FALSE(run.Ends(0)) << "the run ended before it could be killed";
        run.Kill();
    }
    const Census killed = Take(root);
    EXPECT_GT(killed.old, 0);
    EXPECT_EQ(RunConsole(L"/RESUME", out), 0u);
    const std::wstring told = FromCodePage932(ReadShared(out));
    EXPECT_NE(told.find(L"中断された実行: 600 フォルダ中 "), std::wstring::npos) << told;
    EXPECT_NE(told.find(L"中断された実行の続きを実行します"), std::wstring::npos) << told;
    EXPECT_EQ(Take(root).renamed, 600);
    EXPECT_EQ(RunConsole(L"/RESUME", out), 1u);
    EXPECT_NE(FromCodePage932(ReadShared(out)).find(L"続きを実行する中断された実行がありません"), std::wstring::npos);

    // A run by mode 2 stopped by Ctrl+C after 150 folders, as it leaves the
    // journal: Wine 8 refuses GenerateConsoleCtrlEvent for the console a test
    // runs in (ERROR_INVALID_ACCESS), so the stop is written as the program writes it.
    std::string bytes = JournalBytes();
    RunRequest request{2, "", 600, {}};
    for (int i = 0; i < 600; ++i) {
        wchar_t name[8];
        swprintf(name, 8, L"\\D%03d", i);
        request.targets.push_back(root + name);
    }
    const std::string id = "1-1";
    bytes += RunRecord(id, RunKind::Run, {1, 1}, "") + RequestRecords(id, request);
    for (uint32_t i = 0; i < 150; ++i) {
        const std::wstring& old = request.targets[i];
        const std::wstring lower = root + L"\\d" + old.substr(old.size() - 3);
        ASSERT_TRUE(MoveFileW(old.c_str(), (old + kTempSuffix).c_str()));
        ASSERT_TRUE(MoveFileW((old + kTempSuffix).c_str(), lower.c_str()));
        bytes +=
            FolderRecord(id, i + 1, old, old + kTempSuffix, lower) + DoneRecord(id, i + 1, JournalOutcome::New, lower);
    }
    WriteJournal(bytes + EndRecord(id, RunEnd::Stopped, 150));
    const Census half = Take(root);
    EXPECT_EQ(half.old, 150);
    EXPECT_EQ(RunConsole(L"/RESUME /LOG:" + dir.Path() + L"\\resume.log", out), 0u);
    const std::wstring log = FromCodePage932(ReadShared(dir.Path() + L"\\resume.log"));
    EXPECT_EQ(log.find(L"中断された実行の続きを実行します\r\n[ " + root + L"\\D150 ]"), 0u) << log;
    EXPECT_EQ(Take(root).old, 600);
    EXPECT_EQ(RunConsole(L"/RESUME", out), 1u);
    RemoveTree(root);
}

// A walk of 2,551 folders (/S, three batches) killed in its second batch,
// then a list of the same folders, parents first, killed there too: each time
// /RESUME finishes the run, every folder is renamed exactly once, and the
// next /RESUME finds nothing to finish.
TEST_F(JournalEndToEnd, ResumeFinishesAKilledWalkAndAKilledListOfSeveralBatches) {
    const std::wstring root = L"C:\\k2w" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    std::string list = std::string(root.begin(), root.end()) + "\r\n";
    for (int i = 0; i < 50; ++i) {
        const std::wstring top = root + L"\\d" + std::to_wstring(i);
        CreateDirectoryW(top.c_str(), nullptr);
        list += std::string(top.begin(), top.end()) + "\r\n";
        for (int j = 0; j < 50; ++j) {
            const std::wstring leaf = top + L"\\e" + std::to_wstring(j);
            CreateDirectoryW(leaf.c_str(), nullptr);
            list += std::string(leaf.begin(), leaf.end()) + "\r\n";
        }
    }
    const std::wstring listFile = dir.Path() + L"\\list.txt", out = dir.Path() + L"\\out.txt";
    WriteWhole(listFile, list);
    // The names of the tree with and without a lower-case letter.
    auto census = [&] {
        std::pair<int, int> lowerUpper;
        std::function<void(const std::wstring&, const std::wstring&)> visit = [&](const std::wstring& path,
                                                                                  const std::wstring& name) {
            ++(name.find_first_of(L"abcdefghijklmnopqrstuvwxyz") != std::wstring::npos ? lowerUpper.first
                                                                                       : lowerUpper.second);
            WIN32_FIND_DATAW data;
            HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
            if (find == INVALID_HANDLE_VALUE) return;
            do
                if (data.cFileName[0] != L'.') visit(path + L"\\" + data.cFileName, data.cFileName);
            while (FindNextFileW(find, &data));
            FindClose(find);
        };
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(root.c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            visit(root, data.cFileName);
        }
        return lowerUpper;
    };
    // Killed once the journal has recorded `folders` more folders renamed (records
    // written ahead and not taken are closed as well, under their old names).
    auto killAfter = [&](const std::wstring& arguments, size_t folders) {
        ConsoleRun run(arguments, out);
        ASSERT_TRUE(run.Started());
        const size_t until = Count(JournalBytes(), "\tN\t") + folders;
        const ULONGLONG deadline = GetTickCount64() + 120000;
        while (Count(JournalBytes(), "\tN\t") < until && GetTickCount64() < deadline && !run.Ends(0))
            Sleep(2);
        ASSERT_FALSE(run.Ends(0)) << "the run ended before it could be killed";
        run.Kill();
    };
    // The folders the runs from `first` on renamed, and how many of them more than once.
    auto renamed = [&](size_t first) {
        const auto runs = ParseJournal(JournalBytes());
        std::set<std::wstring> paths;
        size_t records = 0;
        for (size_t r = first; r < runs.size(); ++r)
            for (const auto& folder : runs[r].folders)
                if (runs[r].kind == RunKind::Run && folder.outcome == JournalOutcome::New) {
                    ++records;
                    paths.insert(folder.newPath);
                }
        return std::make_pair(paths.size(), records - paths.size());
    };
    const auto expectNothingToFinish = [&] {
        EXPECT_EQ(RunConsole(L"/RESUME", out), 1u);
        EXPECT_NE(FromCodePage932(ReadShared(out)).find(L"続きを実行する中断された実行がありません"),
                  std::wstring::npos);
    };

    killAfter(L"/MODE:0 /S " + root, 1300);
    const auto killed = census();
    EXPECT_GT(killed.first, 0);
    EXPECT_GE(killed.second, 1000);
    EXPECT_EQ(RunConsole(L"/RESUME", out), 0u);
    EXPECT_NE(FromCodePage932(ReadShared(out)).find(L"中断された実行の続きを実行します"), std::wstring::npos);
    EXPECT_EQ(census(), std::make_pair(0, 2551));
    EXPECT_EQ(renamed(0), std::make_pair(size_t{2551}, size_t{0}));
    expectNothingToFinish();

    const size_t runsBefore = ParseJournal(JournalBytes()).size();
    killAfter(L"/MODE:2 @" + listFile, 1300);
    EXPECT_GE(census().first, 1000);
    EXPECT_EQ(RunConsole(L"/RESUME", out), 0u);
    EXPECT_EQ(census(), std::make_pair(2551, 0));
    EXPECT_EQ(renamed(runsBefore), std::make_pair(size_t{2551}, size_t{0}));
    expectNothingToFinish();
    RemoveTree(root);
}

// /UNDO takes back the newest run not yet taken back: two in a row take back two runs.
TEST_F(JournalEndToEnd, TwoUndosInARowTakeBackTwoRuns) {
    const std::wstring first = dir.MakeDir(L"first"), second = dir.MakeDir(L"second");
    TempDir scratch;
    const std::wstring out = scratch.Path() + L"\\out.txt";
    EXPECT_EQ(RunConsole(L"/MODE:0 \"" + first + L"\"", out), 0u);
    EXPECT_EQ(RunConsole(L"/MODE:0 \"" + second + L"\"", out), 0u);
    EXPECT_EQ(dir.Listing(), L"FIRST|SECOND");
    EXPECT_EQ(RunConsole(L"/UNDO", out), 0u);
    EXPECT_EQ(dir.Listing(), L"FIRST|second");
    EXPECT_EQ(RunConsole(L"/UNDO", out), 0u);
    EXPECT_EQ(dir.Listing(), L"first|second");
    EXPECT_EQ(RunConsole(L"/UNDO", out), 1u);
    EXPECT_NE(FromCodePage932(ReadShared(out)).find(L"元に戻す変更がありません"), std::wstring::npos);
}

// Ten runs back means ten runs that renamed something: undos, and runs that
// renamed nothing, push no run out of the journal.
TEST_F(JournalEndToEnd, TheFirstRunStaysUndoableAfterSixUndoneRunsAndFourEmptyOnes) {
    const std::wstring first = dir.MakeDir(L"first"), pair = dir.MakeDir(L"pair");
    TempDir scratch;
    const std::wstring out = scratch.Path() + L"\\out.txt";
    ASSERT_EQ(RunConsole(L"/MODE:0 \"" + first + L"\"", out), 0u);
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(RunConsole(L"/MODE:0 \"" + pair + L"\"", out), 0u);
        ASSERT_EQ(RunConsole(L"/UNDO", out), 0u);
    }
    for (int i = 0; i < 4; ++i) ASSERT_EQ(RunConsole(L"/MODE:0 \"" + dir.Path() + L"\\FIRST\"", out), 0u);
    EXPECT_EQ(dir.Listing(), L"FIRST|pair");
    EXPECT_EQ(RunConsole(L"/UNDO", out), 0u) << FromCodePage932(ReadShared(out));
    EXPECT_EQ(dir.Listing(), L"first|pair");
}

// Its own entry in CTest: the longest of these tests.
class KillEndToEnd : public JournalEndToEnd {};

// A walk of 5,050 folders (/S) killed at 20 random moments, each time
// followed by /UNDO: after every start each folder is under its old or its
// new name, never a temporary one, and the undo takes back exactly what the
// killed run renamed (all of it, and nothing of a run before).
TEST_F(KillEndToEnd, TwentyKillsOfAWalkOfFiveThousandFoldersLoseNone) {
    const std::wstring root = L"C:\\k2x" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    constexpr int kFolders = 50 + 50 * 100;
    auto name = [](int i) {
        wchar_t text[8];
        swprintf(text, 8, L"\\d%03d", i);
        return std::wstring(text);
    };
    for (int i = 0; i < 50; ++i) {
        CreateDirectoryW((root + name(i)).c_str(), nullptr);
        for (int j = 0; j < 100; ++j) CreateDirectoryW((root + name(i) + name(j)).c_str(), nullptr);
    }
    const std::wstring out = dir.Path() + L"\\out.txt";
    // A run of its own first, taken back: how long a whole walk takes here.
    const ULONGLONG began = GetTickCount64();
    ASSERT_EQ(RunConsole(L"/MODE:0 /S " + root, out), 0u);
    const ULONGLONG whole = GetTickCount64() - began;
    ASSERT_EQ(TakeTree(root).renamed, kFolders);
    ASSERT_EQ(RunConsole(L"/UNDO", out), 0u);
    ASSERT_EQ(TakeTree(root).old, kFolders);

    const unsigned seed = static_cast<unsigned>(GetTickCount64());
    std::mt19937 random(seed);
    // Moments within the first two thirds of a whole walk: a machine busier
    // now than when it was timed still ends few runs before their kill.
    std::uniform_int_distribution<ULONGLONG> moment(50, std::max<ULONGLONG>(whole * 2 / 3, 100));
    int kills = 0, withTemp = 0;
    for (int round = 0; kills < 20 && round < 40; ++round) {
        const ULONGLONG at = moment(random);
        {
            ConsoleRun run(L"/MODE:0 /S " + root, out);
            ASSERT_TRUE(run.Started());
            if (!run.Ends(static_cast<DWORD>(at))) {
                run.Kill();
                ++kills;
            }
        }
        const Census cut = TakeTree(root);
        ASSERT_EQ(cut.old + cut.renamed + cut.temp, kFolders) << "round " << round << ", seed " << seed;
        withTemp += cut.temp > 0;
        const DWORD undone = RunConsole(L"/UNDO", out);
        const Census after = TakeTree(root);
        ASSERT_EQ(after.old, kFolders) << "round " << round << " killed at " << at << " ms, seed " << seed
                                       << ", /UNDO ended with " << undone << ":\n"
                                       << FromCodePage932(ReadShared(out));
    }
    EXPECT_EQ(kills, 20);
    std::printf("[ kills ] a walk of %d folders takes %llu ms; %d kills, %d with a folder under its temporary name\n",
                kFolders, static_cast<unsigned long long>(whole), kills, withTemp);
    RemoveTree(root);
}

}  // namespace
}  // namespace kelvaro
