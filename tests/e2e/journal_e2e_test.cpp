// The journal of the real program: killed in the middle of a run, started
// again, and the last run taken back with /UNDO.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_support.h"
#include "engine/journal.h"

namespace kelvaro {
namespace {

using namespace testing;

std::string ReadShared(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes(1 << 20, '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

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
    Census Take(const std::wstring& root) {
        Census census;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return census;
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            if (name.find(L".Tmp") != std::wstring::npos)
                ++census.temp;
            else if (name.size() == 4 && name[0] == L'd')
                ++census.old;
            else if (name.size() == 4 && name[0] == L'D')
                ++census.renamed;
            else
                ++census.other;
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return census;
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
        const std::string before = ReadShared(JournalPath());
        const size_t doneBefore = Count(before, "\tD\t");
        // Killed when a share of the folders still to rename is done: 15, 50, 85 and 35 percent.
        const size_t share[] = {15, 50, 85, 35};
        const int oldBefore = Take(root).old;
        const size_t killAt = doneBefore + static_cast<size_t>(oldBefore) * share[round] / 100;
        {
            Program program(names);
            ASSERT_TRUE(program.Started());
            const ULONGLONG deadline = GetTickCount64() + 60000;
            while (Count(ReadShared(JournalPath()), "\tD\t") < killAt && GetTickCount64() < deadline &&
                   !program.Ends(0))
                Sleep(1);
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
            const std::wstring heading = undo ? L"―― 以前の実行の後始末 ――\r\n" : L"";
            EXPECT_EQ(history.rfind(heading + L"中断された変更を元に戻しました\r\n　[ " + root + L"\\d", 0), 0u)
                << "round " << round;
        }
        if (undo) {
            EXPECT_EQ(after.old, oldBefore) << "round " << round;  // the killed run is taken back whole
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
    const auto runs = ParseJournal(ReadShared(JournalPath()));
    ASSERT_EQ(runs.size(), 2u);
    for (const auto& run : runs) {
        EXPECT_EQ(run.folders.size(), 150u);
        for (const auto& folder : run.folders) EXPECT_EQ(folder.outcome, JournalOutcome::New) << run.id;
    }
    EXPECT_EQ(dir.Listing().find(L'c'), std::wstring::npos);  // every folder upper case
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

}  // namespace
}  // namespace kelvaro
