// What the real program promises when another copy, the disk or the user
// stands in its way: it waits for the turn as long as the other copy runs,
// renames nothing it cannot record, never follows a link swapped in, never
// renames its own folders, and never writes its log over its journal.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/e2e_support.h"
#include "engine/folder_rules.h"
#include "engine/journal.h"

namespace kelvaro {
namespace {

using namespace testing;

class TrustEndToEnd : public EndToEnd {
protected:
    // `count` folders named d0000... below a new folder `name` of `dir`.
    std::wstring ManyFolders(const std::wstring& name, int count) {
        const std::wstring root = dir.MakeDir(name);
        for (int i = 0; i < count; ++i) {
            wchar_t sub[16];
            swprintf(sub, 16, L"\\d%04d", i);
            CreateDirectoryW((root + sub).c_str(), nullptr);
        }
        return root;
    }
    // How many folders below `root` carry a name in upper case (D0000...).
    int Upper(const std::wstring& root) {
        int upper = 0;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return 0;
        do upper += data.cFileName[0] == L'D';
        while (FindNextFileW(find, &data));
        FindClose(find);
        return upper;
    }
    std::wstring Out() { return FromCodePage932(ReadShared(dir.Path() + L"\\out.txt")); }
    // The code of the /TSV line of `output` whose path ends in `name`.
    static std::wstring CodeOf(const std::wstring& output, const std::wstring& name) {
        const size_t at = output.find(name + L"\t");
        if (at == std::wstring::npos) return L"<none>";
        const size_t line = output.rfind(L'\n', at) + 1;
        return output.substr(line, output.find(L'\t', line) - line);
    }
};

// An undo started while another copy renames waits for it, past the two
// minutes after which copies once went on without the turn (here in steps of
// 1 ms, so 2,400 tries pass in seconds), and then takes back that whole run.
TEST_F(TrustEndToEnd, AnUndoWaitsForARunningCopyAndTakesBackAllOfItsRun) {
    const std::wstring root = ManyFolders(L"long", 2500);
    ConsoleRun run(L"/MODE:0 /S \"" + root + L"\"", dir.Path() + L"\\run.txt");
    ASSERT_TRUE(run.Started());
    // The run holds the turn once its record is written.
    for (int i = 0; i < 3000 && JournalBytes().find("\tR\t") == std::string::npos; ++i) Sleep(5);
    ASSERT_FALSE(run.Ends(0)) << "the run ended before the undo began";
    SetEnvironmentVariableW(L"KELVARO2_TURN_PAUSE_MS", L"1");
    const ULONGLONG start = GetTickCount64();
    const DWORD undo = RunConsole(L"/UNDO", dir.Path() + L"\\out.txt");
    const ULONGLONG waited = GetTickCount64() - start;
    SetEnvironmentVariableW(L"KELVARO2_TURN_PAUSE_MS", nullptr);
    ASSERT_TRUE(run.Ends(60000));
    EXPECT_EQ(undo, 0u) << Out();
    EXPECT_NE(Out().find(L"他の Kelvaro2 の実行が終わるのを待っています"), std::wstring::npos) << Out();
    EXPECT_GT(waited, 2400u) << "the run did not outlast the old limit of the wait";
    EXPECT_EQ(Upper(root), 0);
}

// A journal that cannot be written (its disk full, its path a folder): a
// script renames nothing and says why, with exit code 1; so does the automatic run.
TEST_F(TrustEndToEnd, AJournalThatCannotBeWrittenRenamesNothing) {
    const std::wstring folder = dir.MakeDir(L"photos");
    SetEnvironmentVariableW(L"KELVARO2_JOURNAL_LIMIT", L"10");
    const DWORD full = RunConsole(L"/MODE:0 \"" + folder + L"\"", dir.Path() + L"\\out.txt");
    SetEnvironmentVariableW(L"KELVARO2_JOURNAL_LIMIT", nullptr);
    EXPECT_EQ(full, 1u);
    EXPECT_NE(Out().find(L"変更を記録できない為、フォルダ名を変更しません"), std::wstring::npos) << Out();
    DeleteFileW(JournalPath().c_str());
    ASSERT_TRUE(CreateDirectoryW(JournalPath().c_str(), nullptr));  // the journal's path is a folder
    EXPECT_EQ(RunConsole(L"/MODE:0 \"" + folder + L"\"", dir.Path() + L"\\out.txt"), 1u);
    // The automatic run ("Send to") renames nothing either; its history, copied as its options ask, says why.
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    Program automatic(L"\"" + folder + L"\"");
    ASSERT_TRUE(automatic.Ends(30000));
    RemoveDirectoryW(JournalPath().c_str());
    EXPECT_EQ(dir.Listing(), L"out.txt|photos");
    EXPECT_NE(ClipboardText().find(L"変更を記録できない為、フォルダ名を変更しません"), std::wstring::npos)
        << ClipboardText();
}

// A subfolder swapped for a link to a folder outside the tree, again and
// again while /S walks it: nothing outside the named tree is renamed.
TEST_F(TrustEndToEnd, ALinkSwappedInDuringAWalkIsNeverFollowed) {
    const std::wstring outside = ManyFolders(L"outside", 50);
    const std::wstring root = ManyFolders(L"tree", 300);
    ManyFolders(L"tree\\d0150", 0);
    for (int i = 0; i < 20; ++i) dir.MakeDir(L"tree\\d0150\\e" + std::to_wstring(i));
    const std::wstring sub = root + L"\\d0150", unixSub = UnixPath(sub), unixOutside = UnixPath(outside);
    ASSERT_FALSE(unixSub.empty());
    // For about ten seconds: the folder moves aside and a link takes its name, then it comes back.
    StartLinuxTool(L"Z:\\bin\\sh",
                   L"sh -c \"end=$(($(date +%s)+10)); while [ $(date +%s) -lt $end ]; do "
                   L"mv '" +
                       unixSub + L"' '" + unixSub + L".away' 2>/dev/null && ln -s '" + unixOutside + L"' '" + unixSub +
                       L"'; rm -f '" + unixSub + L"'; mv '" + unixSub + L".away' '" + unixSub +
                       L"' 2>/dev/null; done\"");
    for (int round = 0; round < 4; ++round) {
        RunConsole(L"/MODE:" + std::to_wstring(round % 2 ? 2 : 0) + L" /S \"" + root + L"\"",
                   dir.Path() + L"\\out.txt");
        EXPECT_EQ(Upper(outside), 0) << "round " << round;
    }
    Sleep(11000);  // the swapping ends
    EXPECT_EQ(Upper(outside), 0);
}

// The folder the journal lives in, and every folder above it, are never
// renamed, whatever names them; the rest of the tree is.
TEST_F(TrustEndToEnd, TheProgramsOwnFoldersAreNeverRenamed) {
    ASSERT_EQ(RunConsole(L"/MODE:0 \"" + dir.MakeDir(L"first") + L"\"", dir.Path() + L"\\out.txt"), 0u);
    const std::wstring root = isolated.root.Path();
    CreateDirectoryW((root + L"\\other").c_str(), nullptr);
    EXPECT_EQ(RunConsole(L"/MODE:0 /S /TSV \"" + root + L"\"", dir.Path() + L"\\out.txt"), 1u);
    EXPECT_NE(Out().find(L"OWN_FOLDER\t" + root + L"\\Kelvaro2\t"), std::wstring::npos) << Out();
    EXPECT_NE(Out().find(L"OWN_FOLDER\t" + root + L"\t"), std::wstring::npos) << Out();
    EXPECT_NE(isolated.root.Listing().find(L"OTHER"), std::wstring::npos) << isolated.root.Listing();
    EXPECT_NE(GetFileAttributesW(JournalPath().c_str()), INVALID_FILE_ATTRIBUTES);
    // The journal is still whole: the run can be taken back.
    EXPECT_EQ(RunConsole(L"/UNDO", dir.Path() + L"\\out.txt"), 0u) << Out();
    EXPECT_NE(isolated.root.Listing().find(L"other"), std::wstring::npos) << isolated.root.Listing();
}

// /LOG never names the journal, by any spelling: a \\?\ path, forward
// slashes, another drive letter for its folder, or a link to it. Nothing is
// emptied: the journal is as it was.
TEST_F(TrustEndToEnd, ALogNeverNamesTheJournalByAnySpelling) {
    ASSERT_EQ(RunConsole(L"/MODE:0 \"" + dir.MakeDir(L"first") + L"\"", dir.Path() + L"\\out.txt"), 0u);
    const std::string journal = JournalBytes();
    ASSERT_FALSE(journal.empty());
    std::wstring slashes = JournalPath();
    for (auto& c : slashes)
        if (c == L'\\') c = L'/';
    const std::wstring link = dir.Path() + L"\\journal-link.txt";
    StartLinuxTool(L"Z:\\bin\\ln",
                   L"ln -s \"" + UnixPath(JournalPath()) + L"\" \"" + UnixPath(dir.Path()) + L"/journal-link.txt\"");
    for (int i = 0; i < 250 && GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
    const std::wstring folder = JournalPath().substr(0, JournalPath().rfind(L'\\'));
    const WineDriveQ drive(folder);
    for (const std::wstring& log :
         {L"\\\\?\\" + JournalPath(), slashes, link, std::wstring(L"Q:\\journal.txt"), folder + L"\\other.log"}) {
        EXPECT_EQ(
            RunConsole(L"/MODE:0 /LOG:\"" + log + L"\" \"" + dir.MakeDir(L"x") + L"\"", dir.Path() + L"\\out.txt"), 2u)
            << log;
        EXPECT_EQ(JournalBytes(), journal) << log;
    }
    // The next run moves the journal's file to a segment of its own: the
    // link, left leading nowhere, would keep the test's folder from going.
    StartLinuxTool(L"Z:\\bin\\rm", L"rm -f \"" + UnixPath(link) + L"\"");
    for (int i = 0; i < 250 && dir.Listing().find(L"journal-link") != std::wstring::npos; ++i) Sleep(20);
}

// After a killed run and a later one, /RESUME finishes the killed run (the
// hint at the next start says it can), whatever ran in between.
TEST_F(TrustEndToEnd, ResumeFinishesAKilledRunAfterALaterOne) {
    const std::wstring root = ManyFolders(L"killed", 800);
    {
        ConsoleRun run(L"/MODE:0 /S \"" + root + L"\"", dir.Path() + L"\\run.txt");
        ASSERT_TRUE(run.Started());
        for (int i = 0; i < 6000 && Upper(root) < 100 && !run.Ends(0); ++i) Sleep(2);
        ASSERT_FALSE(run.Ends(0)) << "the run ended before it could be killed";
        run.Kill();
    }
    EXPECT_EQ(RunConsole(L"/MODE:0 \"" + dir.MakeDir(L"later") + L"\"", dir.Path() + L"\\out.txt"), 0u);
    EXPECT_NE(Out().find(L"/RESUME"), std::wstring::npos) << Out();
    EXPECT_EQ(RunConsole(L"/RESUME", dir.Path() + L"\\out.txt"), 0u) << Out();
    EXPECT_EQ(Upper(root), 800);
}

// A journal whose last 64 MB hold no line break (what a crash can leave):
// /UNDO reads past it in a bounded time and memory and still takes back the
// run before it.
TEST_F(TrustEndToEnd, AJournalEndingInALongLineCostsNeitherTimeNorMemory) {
    ASSERT_EQ(RunConsole(L"/MODE:0 \"" + dir.MakeDir(L"first") + L"\"", dir.Path() + L"\\out.txt"), 0u);
    std::string journal = JournalBytes();
    journal.append(64u << 20, '\0');
    WriteJournal(journal);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(StartRedirected(ConsoleProgramPath(), L"/UNDO", dir.Path() + L"\\out.txt", info));
    const ULONGLONG start = GetTickCount64();
    const bool ended = WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0;
    const ULONGLONG took = GetTickCount64() - start;
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(info.hProcess, &memory, sizeof(memory));
    DWORD code = 99;
    GetExitCodeProcess(info.hProcess, &code);
    if (!ended) TerminateProcess(info.hProcess, 99);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    EXPECT_EQ(code, 0u) << Out();
    EXPECT_LT(took, 20000u);
    EXPECT_LT(memory.PeakWorkingSetSize, 48u << 20);
    EXPECT_NE(dir.Listing().find(L"first"), std::wstring::npos) << dir.Listing();
}

// Folders named like devices, and a twin differing in case only (a Linux
// folder under Wine): the dry run and the run say the same, and nothing is
// left under a temporary name.
TEST_F(TrustEndToEnd, DevicesAndTwinsAreRefusedAlikeByTheDryRunAndTheRun) {
    const std::wstring root = dir.MakeDir(L"odd");
    for (const wchar_t* name : {L"con", L"lpt1.txt", L"Mix", L"mix"})
        StartLinuxTool(L"Z:\\bin\\mkdir", L"mkdir \"" + UnixPath(root) + L"/" + name + L"\"");
    for (int i = 0; i < 250 && dir.Listing(L"odd") != L"Mix|con|lpt1.txt|mix"; ++i) Sleep(20);
    ASSERT_EQ(dir.Listing(L"odd"), L"Mix|con|lpt1.txt|mix");
    std::wstring dry, run;
    for (std::wstring* out : {&dry, &run}) {
        RunConsole(std::wstring(L"/MODE:0 ") + (out == &dry ? L"/DRYRUN " : L"") + L"/S /TSV \"" + root + L"\"",
                   dir.Path() + L"\\out.txt");
        *out = Out();
    }
    for (const wchar_t* name : {L"\\con", L"\\lpt1.txt", L"\\Mix", L"\\mix"}) {
        EXPECT_EQ(CodeOf(run, name), CodeOf(dry, name)) << name << L"\n" << run;
        EXPECT_NE(CodeOf(run, name), L"RENAMED") << name;
        EXPECT_NE(CodeOf(run, name), L"<none>") << name;
    }
    EXPECT_EQ(dir.Listing(L"odd").find(L".Tmp"), std::wstring::npos) << dir.Listing(L"odd");
}

// Names with a tab or a line feed (Linux folders under Wine; not Windows
// names, so they keep them) go into the run's records unchanged: the run
// they were named in is taken back whole.
TEST_F(TrustEndToEnd, NamesWithATabOrALineFeedKeepTheirRunUndoable) {
    const std::wstring root = dir.MakeDir(L"odd");
    dir.MakeDir(L"odd\\plain");
    StartLinuxTool(L"Z:\\bin\\mkdir",
                   L"mkdir \"" + UnixPath(root) + L"/tab\there\" \"" + UnixPath(root) + L"/line\nfeed\"");
    for (int i = 0; i < 250 && dir.Listing(L"odd") != L"line\nfeed|plain|tab\there"; ++i) Sleep(20);
    ASSERT_EQ(dir.Listing(L"odd"), L"line\nfeed|plain|tab\there");
    RunConsole(L"/MODE:0 \"" + root + L"\\tab\there\" \"" + root + L"\\line\nfeed\" \"" + root + L"\\plain\"",
               dir.Path() + L"\\out.txt");
    EXPECT_EQ(dir.Listing(L"odd"), L"PLAIN|line\nfeed|tab\there") << Out();
    EXPECT_EQ(RunConsole(L"/UNDO", dir.Path() + L"\\out.txt"), 0u) << Out();
    EXPECT_EQ(dir.Listing(L"odd"), L"line\nfeed|plain|tab\there") << Out();
}

// A killed run whose run record lost a byte: the next start still puts its
// folder back from the folder's own record.
TEST_F(TrustEndToEnd, ADamagedRunRecordNeverHidesAFolderLeftUnderItsTemporaryName) {
    const std::wstring folder = dir.MakeDir(L"photos");
    const std::wstring temp = folder + kTempSuffix;
    ASSERT_TRUE(MoveFileW(folder.c_str(), temp.c_str()));
    std::string run = RunRecord("1-1", RunKind::Run, {1, 1}, "");
    run[run.find("1-1") + 1] ^= 1;  // one changed byte: the record's sum no longer holds
    WriteJournal(JournalBytes() + run + FolderRecord("1-1", 1, folder, temp, folder + L"X"));
    RunConsole(L"/MODE:0 /DRYRUN \"" + dir.Path() + L"\"", dir.Path() + L"\\out.txt");  // a dry run leaves it
    EXPECT_EQ(dir.Listing(), L"out.txt|photos" + std::wstring(kTempSuffix));
    EXPECT_EQ(RunConsole(L"/UNDO", dir.Path() + L"\\out.txt"), 1u) << Out();  // recovers, then nothing to undo
    EXPECT_EQ(dir.Listing(), L"out.txt|photos");
    EXPECT_NE(Out().find(L"中断された変更を元に戻しました"), std::wstring::npos) << Out();
}

// A list's lines are names with the blanks around them left out; a line
// holding a NUL is named in the complaint.
TEST_F(TrustEndToEnd, AListsBlanksAreNotPartOfItsNamesAndANulIsNamedByItsLine) {
    const std::wstring folder = dir.MakeDir(L"spaced");
    std::string line(folder.begin(), folder.end());
    WriteWhole(dir.Path() + L"\\list.txt", "  " + line + " \t\r\n");
    EXPECT_EQ(RunConsole(L"/MODE:0 @" + dir.Path() + L"\\list.txt", dir.Path() + L"\\out.txt"), 0u) << Out();
    EXPECT_NE(dir.Listing().find(L"SPACED"), std::wstring::npos) << dir.Listing();
    WriteWhole(dir.Path() + L"\\list.txt", std::string("C:\\a\r\nC:\\b\r\nC:\\c\0d\r\n", 20));
    EXPECT_EQ(RunConsole(L"/MODE:0 @" + dir.Path() + L"\\list.txt", dir.Path() + L"\\out.txt"), 2u);
    EXPECT_NE(Out().find(L"3 行目"), std::wstring::npos) << Out();
}

// Started without a console while another copy holds the journal's turn, the
// program shows a window that says so, and キャンセル there ends it with
// nothing touched.
TEST_F(TrustEndToEnd, AWaitBeforeTheWindowExistsShowsAWindowWithCancel) {
    ASSERT_EQ(RunConsole(L"/MODE:0 \"" + dir.MakeDir(L"first") + L"\"", dir.Path() + L"\\out.txt"), 0u);
    // This test holds the turn, as another copy would.
    const HANDLE turn =
        CreateFileW((JournalPath() + L".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS, 0, nullptr);
    OVERLAPPED whole{};
    ASSERT_TRUE(LockFileEx(turn, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole));
    // /UNDO as Explorer starts it (without a console), and the automatic run of "Send to".
    const std::wstring second = dir.MakeDir(L"second");
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"0");
    for (const std::wstring& arguments : {std::wstring(L"/UNDO"), L"\"" + second + L"\""}) {
        Program program(arguments, DETACHED_PROCESS);
        const HWND wait = program.FindWindowOfClass(L"Kelvaro2TurnWait", 20000);
        ASSERT_NE(wait, nullptr) << arguments;
        SendMessageW(wait, WM_COMMAND, 1, 0);  // キャンセル
        EXPECT_TRUE(program.Ends(20000)) << arguments;
    }
    UnlockFileEx(turn, 0, 1, 0, &whole);
    CloseHandle(turn);
    EXPECT_EQ(dir.Listing(), L"FIRST|out.txt|second");
}

}  // namespace
}  // namespace kelvaro
