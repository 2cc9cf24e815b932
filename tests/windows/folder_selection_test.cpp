// The folder windows on real folders, driven with messages under Xvfb.
#include <gtest/gtest.h>

#include <memory>

#include "app/main_window.h"
#include "engine/disk_paths.h"
#include "engine/path_text.h"
#include "fakes/fake_services.h"
#include "fakes/gui.h"
#include "fakes/fake_settings_store.h"
#include "fakes/temp_dir.h"
#include "platform/input_box.h"
#include "platform/win32_file_system.h"
#include "resource.h"
#include "settings/app_settings.h"

namespace kelvaro {
namespace {

using testing::DropQuit;
using testing::FakeClipboard;
using testing::FakePrompts;
using testing::FakeSettingsStore;
using testing::ListLines;
using testing::Pump;
using testing::RemoveTree;
using testing::TempDir;
using Lines = std::vector<std::wstring>;

std::wstring Text(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

class FolderSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        work = dir.MakeDir(L"Work");
        dir.MakeDir(L"Work\\A\\A1");
        dir.MakeDir(L"Work\\A\\A2");
        dir.MakeDir(L"Work\\B");
        dir.MakeDir(L"Work\\C");
        dir.MakeFile(L"Work\\notes.txt");
    }
    void TearDown() override {
        window.reset();
        Pump();
        OleUninitialize();
    }
    void Put(const std::wstring& key, const std::wstring& value) {
        store.StoreWrite(kAppName, kSectionName, key, value);
    }
    void Open() {
        window = std::make_unique<MainWindow>(state, services);
        ASSERT_TRUE(window->Create(SW_SHOWNORMAL));
        Pump();
    }
    void ShowSource(const std::wstring& path) {
        window->SourceWindow().SetDirName(path);
        Pump();
    }
    void Click(HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        Pump();
    }
    void SelectChooser(std::initializer_list<int> indexes) {
        for (int i : indexes) SendMessageW(window->ChooserWindow().List(), LB_SETSEL, TRUE, i);
    }
    Lines Targets() const { return ListLines(window->Targets().List()); }
    bool ModeButtonsEnabled() const { return IsWindowEnabled(window->ExeButton(0)) != FALSE; }

    TempDir dir;
    std::wstring work;
    Win32FileSystem fs;
    FakeSettingsStore store;
    FakeClipboard clipboard;
    FakePrompts prompts;
    Services services{store, fs, clipboard, prompts};
    AppState state{prompts};
    std::unique_ptr<MainWindow> window;
};

TEST_F(FolderSelectionTest, ShowingAFolderListsItsSubfolders) {
    Open();
    ShowSource(work);
    EXPECT_EQ(ListLines(window->ChooserWindow().List()), (Lines{L"A", L"B", L"C"}));
    EXPECT_EQ(window->SourceWindow().DirName(), work);
    EXPECT_EQ(Text(window->SourceWindow().DirText()), DirNameAbbrev(work));
    const Lines chain = ListLines(window->SourceWindow().DirList());
    EXPECT_EQ(chain.front(), L"C:\\");
    EXPECT_EQ(chain[2], L"Work");
    EXPECT_EQ(chain.back(), L"C");
}

TEST_F(FolderSelectionTest, AddButtonsMoveFoldersIntoTheTargetList) {
    Open();
    ShowSource(work);
    SelectChooser({0});
    Click(window->ChooserWindow().AddButton());
    EXPECT_EQ(Targets(), Lines{work + L"\\A"});
    EXPECT_EQ(SendMessageW(window->ChooserWindow().List(), LB_GETSELCOUNT, 0, 0), 0);
    EXPECT_TRUE(ModeButtonsEnabled());
    Click(window->ChooserWindow().AddAllButton());
    EXPECT_EQ(Targets(), (Lines{work + L"\\A", work + L"\\B", work + L"\\C"}));
    Click(window->Targets().DeleteAllButton());
    Click(window->ChooserWindow().AddAllAllButton());
    EXPECT_EQ(Targets(), (Lines{work + L"\\A\\A1", work + L"\\A\\A2"}));
}

TEST_F(FolderSelectionTest, AddSelectedStopsAtTheLimitAndKeepsTheRestSelected) {
    Open();
    for (int i = 0; i < 999; ++i) state.targets.AddLine(L"C:\\filler\\" + std::to_wstring(i));
    ShowSource(work);
    SelectChooser({0, 1, 2});
    Click(window->ChooserWindow().AddButton());
    EXPECT_EQ(state.targets.Count(), 1000u);
    EXPECT_EQ(state.targets.Text(999), work + L"\\A");
    EXPECT_EQ(prompts.notices, Lines{L"一度で実行できるフォルダ数は最大１０００までです。"});
    const HWND list = window->ChooserWindow().List();
    EXPECT_EQ(SendMessageW(list, LB_GETSEL, 0, 0), 0);
    EXPECT_GT(SendMessageW(list, LB_GETSEL, 1, 0), 0);
    EXPECT_GT(SendMessageW(list, LB_GETSEL, 2, 0), 0);
}

TEST_F(FolderSelectionTest, EveryLevelFromTheFourthButtonAndThePopupDeepestFirstUpToTheLimit) {
    Open();
    ShowSource(work);
    const HWND third = window->ChooserWindow().AddAllAllButton(),
               fourth = window->ChooserWindow().AddEveryLevelButton();
    RECT a{}, b{};
    GetWindowRect(third, &a);
    GetWindowRect(fourth, &b);
    EXPECT_TRUE(IsWindowVisible(fourth));
    EXPECT_GT(b.left, a.right);  // beside the third, not over it
    EXPECT_EQ(b.top, a.top);
    Click(fourth);
    EXPECT_EQ(Targets(), (Lines{work + L"\\A\\A1", work + L"\\A\\A2", work + L"\\A", work + L"\\B", work + L"\\C"}));
    EXPECT_TRUE(ModeButtonsEnabled());

    Click(window->Targets().DeleteAllButton());
    for (int i = 0; i < 998; ++i) state.targets.AddLine(L"C:\\filler\\" + std::to_wstring(i));
    SendMessageW(window->ChooserWindow().Handle(), WM_COMMAND, kPopupAddEveryLevel, 0);
    Pump();
    EXPECT_EQ(state.targets.Count(), 1000u);
    EXPECT_EQ(state.targets.Text(999), work + L"\\A\\A2");
    EXPECT_EQ(prompts.notices, Lines{L"一度で実行できるフォルダ数は最大１０００までです。"});
}

TEST_F(FolderSelectionTest, ADriveRootGetsNoSecondBackslash) {
    Open();
    ShowSource(L"C:\\");
    const Lines names = ListLines(window->ChooserWindow().List());
    const std::wstring mine = dir.Path().substr(3);
    const auto it = std::find(names.begin(), names.end(), mine);
    ASSERT_NE(it, names.end());
    SelectChooser({static_cast<int>(it - names.begin())});
    Click(window->ChooserWindow().AddButton());
    EXPECT_EQ(Targets(), Lines{dir.Path()});
}

TEST_F(FolderSelectionTest, DoubleClickOpensAndEnterMovesOn) {
    Open();
    ShowSource(work);
    SelectChooser({0});
    SendMessageW(window->ChooserWindow().Handle(), WM_COMMAND, MAKEWPARAM(103, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(window->ChooserWindow().List()));
    Pump();
    EXPECT_EQ(window->SourceWindow().DirName(), work + L"\\A");
    EXPECT_EQ(ListLines(window->ChooserWindow().List()), (Lines{L"A1", L"A2"}));

    SetFocus(window->ChooserWindow().List());
    SendMessageW(window->ChooserWindow().List(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(GetFocus(), window->Targets().List());

    // Backspace in the directory list: the parent.
    SetFocus(window->SourceWindow().DirList());
    SendMessageW(window->SourceWindow().DirList(), WM_KEYDOWN, VK_BACK, 0);
    Pump();
    EXPECT_EQ(window->SourceWindow().DirName(), work);
}

TEST_F(FolderSelectionTest, TargetPopupMakesTheSourceFolderTheSame) {
    Open();
    state.targets.AddLine(work + L"\\B");
    SendMessageW(window->Targets().List(), LB_SETSEL, TRUE, 0);
    SendMessageW(window->Targets().Handle(), WM_COMMAND, kPopupSourceSame, 0);
    Pump();
    EXPECT_EQ(window->SourceWindow().DirName(), work);
}

TEST_F(FolderSelectionTest, StartsAtDirInOrOldDirInByTheSwitch) {
    Put(L"Dir_In", work + L"\\A");
    Put(L"OldDir_In", work + L"\\B");
    Put(L"Dir_In_Yuko", L"True");
    Open();
    EXPECT_EQ(window->SourceWindow().DirName(), work + L"\\A");
    window.reset();
    Pump();
    Put(L"Dir_In_Yuko", L"False");
    Open();
    EXPECT_EQ(window->SourceWindow().DirName(), work + L"\\B");
    // At exit the folder shown becomes OldDir_In; the other two are kept.
    ShowSource(work + L"\\C");
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"OldDir_In", L""), work + L"\\C");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Dir_In", L""), work + L"\\A");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Dir_In_Yuko", L""), L"False");
    DropQuit();
}

TEST_F(FolderSelectionTest, AliasesAddGoAndFallBackSilently) {
    Put(L"Dir_In", work);
    Open();
    prompts.textAnswer = L"";
    SendMessageW(window->SourceWindow().Handle(), WM_COMMAND, kPopupAliasAdd, 0);
    EXPECT_EQ(prompts.textPrompts, Lines{L"フォルダエリアス名を入力してください\r" + work +
                                         L" | フォルダエリアス名入力 | " + DirNameAbbrev(work)});
    EXPECT_EQ(window->SourceWindow().Aliases().Count(), 0);  // cancelled
    prompts.textAnswer = L"work";
    SendMessageW(window->SourceWindow().Handle(), WM_COMMAND, kPopupAliasAdd, 0);
    SendMessageW(window->SourceWindow().Handle(), WM_COMMAND, kPopupAliasAdd, 0);
    EXPECT_EQ(prompts.notices, Lines{L"同一のフォルダエリアス名は追加できません"});
    ASSERT_EQ(window->SourceWindow().Aliases().Count(), 1);

    HMENU popup = window->SourceWindow().BuildPopup();
    EXPECT_EQ(GetMenuItemCount(popup), 5);  // refresh, add, maintenance, separator, the alias
    wchar_t caption[64] = {};
    GetMenuStringW(popup, 4, caption, 64, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"work");
    DestroyMenu(popup);

    ShowSource(L"C:\\");
    SendMessageW(window->SourceWindow().Handle(), WM_COMMAND, kPopupAliasFirst, 0);
    EXPECT_EQ(window->SourceWindow().DirName(), work);

    // The aliased folder is deleted: the current folder, and no message.
    ShowSource(L"C:\\");
    RemoveTree(work);
    SendMessageW(window->SourceWindow().Handle(), WM_COMMAND, kPopupAliasFirst, 0);
    EXPECT_EQ(window->SourceWindow().DirName(), LongDirName(fs, fs.CurrentDir()));
    EXPECT_EQ(prompts.notices.size(), 1u);
}

// Clicks the maintenance dialog's buttons from inside its modal loop, then OK or Cancel.
void PostClicks(HWND dialog, std::initializer_list<int> ids, int closeWith) {
    for (int id : ids) PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    PostMessageW(GetDlgItem(dialog, closeWith), BM_CLICK, 0, 0);
}

TEST_F(FolderSelectionTest, MaintenanceDialogDeletesAndTakesResultsOnlyOnOk) {
    for (int i = 0; i < 3; ++i) {
        Put(L"Dir_In_DirName" + std::to_wstring(i), std::wstring(1, static_cast<wchar_t>(L'A' + i)));
        Put(L"Dir_In_DirDir" + std::to_wstring(i), work);
    }
    Open();
    AliasTable& aliases = window->SourceWindow().Aliases();
    ASSERT_EQ(aliases.Count(), 3);
    AliasDialog& dialog = window->AliasesDialog();
    const HWND list = dialog.Control(IDC_ALIAS_LIST);

    // Delete the middle one: the one that moves up is selected. Then cancel.
    PostMessageW(list, LB_SETCURSEL, 1, 0);
    PostMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ALIAS_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    PostClicks(dialog.Handle(), {IDC_ALIAS_DELETE}, IDCANCEL);
    EXPECT_FALSE(window->Maintain(aliases));
    EXPECT_EQ(ListLines(list), (Lines{L"A", L"C"}));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(aliases.Count(), 3);  // Cancel: nothing taken
    wchar_t caption[128] = {};
    GetWindowTextW(dialog.Handle(), caption, 128);
    EXPECT_STREQ(caption, L"変更フォルダ格納フォルダのエリアスメンテナンス");

    // Delete the last: the new last is selected; OK takes it.
    PostMessageW(list, LB_SETCURSEL, 2, 0);
    PostMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ALIAS_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    PostClicks(dialog.Handle(), {IDC_ALIAS_DELETE}, IDOK);
    EXPECT_TRUE(window->Maintain(aliases));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
    ASSERT_EQ(aliases.Count(), 2);
    EXPECT_EQ(aliases.Name(1), L"B");

    // Delete everything: every control but OK and Cancel is off, and no alias is left.
    PostClicks(dialog.Handle(), {IDC_ALIAS_DELETE_ALL}, IDOK);
    EXPECT_TRUE(window->Maintain(aliases));
    EXPECT_EQ(aliases.Count(), 0);
    EXPECT_FALSE(IsWindowEnabled(list));
    EXPECT_FALSE(IsWindowEnabled(dialog.Control(IDC_ALIAS_RENAME)));
    EXPECT_TRUE(IsWindowEnabled(dialog.Control(IDOK)));
    EXPECT_EQ(Text(dialog.Control(IDC_ALIAS_DIR)), L"");
    HMENU popup = window->SourceWindow().BuildPopup();
    EXPECT_EQ(GetMenuItemCount(popup), 3);  // no separator, no aliases
    EXPECT_TRUE(GetMenuState(popup, 2, MF_BYPOSITION) & MF_GRAYED);
    DestroyMenu(popup);
}

TEST(InputBox, ReturnsTheAnswerOrNothingOnCancel) {
    static const wchar_t* typed = nullptr;
    static int closeWith = IDOK;
    // Answers the box from a thread timer inside its modal loop; the timer
    // stays until the box is up (the first box of a process can take longer
    // than one tick to appear).
    static bool answered = false;
    auto answer = [](HWND, UINT, UINT_PTR timer, DWORD) {
        answered = false;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM) -> BOOL {
                wchar_t cls[16] = {};
                GetClassNameW(hwnd, cls, 16);
                if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
                if (typed) SetDlgItemTextW(hwnd, IDC_INPUT_ANSWER, typed);
                PostMessageW(hwnd, WM_COMMAND, closeWith, 0);
                answered = true;
                return FALSE;
            },
            0);
        if (answered) KillTimer(nullptr, timer);
    };
    typed = L"名前";
    SetTimer(nullptr, 0, 50, answer);
    EXPECT_EQ(InputBox(nullptr, L"prompt\rC:\\x", L"title", L"proposed"), L"名前");
    typed = nullptr;
    SetTimer(nullptr, 0, 50, answer);
    EXPECT_EQ(InputBox(nullptr, L"prompt", L"title", L"proposed"), L"proposed");
    closeWith = IDCANCEL;
    SetTimer(nullptr, 0, 50, answer);
    EXPECT_EQ(InputBox(nullptr, L"prompt", L"title", L"proposed"), L"");
}

}  // namespace
}  // namespace kelvaro
