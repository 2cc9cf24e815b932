// The real main window under Xvfb, driven with messages.
#include "app/main_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>

#include "app/command_line.h"
#include "app/log_file.h"
#include "engine/catalog.h"
#include "engine/journal_reader.h"
#include "engine/modes.h"
#include "engine/path_text.h"
#include "engine/rename_dir.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_journal_store.h"
#include "fakes/fake_services.h"
#include "fakes/gui.h"
#include "fakes/fake_settings_store.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"
#include "settings/app_settings.h"
#include "resource.h"
#include "windows/list_windows.h"
#include "windows/runs_dialog.h"
#include "windows/shared_menu.h"
#include "windows/window_base.h"

namespace kelvaro {
namespace {

using testing::DropQuit;
using testing::FakeClipboard;
using testing::FakeFileSystem;
using testing::FakePrompts;
using testing::FakeSettingsStore;
using testing::ListLines;
using testing::Pump;
using Lines = std::vector<std::wstring>;

// The fixture's window works on `fs`, a fake unless a test swaps in the disk.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { OleInitialize(nullptr); }
    void TearDown() override {
        window.reset();
        Pump();
        OleUninitialize();
    }
    void Open(IFileSystem* fileSystem = nullptr) {
        services =
            std::make_unique<Services>(Services{store, fileSystem ? *fileSystem : fs, clipboard, prompts, journal});
        window = std::make_unique<MainWindow>(state, *services);
        ASSERT_TRUE(window->Create(SW_SHOWNORMAL));
        Pump();
    }
    void AddTargets(const Lines& paths) {
        for (const auto& path : paths) {
            fs.AddDir(path);
            state.targets.AddFromOutside(fs, path);
        }
        window->UpdateButtons();
    }
    void Click(HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        Pump();
    }
    bool ModeButtonsEnabled() const {
        for (int i = 0; i < ModeCount(); ++i)
            if (!IsWindowEnabled(window->ExeButton(i))) return false;
        return true;
    }
    // A key as the message loop would see it for the control that has the focus.
    bool Key(WPARAM key) {
        const MSG msg{GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
        return window->TranslateKeys(msg);
    }
    // Opens 変更の記録 and presses its buttons one after another, each once the
    // dialog is up and at rest (閉じる is enabled again after a run was taken back).
    void PressInRuns(const std::vector<int>& buttons) {
        static std::vector<int> pending;
        static HWND dialog = nullptr;
        pending = buttons;
        dialog = window->Runs().Handle();
        SetTimer(nullptr, 0, 5, [](HWND, UINT, UINT_PTR timer, DWORD) {
            if (pending.empty()) {
                KillTimer(nullptr, timer);
                return;
            }
            if (!IsWindowVisible(dialog) || !IsWindowEnabled(GetDlgItem(dialog, IDCANCEL))) return;
            PostMessageW(GetDlgItem(dialog, pending.front()), BM_CLICK, 0, 0);
            pending.erase(pending.begin());
        });
        SendMessageW(window->Handle(), WM_COMMAND, kMenuRuns, 0);
        Pump();
    }
    static RECT RectIn(HWND control, HWND parent) {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // Holds a key (Shift, Ctrl) down or lets it go, as the keys' state tells it.
    static void SetKeyDown(BYTE key, bool down) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[key] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // Runs `press` with `key` held down.
    template <typename Press>
    static void Holding(BYTE key, Press press) {
        SetKeyDown(key, true);
        press();
        SetKeyDown(key, false);
    }
    std::wstring StatusText() const {
        wchar_t text[128] = {};
        SendMessageW(window->StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool ModeButtonsDisabled() const {
        for (int i = 0; i < ModeCount(); ++i)
            if (IsWindowEnabled(window->ExeButton(i))) return false;
        return true;
    }

    FakeSettingsStore store;
    FakeFileSystem fs;
    FakeClipboard clipboard;
    FakePrompts prompts;
    AppState state{prompts};
    RenameJournal* journal = nullptr;
    std::unique_ptr<Services> services;
    std::unique_ptr<MainWindow> window;
    testing::WindowThread onWindow;  // where a test acts during a run
};

// A store that fails every read: the first window that reads it cannot load.
class FailingStore : public FakeSettingsStore {
public:
    std::wstring StoreRead(const std::wstring&,
                           const std::wstring&,
                           const std::wstring&,
                           const std::wstring&) override {
        throw std::runtime_error("registry");
    }
};

TEST_F(MainWindowTest, AChildWindowThatCannotLoadEndsTheProgramWithItsMessage) {
    FailingStore failing;
    Services failingServices{failing, fs, clipboard, prompts};
    MainWindow broken(state, failingServices);
    EXPECT_FALSE(broken.Create(SW_SHOWNORMAL));
    EXPECT_EQ(prompts.notices, Lines{L"Kelvaro2 mdiinDir Form_Load ERR"});
    Pump();
    DropQuit();
}

// At the default size the eight mode buttons and Cancel stand side by side;
// a window made narrower pushes Cancel past the edge rather than over 標準.
TEST_F(MainWindowTest, EightModeButtonsAndCancelNeverOverlap) {
    Open();
    wchar_t text[64];
    GetWindowTextW(window->ExeButton(7), text, 64);
    EXPECT_STREQ(text, L"標準");
    RECT client{};
    GetClientRect(window->Handle(), &client);
    const auto check = [&] {
        for (int i = 0; i + 1 < ModeCount(); ++i)
            EXPECT_LT(RectIn(window->ExeButton(i), window->Handle()).right,
                      RectIn(window->ExeButton(i + 1), window->Handle()).left);
        EXPECT_LT(RectIn(window->ExeButton(ModeCount() - 1), window->Handle()).right,
                  RectIn(window->CancelButton(), window->Handle()).left);
    };
    check();
    EXPECT_LE(RectIn(window->CancelButton(), window->Handle()).right, client.right);
    SetWindowPos(window->Handle(), nullptr, 0, 0, 300, 400, SWP_NOZORDER | SWP_NOMOVE);
    Pump();
    check();
}

// A new mode is its row and its conversion, nothing else: a ninth one takes
// its place at the end of the buttons, among the automatic run's choices, in
// the preview's list and on the command line, and its button renames as its
// conversion says.
TEST_F(MainWindowTest, ANinthModeIsARowAndAConversion) {
    const ExtraMode ninth({static_cast<Mode>(8), L"reverse", KText::PreviewCaption, KText::PreviewModeHint,
                           KText::PreviewCaption, KText::PreviewModeHint,
                           [](const std::wstring& path, bool) {
                               std::wstring name = LastPathName(path);
                               std::reverse(name.begin(), name.end());
                               return ParentWithSeparator(path) + name;
                           },
                           ModeRule::None});
    Open();
    const std::wstring caption = ResKelvaroText(KText::PreviewCaption);
    wchar_t text[64] = {};
    GetWindowTextW(window->ExeButton(8), text, 64);
    EXPECT_EQ(text, caption);
    EXPECT_LT(RectIn(window->ExeButton(7), window->Handle()).right,
              RectIn(window->ExeButton(8), window->Handle()).left);
    EXPECT_LT(RectIn(window->ExeButton(8), window->Handle()).right,
              RectIn(window->CancelButton(), window->Handle()).left);
    GetDlgItemTextW(window->Option().Handle(), IDC_OPT_EXE0 + 8, text, 64);
    EXPECT_EQ(text, caption);
    EXPECT_EQ(SendMessageW(window->Preview().ModeList(), CB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(ParseScriptCommand(L"/MODE:Reverse C:\\D\\x").mode, 8);
    AddTargets({L"C:\\D\\abc"});
    Click(window->ExeButton(8));
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), Lines{L"cba"});
}

TEST_F(MainWindowTest, StartsWithTheModeButtonsOffAndCaptionsSet) {
    Open();
    EXPECT_TRUE(ModeButtonsDisabled());
    EXPECT_FALSE(IsWindowEnabled(window->CancelButton()));
    wchar_t text[64];
    GetWindowTextW(window->Handle(), text, 64);
    EXPECT_STREQ(text, L"Kelvaro2 for Win32");
    GetWindowTextW(window->ExeButton(1), text, 64);
    EXPECT_STREQ(text, L"LFN除");
    GetWindowTextW(window->CancelButton(), text, 64);
    EXPECT_STREQ(text, L"ｷｬﾝｾﾙ");
    GetWindowTextW(window->History().Handle(), text, 64);
    EXPECT_STREQ(text, L"実行履歴");
    for (ChildWindow* child : window->Children()) EXPECT_TRUE(IsWindowVisible(child->Handle()));
}

TEST_F(MainWindowTest, RunOverThreeFoldersWhereTheSecondIsRefused) {
    Open();
    AddTargets({L"C:\\Data\\one", L"C:\\Data\\two", L"C:\\Data\\three"});
    EXPECT_TRUE(ModeButtonsEnabled());
    fs.allowMove = [](const std::wstring& from, const std::wstring&) { return from != L"C:\\Data\\two"; };
    Click(window->ExeButton(0));
    EXPECT_EQ(ListLines(window->History().List()),
              (Lines{L"[ C:\\Data\\one ]", L"　フォルダ名を", L"　[ ONE ]", L"　に変更しました", L"[ C:\\Data\\two ]",
                     L"　フォルダ名を変更できませんでした", L"　error 5", L"[ C:\\Data\\three ]", L"　フォルダ名を",
                     L"　[ THREE ]", L"　に変更しました", L"結果　変更：2件　同一：0件　変更できず：1件",
                     L"全て終了しました"}));
    EXPECT_EQ(ListLines(window->Targets().List()), Lines{L"C:\\Data\\two"});
    EXPECT_EQ(SendMessageW(window->Targets().List(), LB_GETSEL, 0, 0), 0);
    EXPECT_EQ(ListLines(window->Changed().List()), (Lines{L"C:\\Data\\ONE", L"C:\\Data\\THREE"}));
    EXPECT_TRUE(ModeButtonsEnabled());
    EXPECT_FALSE(IsWindowEnabled(window->CancelButton()));
    for (ChildWindow* child : window->Children()) EXPECT_TRUE(IsWindowEnabled(child->Handle()));
    // The newest history line is the current one.
    EXPECT_EQ(SendMessageW(window->History().List(), LB_GETCURSEL, 0, 0), 12);
}

TEST_F(MainWindowTest, CancelAfterTheFirstOfFiveStopsBeforeTheSecond) {
    Open();
    AddTargets({L"C:\\D\\a", L"C:\\D\\b", L"C:\\D\\c", L"C:\\D\\d", L"C:\\D\\e"});
    bool checked = false;
    fs.allowMove = [&](const std::wstring&, const std::wstring&) {
        if (!checked)
            onWindow([&] {
                checked = true;
                // In the middle of a run: everything but Cancel is off, the menus of the children too.
                EXPECT_TRUE(ModeButtonsDisabled());
                EXPECT_TRUE(IsWindowEnabled(window->CancelButton()));
                // The bar shown is the active child's copy, greyed too.
                EXPECT_EQ(GetMenu(window->Handle()), window->SourceWindow().Menu());
                // No sideways scroll bar while the changed folders cannot be used.
                EXPECT_EQ(SendMessageW(window->Changed().List(), LB_GETHORIZONTALEXTENT, 0, 0), 0);
                for (ChildWindow* child : window->Children()) {
                    EXPECT_FALSE(IsWindowEnabled(child->Handle()));
                    for (UINT item = 0; item < 7; ++item)
                        EXPECT_TRUE(GetMenuState(child->Menu(), item, MF_BYPOSITION) & MF_GRAYED);
                }
                // The count is in the status bar, below the child windows: every button stays in view.
                EXPECT_EQ(StatusText(), L"0 / 5");
                EXPECT_GE(RectIn(window->StatusBar(), window->Handle()).top,
                          RectIn(window->MdiClient(), window->Handle()).bottom);
                for (int i = 0; i < ModeCount(); ++i) EXPECT_TRUE(IsWindowVisible(window->ExeButton(i))) << i;
                SendMessageW(window->CancelButton(), BM_CLICK, 0, 0);
            });
        return true;
    };
    Click(window->ExeButton(0));
    EXPECT_EQ(StatusText(), L"変更対象：4件");
    EXPECT_EQ(ListLines(window->Targets().List()), (Lines{L"C:\\D\\b", L"C:\\D\\c", L"C:\\D\\d", L"C:\\D\\e"}));
    EXPECT_EQ(ListLines(window->History().List()).back(), L"中断しました");
    EXPECT_GT(SendMessageW(window->Changed().List(), LB_GETHORIZONTALEXTENT, 0, 0), 0);
    EXPECT_FALSE(state.stopRequested);
    EXPECT_TRUE(ModeButtonsEnabled());
    for (ChildWindow* child : window->Children())
        EXPECT_FALSE(GetMenuState(child->Menu(), 0, MF_BYPOSITION) & MF_GRAYED);
}

// While `start` runs (a run or an undo of the window), the window is moved
// and resized every 20 ms, and Cancel is pressed once the history has
// repainted. Returns the moves made (two a folder).
int MoveResizeAndCancel(MainWindow& window, FakeFileSystem& fs, const std::function<void()>& start) {
    static std::atomic<int> moved{0};
    static int paints = 0, ticks = 0, movedAtCancel = -1;
    static HWND frame = nullptr, cancel = nullptr;
    static WNDPROC listProc = nullptr;
    moved = 0, paints = 0, ticks = 0, movedAtCancel = -1;
    frame = window.Handle(), cancel = window.CancelButton();
    fs.allowMove = [](const std::wstring&, const std::wstring&) {
        Sleep(1);  // a disk that takes its time
        ++moved;
        return true;
    };
    listProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window.History().List(), GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_PAINT) ++paints;
            return CallWindowProcW(listProc, hwnd, message, wParam, lParam);
        })));
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (movedAtCancel >= 0) return;
        ++ticks;
        SetWindowPos(frame, nullptr, 20 + ticks, 20 + ticks, 760 + 10 * ticks, 560 + 10 * ticks, SWP_NOZORDER);
        if (ticks < 8 || paints < 3) return;
        SendMessageW(cancel, BM_CLICK, 0, 0);
        movedAtCancel = moved;
    });
    start();
    KillTimer(nullptr, timer);
    SetWindowLongPtrW(window.History().List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc));
    fs.allowMove = nullptr;
    EXPECT_GE(movedAtCancel, 0) << "the run ended before Cancel";
    EXPECT_GE(ticks, 8);
    EXPECT_GE(paints, 3);
    RECT rect{};
    GetWindowRect(frame, &rect);
    EXPECT_EQ(rect.right - rect.left, 760 + 10 * ticks);
    // The folder in hand was finished (two moves: through its temporary name), and no other.
    EXPECT_LE(moved.load(), movedAtCancel + 2);
    EXPECT_EQ(moved.load() % 2, 0);
    EXPECT_EQ(ListLines(window.History().List()).back(), L"中断しました");
    return moved.load();
}

// The folders are renamed on a thread of their own: during a run of 1,000
// folders (the list's most) and during the undo of a run of 2,000 the window
// is moved and resized and its history repaints, and Cancel, pressed
// meanwhile, stops either after the folder in hand.
TEST_F(MainWindowTest, TheWindowAnswersDuringALongRunAndCancelStopsIt) {
    for (int i = 0; i < 1000; ++i) {
        fs.AddDir(L"C:\\D\\f" + std::to_wstring(i));
        state.targets.AddLine(L"C:\\D\\f" + std::to_wstring(i));
    }
    Open();
    const int moved = MoveResizeAndCancel(*window, fs, [&] { Click(window->ExeButton(0)); });
    EXPECT_EQ(ListLines(window->Targets().List()).size(), 1000u - moved / 2);
    EXPECT_EQ(fs.SubFolders(L"C:\\D").size(), 1000u);
}

TEST_F(MainWindowTest, TheWindowAnswersDuringALongUndoAndCancelStopsIt) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    // A run of every depth renamed 2,000 folders, f0 to F0 and so on.
    const RunRequest request{0, "S", 1, {L"C:\\D"}};
    journalStore.bytes += RunRecord("r1", RunKind::Run, {9, 1}, "") + RequestRecords("r1", request);
    for (uint32_t i = 0; i < 2000; ++i) {
        const std::wstring old = L"C:\\D\\f" + std::to_wstring(i), now = L"C:\\D\\F" + std::to_wstring(i);
        fs.AddDir(now);
        journalStore.bytes += FolderRecord("r1", i + 1, old, old + kTempSuffix, now) +
                              DoneRecord("r1", i + 1, JournalOutcome::New, now);
    }
    journalStore.bytes += EndRecord("r1", RunEnd::Done, 2000);
    Open();
    prompts.answer = true;  // yes, take back all 2,000
    const int moved = MoveResizeAndCancel(*window, fs, [&] { window->UndoLastRun(); });
    const Lines names = fs.SubFolders(L"C:\\D");
    ASSERT_EQ(names.size(), 2000u);
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::wstring& name) { return name[0] == L'f'; }),
              moved / 2);
}

TEST_F(MainWindowTest, CancelEndsTheWaitForAFolderInUse) {
    Open();
    AddTargets({L"C:\\D\\a", L"C:\\D\\b"});
    fs.allowMove = [&](const std::wstring&, const std::wstring&) {
        PostMessageW(window->CancelButton(), BM_CLICK, 0, 0);
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(window->PauseForRetry(5000));
        EXPECT_LT(GetTickCount64() - start, 1000u);
        return false;
    };
    Click(window->ExeButton(0));
    EXPECT_EQ(ListLines(window->Targets().List()), (Lines{L"C:\\D\\a", L"C:\\D\\b"}));
}

TEST_F(MainWindowTest, AllDoneLeavesTheModeButtonsOff) {
    Open();
    AddTargets({L"C:\\D\\a", L"C:\\D\\B"});
    state.history.AddLine(L"old line");
    Click(window->ExeButton(0));
    EXPECT_TRUE(ListLines(window->Targets().List()).empty());
    EXPECT_TRUE(ModeButtonsDisabled());
    EXPECT_EQ(ListLines(window->History().List()).front(), L"[ C:\\D\\a ]");
    EXPECT_EQ(ListLines(window->Changed().List()), (Lines{L"C:\\D\\A", L"C:\\D\\B"}));
}

// The same for an undo: closing the window during 元に戻す of 変更の記録 (or
// Ctrl+Z) takes back the folder in hand, closes the dialog and the window,
// and leaves no close pending for a later run.
// The window comes up before recovery: what runs cut short left is put right
// where runs go, the window frozen meanwhile, its lines in the history; then
// the run cut short is offered to the list.
TEST_F(MainWindowTest, RecoveryAtStartIsShownInTheWindow) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    fs.AddDir(L"C:\\D\\photos" + std::wstring(kTempSuffix));
    fs.AddDir(L"C:\\D\\music");
    const RunRequest request{0, "", 2, {L"C:\\D\\photos", L"C:\\D\\music"}};
    journalStore.bytes +=
        RunRecord("r1", RunKind::Run, {9, 1}, "") + RequestRecords("r1", request) +
        FolderRecord("r1", 1, L"C:\\D\\photos", L"C:\\D\\photos" + std::wstring(kTempSuffix), L"C:\\D\\PHOTOS");
    Open();
    bool frozen = false;
    fs.allowMove = [&](const std::wstring&, const std::wstring&) {
        onWindow([&] { frozen = ModeButtonsDisabled() && IsWindowEnabled(window->CancelButton()); });
        return true;
    };
    prompts.answer = true;
    window->RecoverAtStart();
    EXPECT_TRUE(frozen);
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"music", L"photos"}));
    const Lines history = ListLines(window->History().List());
    EXPECT_NE(std::find(history.begin(), history.end(), L"中断された変更を元に戻しました"), history.end());
    EXPECT_EQ(ListLines(window->Targets().List()), (Lines{L"C:\\D\\photos", L"C:\\D\\music"}));
    EXPECT_TRUE(ModeButtonsEnabled());
}

TEST_F(MainWindowTest, ClosingDuringARunFinishesTheFolderThenCloses) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    Open();
    AddTargets({L"C:\\D\\a", L"C:\\D\\b", L"C:\\D\\c"});
    int renames = 0;
    fs.allowMove = [&](const std::wstring&, const std::wstring&) {
        if (++renames == 1) onWindow([&] { SendMessageW(window->Handle(), WM_CLOSE, 0, 0); });
        return true;
    };
    const HWND frame = window->Handle();
    Click(window->ExeButton(0));
    Pump();
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(fs.Stored(L"C:\\D\\a"), L"C:\\D\\A");
    EXPECT_EQ(fs.Stored(L"C:\\D\\b"), L"C:\\D\\b");
    EXPECT_FALSE(fs.Exists(L"C:\\D\\a.Tmpぷよむ"));
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Version", L""), L"1.02");
    // The quit request of the closed window is for the test's loop only.
    DropQuit();

    Open();
    AddTargets({L"C:\\D\\b", L"C:\\D\\c"});
    renames = -4;  // the run moves its two folders twice each, through their temporary names
    Click(window->ExeButton(0));
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"B", L"C"}));
    const HWND again = window->Handle();
    PressInRuns({IDC_RUNS_UNDO});
    Pump();
    EXPECT_FALSE(IsWindow(again));
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"B", L"c"}));
    DropQuit();
}

// Windows shutting down, or an installer closing the program through the
// Restart Manager: an idle window keeps its settings and closes.
TEST_F(MainWindowTest, EndingTheSessionSavesTheSettingsAndClosesAnIdleWindow) {
    Open();
    const HWND frame = window->Handle();
    EXPECT_EQ(SendMessageW(frame, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Version", L"<absent>"), L"<absent>");
    SendMessageW(frame, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Version", L""), L"1.02");
    DropQuit();
}

// A run asked to end stops after the folder in hand, its record says it
// stopped, and the window closes. Windows' shutdown waits for that (with the
// reason it shows); the Restart Manager waits for the program to end anyway.
TEST_F(MainWindowTest, EndingTheSessionStopsARunAfterTheFolderInHand) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    for (const LPARAM why : {LPARAM{0}, LPARAM{ENDSESSION_CLOSEAPP}}) {
        Open();
        if (why == 0) AddTargets({L"C:\\D\\a", L"C:\\D\\b", L"C:\\D\\c"});
        window->UpdateButtons();  // the second window finds b and c left in the list
        LRESULT answer = -1;
        fs.allowMove = [&](const std::wstring&, const std::wstring&) {
            if (answer == -1) answer = SendMessageW(window->Handle(), WM_QUERYENDSESSION, 0, why);
            return true;
        };
        const HWND frame = window->Handle();
        Click(window->ExeButton(0));
        Pump();
        EXPECT_EQ(answer, why == 0 ? FALSE : TRUE);
        EXPECT_FALSE(IsWindow(frame));
        EXPECT_EQ(ParseJournal(journalStore.bytes).back().end, RunEnd::Stopped);
        DropQuit();
    }
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"A", L"B", L"c"}));
}

TEST_F(MainWindowTest, TargetListButtonsKeysAndPopup) {
    Open();
    AddTargets({L"C:\\D\\a", L"C:\\D\\b", L"C:\\D\\c", L"C:\\D\\d", L"C:\\D\\e"});
    const HWND list = window->Targets().List();
    for (int i = 0; i < 3; ++i) SendMessageW(list, LB_SETSEL, TRUE, i);
    Click(window->Targets().DeleteButton());
    EXPECT_EQ(ListLines(list), (Lines{L"C:\\D\\d", L"C:\\D\\e"}));
    Click(window->Targets().DeleteButton());  // nothing selected: nothing removed
    EXPECT_EQ(ListLines(list).size(), 2u);
    SendMessageW(window->Targets().Handle(), WM_COMMAND, kPopupSelectAll, 0);
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 2);
    EXPECT_TRUE(state.targets.Selected(1));
    SendMessageW(window->Targets().Handle(), WM_COMMAND, kPopupSelectClear, 0);
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 0);
    EXPECT_TRUE(ModeButtonsEnabled());
    Click(window->Targets().DeleteAllButton());
    EXPECT_TRUE(ListLines(list).empty());
    EXPECT_TRUE(ModeButtonsDisabled());

    // Enter in the target list moves on to the history.
    SetFocus(list);
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(GetFocus(), window->History().List());
}

TEST_F(MainWindowTest, HistoryAndChangedListPopups) {
    Open();
    state.history.AddLine(L"line");
    state.changed.AddLine(L"C:\\A");
    state.changed.AddLine(L"C:\\B");
    SendMessageW(window->Changed().Handle(), WM_COMMAND, kPopupSelectAll, 0);
    EXPECT_EQ(SendMessageW(window->Changed().List(), LB_GETSELCOUNT, 0, 0), 2);
    SendMessageW(window->Changed().Handle(), WM_COMMAND, kPopupSelectClear, 0);
    EXPECT_EQ(SendMessageW(window->Changed().List(), LB_GETSELCOUNT, 0, 0), 0);
    SendMessageW(window->Changed().Handle(), WM_COMMAND, kPopupRefresh, 0);  // neither folder exists in the fake
    EXPECT_TRUE(ListLines(window->Changed().List()).empty());
    SendMessageW(window->History().Handle(), WM_COMMAND, kPopupClear, 0);
    EXPECT_TRUE(ListLines(window->History().List()).empty());
    SendMessageW(window->Handle(), WM_COMMAND, kMenuLogCopy, 0);
    EXPECT_EQ(clipboard.text, L"");
}

TEST_F(MainWindowTest, AnActiveChildShowsItsOwnCopyOfTheMenuBar) {
    Open();
    for (ChildWindow* child : window->Children()) {
        SendMessageW(window->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child->Handle()), 0);
        EXPECT_EQ(GetMenu(window->Handle()), child->Menu());
        EXPECT_EQ(GetMenuItemCount(child->Menu()), 7);
    }
    wchar_t caption[32] = {};
    GetMenuStringW(window->History().Menu(), 0, caption, 32, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"E(&x)it");
    GetMenuStringW(GetSubMenu(window->History().Menu(), 2), 1, caption, 32, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"Log(&S)ave");

    // Maximised, the child's buttons join the bar; its seven items still go grey together.
    SendMessageW(window->MdiClient(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(window->History().Handle()), 0);
    Pump();
    const HMENU bar = GetMenu(window->Handle());
    window->History().EnableMenus(false);
    int greyed = 0;
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        if (!GetMenuStringW(bar, static_cast<UINT>(i), caption, 32, MF_BYPOSITION)) continue;
        EXPECT_TRUE(GetMenuState(bar, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) << i;
        ++greyed;
    }
    EXPECT_EQ(greyed, 7);
    window->History().EnableMenus(true);
    SendMessageW(window->MdiClient(), WM_MDIRESTORE, reinterpret_cast<WPARAM>(window->History().Handle()), 0);
}

TEST_F(MainWindowTest, ADriveWithoutMediumLeavesTheBrowserWhereItWas) {
    fs.AddDir(L"C:\\Data\\Sub");
    fs.drives = {L"A:\\", L"C:\\"};
    Open();
    window->SourceWindow().SetDirName(L"C:\\Data");
    Pump();
    const HWND combo = window->SourceWindow().DriveList();
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);  // a: with nothing in it
    SendMessageW(window->SourceWindow().Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    Pump();
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(window->SourceWindow().DirName(), L"C:\\Data");
    EXPECT_EQ(ListLines(window->ChooserWindow().List()), Lines{L"Sub"});
    EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(MainWindowTest, TheCurrentFolderStaysInViewWhenTheListShrinks) {
    fs.AddDir(L"C:\\a\\b\\c\\d\\e\\f\\g\\h\\i\\sub");
    Open();
    const HWND list = window->SourceWindow().DirList();
    window->SourceWindow().SetDirName(L"C:\\a\\b\\c\\d\\e\\f\\g\\h\\i");
    for (const int height : {900, 420}) {
        SetWindowPos(window->Handle(), nullptr, 0, 0, 800, height, SWP_NOZORDER | SWP_NOMOVE);
        Pump();
        RECT client{};
        GetClientRect(list, &client);
        const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
        const LRESULT rows = client.bottom / SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
        EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 9);
        EXPECT_LE(top, 9) << height;
        EXPECT_LT(9, top + std::max<LRESULT>(rows, 1)) << height;
    }
}

TEST_F(MainWindowTest, ArrangesTheChildWindowsInTwoColumns) {
    Open();
    for (const SIZE size : {SIZE{800, 600}, SIZE{1100, 900}}) {
        SetWindowPos(window->Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE);
        Pump();
        RECT client{};
        GetClientRect(window->MdiClient(), &client);
        const UINT dpi = WindowDpi(window->Handle());
        const int w = TwipsToPixels(std::nearbyint(PixelsToTwips(client.right, dpi) / 2), dpi);
        const int h3 = TwipsToPixels(std::nearbyint(PixelsToTwips(client.bottom, dpi) / 3), dpi);
        auto rectOf = [&](ChildWindow& child) {
            RECT r{};
            GetWindowRect(child.Handle(), &r);
            MapWindowPoints(nullptr, window->MdiClient(), reinterpret_cast<POINT*>(&r), 2);
            return r;
        };
        const RECT inDir = rectOf(window->SourceWindow()), file = rectOf(window->Targets());
        const RECT status = rectOf(window->History()), outFile = rectOf(window->Changed());
        EXPECT_EQ(inDir.left, 0);
        EXPECT_EQ(inDir.top, 0);
        EXPECT_NEAR(inDir.right, w, 1);
        EXPECT_NEAR(file.top, 2 * h3, 2);
        EXPECT_NEAR(status.left, w, 1);
        EXPECT_NEAR(status.bottom, 2 * h3, 2);
        EXPECT_NEAR(outFile.top, 2 * h3, 2);
        EXPECT_NEAR(outFile.right, 2 * w, 2);
        // Cancel keeps 60 twips to the right edge.
        RECT cancel{}, frame{};
        GetWindowRect(window->CancelButton(), &cancel);
        MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&cancel), 2);
        GetClientRect(window->Handle(), &frame);
        EXPECT_NEAR(frame.right - cancel.right, TwipsToPixels(60, dpi), 1);
    }
}

TEST_F(MainWindowTest, AnotherScreenDpiTakesTheSuggestedPlaceAndLaysOutAgain) {
    Open();
    RECT suggested{20, 30, 920, 730};
    SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    Pump();
    RECT frame{};
    GetWindowRect(window->Handle(), &frame);
    EXPECT_EQ(frame.left, 20);
    EXPECT_EQ(frame.right, 920);
    RECT cancel{}, client{};
    GetWindowRect(window->CancelButton(), &cancel);
    MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&cancel), 2);
    GetClientRect(window->Handle(), &client);
    EXPECT_NEAR(client.right - cancel.right, 4, 1);  // 60 twips
    EXPECT_EQ(cancel.right - cancel.left, TwipsToPixels(1335, 96));
}

// At 150 % the frame makes the user's font anew for every child window, which
// Windows then tells of the change: each lays out its controls again, and the
// program's icon comes in the sizes asked for at that DPI.
TEST_F(MainWindowTest, ChildWindowsFollowTheFrameToAnotherDpi) {
    Open();
    RECT suggested{10, 10, 1210, 910};
    SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    for (ChildWindow* child : window->Children()) {
        SendMessageW(child->Handle(), WM_DPICHANGED_AFTERPARENT, 0, 0);
        RECT client{};
        GetClientRect(child->Handle(), &client);
        std::vector<RECT> placed;
        for (HWND c = GetWindow(child->Handle(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (!IsWindowVisible(c)) continue;
            const RECT r = RectIn(c, child->Handle());
            RECT inside{};
            EXPECT_TRUE(IntersectRect(&inside, &r, &client) && EqualRect(&inside, &r)) << GetDlgCtrlID(c);
            for (const RECT& other : placed) EXPECT_FALSE(IntersectRect(&inside, &r, &other)) << GetDlgCtrlID(c);
            placed.push_back(r);
            LOGFONTW font{};
            if (auto shown = reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)))
                GetObjectW(shown, sizeof(font), &font);
            EXPECT_EQ(font.lfHeight, -MulDiv(state.settings.fontSize, 144, 72)) << GetDlgCtrlID(c);
        }
    }
    for (const auto& [kind, metric] : {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageW(window->Handle(), WM_GETICON, kind, 0)), &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, GetSystemMetricsForDpi(metric, 144));
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST_F(MainWindowTest, AfterCancelTheFirstUntouchedFolderIsAtTheTopOfTheList) {
    Open();
    Lines paths;
    for (int i = 10; i < 50; ++i) paths.push_back(L"C:\\D\\f" + std::to_wstring(i));
    AddTargets(paths);
    fs.allowMove = [&](const std::wstring& from, const std::wstring&) {
        if (from == L"C:\\D\\f19") onWindow([&] { SendMessageW(window->CancelButton(), BM_CLICK, 0, 0); });
        return from != L"C:\\D\\f11";
    };
    Click(window->ExeButton(0));
    const Lines left = ListLines(window->Targets().List());
    ASSERT_EQ(left.size(), 31u);
    EXPECT_EQ(left[1], L"C:\\D\\f20");
    EXPECT_EQ(SendMessageW(window->Targets().List(), LB_GETTOPINDEX, 0, 0), 1);
}

// Tab and Shift+Tab go round the controls of one child window; Enter and
// Space press a picture button that has the focus.
TEST_F(MainWindowTest, KeyboardReachesEveryControlOfAChildWindow) {
    Open();
    AddTargets({L"C:\\D\\a", L"C:\\D\\b"});
    TargetListWindow& targets = window->Targets();
    SetFocus(targets.List());
    EXPECT_TRUE(Key(VK_TAB));
    EXPECT_EQ(GetFocus(), targets.DeleteButton());
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), targets.DeleteAllButton());
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), targets.List());

    SetFocus(window->SourceWindow().DriveList());
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), window->SourceWindow().DirList());
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), window->SourceWindow().DirText());
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    Key(VK_TAB);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(GetFocus(), window->SourceWindow().DirList());

    // Activating a child window puts the focus on its first control.
    SendMessageW(window->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(window->History().Handle()), 0);
    SetFocus(window->History().Handle());
    EXPECT_EQ(GetFocus(), window->History().List());

    SetFocus(targets.DeleteAllButton());
    EXPECT_TRUE(Key(VK_RETURN));
    Pump();
    EXPECT_TRUE(ListLines(targets.List()).empty());
    SetFocus(targets.List());
    EXPECT_FALSE(Key(VK_RETURN));  // the list's own Enter goes on to the history

    // The program's own loop hands these keys on, as it hands on F1.
    PostMessageW(targets.List(), WM_KEYDOWN, VK_TAB, 0);
    window->ProcessPendingInput();
    EXPECT_EQ(GetFocus(), targets.DeleteButton());
}

// F6 goes from pane to pane (the button row, then the child windows), Tab
// round the row's buttons that are on; Ctrl+3, named in its hint, presses the
// third button (小文字). During the run the keyboard is on Cancel, the only
// button on, and Enter there stops the run; afterwards it is back where it was.
TEST_F(MainWindowTest, KeyboardReachesEveryModeButtonAndCancel) {
    Open();
    AddTargets({L"C:\\D\\One", L"C:\\D\\Two", L"C:\\D\\Three"});
    SetFocus(window->Targets().List());
    for (const HWND pane : {window->History().List(), window->Changed().List(), window->ExeButton(0)}) {
        EXPECT_TRUE(Key(VK_F6));
        EXPECT_EQ(GetFocus(), pane);
    }
    for (int i = 1; i < ModeCount(); ++i) {
        EXPECT_TRUE(Key(VK_TAB));
        EXPECT_EQ(GetFocus(), window->ExeButton(i)) << i;
    }
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), window->ExeButton(0));  // Cancel is off between runs
    Holding(VK_SHIFT, [&] { Key(VK_TAB); });
    EXPECT_EQ(GetFocus(), window->ExeButton(ModeCount() - 1));
    Key(VK_F6);
    EXPECT_EQ(GetFocus(), window->SourceWindow().DriveList());
    Holding(VK_SHIFT, [&] { Key(VK_F6); });
    EXPECT_EQ(GetFocus(), window->ExeButton(0));

    EXPECT_EQ(window->HintOf(window->ExeButton(2)), L"フォルダ名を全て小文字に変換します（Ctrl+3）");
    EXPECT_NE(window->HintOf(window->ExeButton(7)).find(L"（Ctrl+8）"), std::wstring::npos);
    bool stopped = false;
    fs.allowMove = [&](const std::wstring&, const std::wstring&) {
        if (stopped) return true;
        stopped = true;
        onWindow([&] {
            SetKeyDown(VK_CONTROL, false);  // Ctrl+3 let go
            EXPECT_EQ(GetFocus(), window->CancelButton());
            Key(VK_TAB);
            Key(VK_F6);  // the child windows are off
            EXPECT_EQ(GetFocus(), window->CancelButton());
            EXPECT_TRUE(Key(VK_RETURN));
        });
        return true;
    };
    SetFocus(window->Targets().List());
    Holding(VK_CONTROL, [&] { EXPECT_TRUE(Key('3')); });
    Pump();
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"one", L"Three", L"Two"}));
    EXPECT_EQ(ListLines(window->History().List()).back(), L"中断しました");
    EXPECT_EQ(GetFocus(), window->Targets().List());

    // With the list empty the buttons are off, and so are their shortcuts.
    Click(window->Targets().DeleteAllButton());
    Holding(VK_CONTROL, [&] { Key('1'); });
    Pump();
    EXPECT_EQ(fs.SubFolders(L"C:\\D"), (Lines{L"one", L"Three", L"Two"}));
}

// The right-click menus of the target and changed lists and the buttons of
// 変更の記録 each carry an access key of their own.
TEST_F(MainWindowTest, PopupsAndTheRunsDialogHaveAccessKeys) {
    Open();
    const auto expectKeys = [](const Lines& texts) {
        std::set<wchar_t> keys;
        for (const auto& text : texts) {
            const size_t at = text.find(L'&');
            ASSERT_NE(at, std::wstring::npos) << text;
            EXPECT_TRUE(keys.insert(towupper(text[at + 1])).second) << text;
        }
    };
    for (ChildWindow* list : std::initializer_list<ChildWindow*>{&window->Targets(), &window->Changed()}) {
        const HMENU popup = list->BuildPopup();
        Lines texts;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            wchar_t text[128] = {};
            if (GetMenuStringW(popup, static_cast<UINT>(i), text, 128, MF_BYPOSITION) > 0) texts.push_back(text);
        }
        DestroyMenu(popup);
        EXPECT_GE(texts.size(), 4u);
        expectKeys(texts);
    }
    Lines buttons;
    for (const int id : {IDC_RUNS_UNDO, IDC_RUNS_RESUME, IDCANCEL}) {
        wchar_t text[128] = {};
        GetDlgItemTextW(window->Runs().Handle(), id, text, 128);
        buttons.push_back(text);
    }
    expectKeys(buttons);
}

TEST_F(MainWindowTest, DragFromTheChangedListCarriesEverySelectedEntry) {
    Open();
    for (const wchar_t* path : {L"C:\\A", L"C:\\B", L"C:\\C"}) state.changed.AddLine(path);
    const HWND list = window->Changed().List();
    SendMessageW(list, LB_SETSEL, TRUE, 0);
    SendMessageW(list, LB_SETSEL, TRUE, 2);
    Lines dragged;
    int drags = 0;
    window->Changed().startDrag = [&](const FileListDataObject::Provider& names) {
        ++drags;
        dragged = names();
    };
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    const int x = (item.left + item.right) / 2, y = (item.top + item.bottom) / 2;
    // Pressed on a selected entry and moved: both selected entries go.
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 2);
    SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 1, y));
    EXPECT_EQ(drags, 0);  // within the drag distance
    SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 40, y + 40));
    EXPECT_EQ(dragged, (Lines{L"C:\\A", L"C:\\C"}));
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 2);
    // Pressed and released without moving: a click, that entry alone is selected.
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 1);
    EXPECT_GT(SendMessageW(list, LB_GETSEL, 2, 0), 0);
    // Pressed on an unselected entry: it is selected at once and dragged alone.
    SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.left + 5, item.top + 2));
    SendMessageW(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(item.left + 45, item.top + 40));
    EXPECT_EQ(dragged, Lines{L"C:\\A"});
    EXPECT_EQ(state.changed.Count(), 3u);
}

// The changed-folder list scrolls sideways as far as its longest line; a
// larger font measures every line again. The history wraps long lines instead.
TEST_F(MainWindowTest, LongLinesWidenTheChangedFoldersAndWrapInTheHistory) {
    Open();
    const std::wstring longPath = L"C:\\" + std::wstring(200, L'x');
    for (const std::wstring& line : {std::wstring(L"C:\\a"), longPath, std::wstring(L"C:\\b")}) {
        state.history.AddLine(line);
        state.changed.AddLine(line);
    }
    const HWND changed = window->Changed().List();
    const LRESULT extent = SendMessageW(changed, LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_GE(extent, TextSize(changed, longPath).cx);
    EXPECT_LT(extent, TextSize(changed, longPath).cx + 20);
    HistoryWindow& history = window->History();
    EXPECT_EQ(SendMessageW(history.List(), LB_GETHORIZONTALEXTENT, 0, 0), 0);
    EXPECT_EQ(history.RowsOf(0), 1);
    const int rows = history.RowsOf(1);
    EXPECT_GT(rows, 1);
    const FontChoice larger{L"ＭＳ 明朝", 20, false, false};
    prompts.fontAnswer = &larger;
    SendMessageW(window->Handle(), WM_COMMAND, kMenuFont, 0);
    EXPECT_GT(SendMessageW(changed, LB_GETHORIZONTALEXTENT, 0, 0), extent);
    EXPECT_GT(history.RowsOf(1), rows);
    RECT entry{};
    SendMessageW(history.List(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&entry));
    EXPECT_EQ(entry.bottom - entry.top, history.RowsOf(1) * TextSize(history.List(), L"").cy);
    SendMessageW(window->Changed().Handle(), WM_COMMAND, kPopupClear, 0);
    EXPECT_EQ(SendMessageW(changed, LB_GETHORIZONTALEXTENT, 0, 0), 0);
}

// At the size the window first has, the summary of a run and the line that
// tells how far a killed run got are too long for the history's width: each
// wraps into rows that give it all the room it needs, with no sideways scrolling.
TEST_F(MainWindowTest, AtTheDefaultSizeTheSummaryAndTheRecoveryLineWrapIntoView) {
    Open();
    state.history.AddLine(FillIn(ResKelvaroText(KText::CutShortStoryLine), {300, 48, 251}));
    AddTargets({L"C:\\D\\a", L"C:\\D\\b"});
    fs.allowMove = [](const std::wstring& from, const std::wstring&) { return from != L"C:\\D\\b"; };
    Click(window->ExeButton(0));
    const HWND list = window->History().List();
    const Lines lines = ListLines(list);
    const auto summary = std::find_if(lines.begin(), lines.end(), [](const std::wstring& l) {
        return l.starts_with(ResKelvaroText(KText::SummaryHead) + L"\u3000");
    });
    ASSERT_NE(summary, lines.end());
    RECT client{};
    GetClientRect(list, &client);
    const int line = TextSize(list, L"").cy;
    const std::wstring recovery = FillIn(ResKelvaroText(KText::CutShortStoryLine), {300, 48, 251});
    for (const std::wstring& text : {*summary, recovery}) {
        const auto at = static_cast<WPARAM>(
            SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
        const int width = TextSize(list, text).cx;
        EXPECT_GT(width, client.right) << "fits without wrapping: " << width;
        RECT entry{};
        SendMessageW(list, LB_GETITEMRECT, at, reinterpret_cast<LPARAM>(&entry));
        EXPECT_GE(entry.bottom - entry.top, (width + client.right - 1) / client.right * line);
    }
    EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL);
}

// The lists draw in the system's colours (a high-contrast theme's): a colour
// the system is told for windows is the colour of the history's background.
TEST_F(MainWindowTest, TheListsDrawInTheSystemsColours) {
    Open();
    state.history.AddLine(L"[ C:\\D\\a ]");
    state.history.AddLine(L"[ C:\\D\\b ]");
    const HWND list = window->History().List();
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    const int which[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    const COLORREF before[] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
    const COLORREF contrast[] = {RGB(0, 0, 0), RGB(255, 255, 0)};
    SetSysColors(2, which, contrast);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(list, &client);
    HDC dc = GetDC(list);
    int background = 0, text = 0;
    for (LONG y = 0; y < client.bottom; ++y)
        for (LONG x = 0; x < client.right; ++x) {
            const COLORREF pixel = GetPixel(dc, x, y);
            background += pixel == contrast[0];
            text += GetRValue(pixel) > 200 && GetGValue(pixel) > 200 && GetBValue(pixel) < 80;  // smoothed edges too
        }
    ReleaseDC(list, dc);
    SetSysColors(2, which, before);
    EXPECT_GT(background, client.right * client.bottom / 2);
    EXPECT_GT(text, 0);
}

// With a 20-point font rows, the folder text field and the mode buttons grow
// with the text; the buttons neither overlap nor reach into the child windows.
TEST_F(MainWindowTest, ALargeFontGrowsRowsTextFieldAndButtons) {
    fs.AddDir(L"C:\\Data\\Sub");
    Open();
    SetWindowPos(window->Handle(), nullptr, 0, 0, 1200, 800, SWP_NOZORDER | SWP_NOMOVE);
    window->SourceWindow().SetDirName(L"C:\\Data");
    const FontChoice large{L"ＭＳ 明朝", 20, false, false};
    prompts.fontAnswer = &large;
    SendMessageW(window->Handle(), WM_COMMAND, kMenuFont, 0);
    Pump();
    const HWND dirList = window->SourceWindow().DirList(), text = window->SourceWindow().DirText();
    const LONG line = TextSize(dirList, L"").cy;
    EXPECT_GT(line, 20);
    EXPECT_GE(SendMessageW(dirList, LB_GETITEMHEIGHT, 0, 0), line);
    EXPECT_GE(SendMessageW(window->SourceWindow().DriveList(), CB_GETITEMHEIGHT, 0, 0), line);
    RECT field{};
    GetClientRect(text, &field);
    EXPECT_GE(field.bottom, TextSize(text, L"").cy);
    const RECT dirRect = RectIn(dirList, window->SourceWindow().Handle()),
               textRect = RectIn(text, window->SourceWindow().Handle());
    EXPECT_LE(dirRect.bottom, textRect.top);
    const RECT client = RectIn(window->MdiClient(), window->Handle());
    RECT previous{};
    for (int i = 0; i < ModeCount(); ++i) {
        const HWND button = window->ExeButton(i);
        wchar_t caption[16] = {};
        GetWindowTextW(button, caption, 16);
        const RECT r = RectIn(button, window->Handle());
        EXPECT_GT(r.right - r.left, TextSize(button, caption).cx) << i;
        EXPECT_GT(r.bottom - r.top, TextSize(button, caption).cy) << i;
        EXPECT_LE(r.bottom, client.top);
        if (i > 0) {
            EXPECT_LT(previous.right, r.left);
        }
        previous = r;
    }
    EXPECT_LT(previous.right, RectIn(window->CancelButton(), window->Handle()).left);
}

TEST_F(MainWindowTest, NotArrangedAndNothingStoredTheChildWindowsFitTheMainWindow) {
    store.StoreWrite(kAppName, kSectionName, L"Resize", L"False");
    SettingsLoad(store, state.settings);
    Open();
    RECT client{};
    GetClientRect(window->MdiClient(), &client);
    EXPECT_FALSE(GetWindowLongW(window->MdiClient(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
    for (ChildWindow* child : window->Children()) {
        const RECT r = RectIn(child->Handle(), window->MdiClient());
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, client.right);
        EXPECT_LE(r.bottom, client.bottom);
    }
}

TEST_F(MainWindowTest, HintsSwitchOffAndOn) {
    Open();
    EXPECT_EQ(window->HintOf(window->ExeButton(3)),
              L"フォルダ名を全てショートファイル名のフォルダ名に変換します（Ctrl+4）");
    EXPECT_EQ(window->Targets().HintOf(window->Targets().List()), L"このフォルダ名が変更の対象となります");
    window->SetToolTip(false);
    for (ChildWindow* child : window->Children()) child->SetToolTip(false);
    for (int i = 0; i < ModeCount(); ++i) EXPECT_EQ(window->HintOf(window->ExeButton(i)), L"");
    EXPECT_EQ(window->HintOf(window->CancelButton()), L"");
    EXPECT_EQ(window->Targets().HintOf(window->Targets().DeleteButton()), L"");
    window->SetToolTip(true);
    EXPECT_EQ(window->HintOf(window->CancelButton()), L"実行中に中断します");
}

TEST_F(MainWindowTest, DroppedFolderListFillsTheTargetListUpToTheLimit) {
    Win32FileSystem disk;
    testing::TempDir dir;
    Open(&disk);
    std::vector<std::wstring> names{dir.MakeFile(L"a.txt")};
    for (int i = 0; i < 1005; ++i) names.push_back(dir.MakeDir(L"d" + std::to_wstring(i)));
    names.push_back(dir.MakeFile(L"b.txt"));
    auto* data = new FileListDataObject([&] { return names; });
    IDropTarget* target = window->Targets().DropTarget();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragEnter(data, MK_LBUTTON, {0, 0}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY;
    target->Drop(data, 0, {0, 0}, &effect);
    data->Release();
    const Lines listed = ListLines(window->Targets().List());
    ASSERT_EQ(listed.size(), 1000u);
    EXPECT_EQ(listed.front(), dir.Path() + L"\\d0");
    EXPECT_EQ(listed.back(), dir.Path() + L"\\d999");
    EXPECT_EQ(prompts.notices, Lines{L"一度で実行できるフォルダ数は最大１０００までです。"});
    EXPECT_TRUE(ModeButtonsEnabled());
}

TEST_F(MainWindowTest, FileListDataObjectOffersNothingElse) {
    Open();
    auto* data = new FileListDataObject([] { return std::vector<std::wstring>{}; });
    FORMATETC text{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_NE(data->QueryGetData(&text), S_OK);
    data->Release();
}

TEST_F(MainWindowTest, DragSourceCarriesTheSelectedChangedFolders) {
    Open();
    state.changed.AddLine(L"C:\\写真\\A");
    state.changed.AddLine(L"C:\\写真\\B");
    state.changed.AddLine(L"C:\\写真\\C");
    SendMessageW(window->Changed().List(), LB_SETSEL, TRUE, 0);
    SendMessageW(window->Changed().List(), LB_SETSEL, TRUE, 2);
    IDataObject* data = window->Changed().MakeDragData();
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    EXPECT_EQ(data->QueryGetData(&format), S_OK);
    EXPECT_EQ(FileListOf(data), (std::vector<std::wstring>{L"C:\\写真\\A", L"C:\\写真\\C"}));
    FORMATETC text{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    EXPECT_NE(data->GetData(&text, &medium), S_OK);
    data->Release();
    EXPECT_EQ(state.changed.Count(), 3u);
}

TEST_F(MainWindowTest, LogMenuCopiesAndSavesInCodePage932) {
    Win32FileSystem disk;
    testing::TempDir dir;
    Open(&disk);
    state.history.AddLine(L"[ C:\\a ]");
    state.history.AddLine(L"全て終了しました");
    SendMessageW(window->Handle(), WM_COMMAND, kMenuLogCopy, 0);
    EXPECT_EQ(clipboard.text, L"[ C:\\a ]\r\n全て終了しました\r\n");

    prompts.saveName = dir.Path() + L"\\run.LOG";
    SendMessageW(window->Handle(), WM_COMMAND, kMenuLogSave, 0);
    EXPECT_EQ(prompts.saveDialogs, Lines{L"LogFile(*.LOG)|*.LOG|全てのファイル(*.*)|*.* .LOG"});
    HANDLE file = CreateFileW(prompts.saveName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[64] = {};
    DWORD read = 0;
    ReadFile(file, bytes, sizeof(bytes), &read, nullptr);
    CloseHandle(file);
    const std::string expected = "[ C:\\a ]\r\n\x91\x53\x82\xc4\x8f\x49\x97\xb9\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n";
    EXPECT_EQ(std::string(bytes, read), expected);

    // Saving over it asks first; No keeps the file.
    prompts.answer = false;
    state.history.AddLine(L"more");
    SendMessageW(window->Handle(), WM_COMMAND, kMenuLogSave, 0);
    EXPECT_EQ(prompts.questions, Lines{L"ファイルが存在しています。上書きしてよろしいですか"});
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExW(prompts.saveName.c_str(), GetFileExInfoStandard, &info);
    EXPECT_EQ(info.nFileSizeLow, expected.size());

    // A folder of that name: no question, the failure is told.
    prompts.saveName = dir.MakeDir(L"folder.LOG");
    SendMessageW(window->Handle(), WM_COMMAND, kMenuLogSave, 0);
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.notices, Lines{L"セーブできませんでした。"});

    // An empty history writes nothing at all.
    state.history.Refresh();
    prompts.saveName = dir.Path() + L"\\empty.LOG";
    SendMessageW(window->Handle(), WM_COMMAND, kMenuLogSave, 0);
    EXPECT_EQ(GetFileAttributesW(prompts.saveName.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(LogBytes, WritesQuestionMarksForWhatCodePage932CannotHold) {
    HistoryLog history;
    history.AddLine(L"Caf\u00E9 \u00C0\u00C9\u00CE");  // no look-alikes: Cafe and AEI may be other folders
    history.AddLine(L"\u5199\u771F\uFF21\u2460");      // 写真Ａ① are all in code page 932
    EXPECT_EQ(LogBytes(history), "Caf? ???\r\n\x8e\xca\x90\x5e\x82\x60\x87\x40\r\n");
}

TEST_F(MainWindowTest, FontDialogStoresRoundedSizeOnlyOnChange) {
    Open();
    const FontChoice same{L"ＭＳ 明朝", 10, false, false};
    prompts.fontAnswer = &same;
    SendMessageW(window->Handle(), WM_COMMAND, kMenuFont, 0);
    EXPECT_EQ(prompts.offeredFont.name, L"ＭＳ 明朝");
    EXPECT_EQ(state.settings.fontSize, 10);
    const FontChoice larger{L"IPAGothic", 10.5, true, false};
    prompts.fontAnswer = &larger;
    SendMessageW(window->Handle(), WM_COMMAND, kMenuFont, 0);
    EXPECT_EQ(state.settings.fontName, L"IPAGothic");
    EXPECT_EQ(state.settings.fontSize, 10);
    EXPECT_TRUE(state.settings.fontBold);
}

std::wstring BesideTheProgram(const std::wstring& name) {
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring path = module;
    return path.substr(0, path.rfind(L'\\') + 1) + name;
}

TEST_F(MainWindowTest, HelpOpensTheOldHelpFileOrElseTheGuide) {
    Open();
    const std::wstring guide = BesideTheProgram(L"KELVARO2.html");
    // Nothing beside the program: a message naming the guide, and no viewer started.
    SendMessageW(window->Handle(), WM_COMMAND, kMenuHelp, 0);
    ASSERT_EQ(prompts.notices.size(), 1u);
    EXPECT_EQ(prompts.notices[0], L"ヘルプファイルが見つかりません。\r\n" + guide);
    EXPECT_TRUE(prompts.documents.empty());
    EXPECT_TRUE(prompts.helpFiles.empty());

    // The guide alone goes to the browser; F1 does what the menu item does.
    fs.AddFile(guide);
    MSG f1{window->Targets().List(), WM_KEYDOWN, VK_F1, 0, 0, {}};
    EXPECT_TRUE(window->TranslateKeys(f1));
    ASSERT_EQ(prompts.documents.size(), 1u);
    EXPECT_EQ(prompts.documents[0], guide);
    MSG other{window->Targets().List(), WM_KEYDOWN, VK_F2, 0, 0, {}};
    EXPECT_FALSE(window->TranslateKeys(other));

    // A browser that cannot be started is reported.
    prompts.documentOpens = false;
    SendMessageW(window->Handle(), WM_COMMAND, kMenuHelp, 0);
    ASSERT_EQ(prompts.notices.size(), 2u);
    EXPECT_EQ(prompts.notices[1], L"ヘルプを表示できませんでした。\r\n" + guide);

    // An old help file beside the program wins over the guide.
    fs.AddFile(BesideTheProgram(L"KELVARO2.HLP"));
    SendMessageW(window->Handle(), WM_COMMAND, kMenuHelp, 0);
    ASSERT_EQ(prompts.helpFiles.size(), 1u);
    EXPECT_EQ(prompts.helpFiles[0], BesideTheProgram(L"KELVARO2.HLP"));
    EXPECT_EQ(prompts.documents.size(), 2u);
}

TEST_F(MainWindowTest, PositionsAreSavedOnlyWhenTheRulesAllow) {
    store.StoreWrite(kAppName, kSectionName, L"Resize", L"False");
    SettingsLoad(store, state.settings);
    Open();
    window->Targets().PlaceTwips({300, 450, 3000, 1500});
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"File_Left", L""), L"300");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"File_Width", L""), L"3000");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Main_WindowState", L""), L"0");
    EXPECT_FALSE(store.StoreRead(kAppName, kSectionName, L"Main_Left", L"").empty());
    DropQuit();
}

TEST_F(MainWindowTest, PositionsComeBackCorrected) {
    for (const auto& [key, value] : {std::pair{L"Resize", L"False"},
                                     {L"Main_Left", L"-500"},
                                     {L"Main_Top", L"1500"},
                                     {L"Main_Width", L"1500"},
                                     {L"Main_Height", L"9000"},
                                     {L"Status_Left", L"600"},
                                     {L"Status_Top", L"300"},
                                     {L"Status_Width", L"4500"},
                                     {L"Status_Height", L"3000"}})
        store.StoreWrite(kAppName, kSectionName, key, value);
    SettingsLoad(store, state.settings);
    Open();
    RECT frame{};
    GetWindowRect(window->Handle(), &frame);
    const UINT dpi = WindowDpi(window->Handle());
    EXPECT_EQ(frame.left, TwipsToPixels(1000, dpi));
    EXPECT_EQ(frame.top, TwipsToPixels(1500, dpi));
    // The default width: at least 8000 twips, and every button in view.
    EXPECT_GE(frame.right - frame.left, TwipsToPixels(8000, dpi));
    EXPECT_LE(RectIn(window->ExeButton(ModeCount() - 1), window->Handle()).right,
              RectIn(window->CancelButton(), window->Handle()).left);
    EXPECT_EQ(frame.bottom - frame.top, TwipsToPixels(9000, dpi));
    const TwipsRect status = window->History().PositionTwips();
    EXPECT_NEAR(status.left, 600, 15);
    EXPECT_NEAR(status.top, 300, 15);
    EXPECT_NEAR(status.width, 4500, 15);
    // Not arranged: a resize leaves the child windows where they are.
    SetWindowPos(window->Handle(), nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE);
    Pump();
    EXPECT_NEAR(window->History().PositionTwips().left, 600, 15);
}

TEST_F(MainWindowTest, MaximisedCloseSavesOnlyTheState) {
    store.StoreWrite(kAppName, kSectionName, L"Resize", L"False");
    SettingsLoad(store, state.settings);
    Open();
    ShowWindow(window->Handle(), SW_MAXIMIZE);
    Pump();
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Main_WindowState", L""), L"2");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Main_Left", L"<absent>"), L"<absent>");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"File_Left", L"<absent>"), L"<absent>");
    DropQuit();
}

TEST_F(MainWindowTest, AfterUndoTheChangedListShowsTheRestoredNamesOnly) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    Open();
    AddTargets({L"C:\\Data\\One\\Inner", L"C:\\Data\\One"});  // children first
    Click(window->ExeButton(5));
    EXPECT_EQ(ListLines(window->Changed().List()), (Lines{L"C:\\Data\\Ｏｎｅ\\Ｉｎｎｅｒ", L"C:\\Data\\Ｏｎｅ"}));
    const Lines run = ListLines(window->History().List());
    ASSERT_GE(run.size(), 2u);
    EXPECT_EQ(run[run.size() - 2], L"結果　変更：2件　同一：0件　変更できず：0件");
    SendMessageW(window->Changed().Handle(), WM_COMMAND, kPopupUndo, 0);
    Pump();
    const Lines changed = ListLines(window->Changed().List());
    EXPECT_EQ(changed, (Lines{L"C:\\Data\\One\\Inner", L"C:\\Data\\One"}));
    for (const auto& path : changed) EXPECT_EQ(fs.Stored(path), path);
    const Lines undo = ListLines(window->History().List());
    ASSERT_GE(undo.size(), 2u);
    EXPECT_EQ(undo[undo.size() - 2], L"結果　元に戻した：2件　戻せず：0件");
}

}  // namespace
}  // namespace kelvaro

namespace kelvaro {
namespace {

// A run waits for another copy's turn on its own thread, so the window goes
// on answering; a journal it cannot write is asked about on the window's thread.
TEST_F(MainWindowTest, ARunWaitsForItsTurnOffTheWindowsThreadAndAsksOnIt) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    std::vector<DWORD> waitedOn;
    recorder.SetTurnPause([&](unsigned) {
        waitedOn.push_back(GetCurrentThreadId());
        return true;
    });
    Open();
    journalStore.held = true;
    AddTargets({L"C:\\Data\\one"});
    Click(window->ExeButton(0));
    ASSERT_FALSE(waitedOn.empty());
    for (DWORD thread : waitedOn) EXPECT_NE(thread, GetCurrentThreadId());
    const Lines history = ListLines(window->History().List());
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front(), L"他の Kelvaro2 の実行が終わるのを待っています");
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), Lines{L"ONE"});

    journalStore.writable = false;
    AddTargets({L"C:\\Data\\two"});
    Click(window->ExeButton(0));
    ASSERT_EQ(prompts.askedOn.size(), 1u);
    EXPECT_EQ(prompts.askedOn[0], GetCurrentThreadId());
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"ONE", L"TWO"}));  // the user said to go on
}

// The last run taken back from the changed-folder list's popup menu.
TEST_F(MainWindowTest, UndoFromTheChangedListPopup) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    Open();
    auto undoItemState = [&] {
        HMENU popup = window->Changed().BuildPopup();
        const UINT itemState = GetMenuState(popup, kPopupUndo, MF_BYCOMMAND);
        DestroyMenu(popup);
        return itemState;
    };
    EXPECT_TRUE(undoItemState() & MF_GRAYED);
    AddTargets({L"C:\\Data\\One", L"C:\\Data\\two"});
    Click(window->ExeButton(0));
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"ONE", L"TWO"}));
    EXPECT_FALSE(undoItemState() & MF_GRAYED);
    SendMessageW(window->Changed().Handle(), WM_COMMAND, kPopupUndo, 0);
    Pump();
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"One", L"two"}));
    const Lines history = ListLines(window->History().List());
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front(), L"直前の変更を元に戻します");
    EXPECT_EQ(history.back(), L"全て終了しました");
    EXPECT_TRUE(undoItemState() & MF_GRAYED);
    EXPECT_TRUE(IsWindowEnabled(window->Changed().Handle()));
}

// 変更の記録 stays open and current while runs are taken back one after
// the other, and tells how each ended.
TEST_F(MainWindowTest, TheRunsDialogTakesBackRunAfterRunAndStaysCurrent) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    Open();
    AddTargets({L"C:\\Data\\one"});
    Click(window->ExeButton(0));
    AddTargets({L"C:\\Data\\two"});
    Click(window->ExeButton(0));
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"ONE", L"TWO"}));

    PressInRuns({IDC_RUNS_UNDO, IDC_RUNS_UNDO, IDCANCEL});
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"one", L"two"}));
    RunsDialog& runs = window->Runs();
    ASSERT_EQ(runs.State().Rows().size(), 2u);
    for (int row = 0; row < 2; ++row) {
        wchar_t text[64] = {};
        ListView_GetItemText(runs.List(), row, 3, text, 64);
        EXPECT_EQ(std::wstring(text), L"元に戻しました") << row;
    }
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(runs.Handle(), IDC_RUNS_UNDO)));
    EXPECT_TRUE(IsWindowEnabled(window->Handle()));
}

// Undo further back: Ctrl+Z takes the newest run back, "変更の記録" lists the
// runs newest first and its 元に戻す takes the one before; more than 100
// folders are taken back only after a question with their number.
TEST_F(MainWindowTest, RunsAreTakenBackOneAfterAnotherFromCtrlZAndTheRunsDialog) {
    testing::FakeJournalStore journalStore;
    RenameJournal recorder(journalStore);
    journal = &recorder;
    Open();
    AddTargets({L"C:\\Data\\One"});
    Click(window->ExeButton(0));
    AddTargets({L"C:\\Data\\two", L"C:\\Data\\three"});
    Click(window->ExeButton(5));
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"ONE", L"ｔｈｒｅｅ", L"ｔｗｏ"}));

    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG ctrlZ{window->Handle(), WM_KEYDOWN, 'Z', 0, 0, {}};
    EXPECT_TRUE(window->TranslateKeys(ctrlZ));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    Pump();
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"ONE", L"three", L"two"}));

    RunsDialog& runs = window->Runs();
    PostMessageW(GetDlgItem(runs.Handle(), IDCANCEL), BM_CLICK, 0, 0);
    SendMessageW(window->Changed().Handle(), WM_COMMAND, kPopupRuns, 0);
    Pump();
    const auto& rows = runs.State().Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].mode + L" " + rows[0].folders + L" " + rows[0].state, L"全角 2 元に戻しました");
    EXPECT_EQ(rows[1].mode + L" " + rows[1].folders + L" " + rows[1].state, L"大文字 1 ");
    EXPECT_EQ(ListView_GetItemCount(runs.List()), 2);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(runs.Handle(), IDC_RUNS_UNDO)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(runs.Handle(), IDC_RUNS_RESUME)));
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"ONE", L"three", L"two"}));  // closed: nothing done
    PressInRuns({IDC_RUNS_UNDO, IDCANCEL});
    EXPECT_EQ(fs.SubFolders(L"C:\\Data"), (Lines{L"One", L"three", L"two"}));
    EXPECT_TRUE(prompts.questions.empty());

    Lines many;
    for (int i = 0; i < 101; ++i) many.push_back(L"C:\\Many\\f" + std::to_wstring(i));
    AddTargets(many);
    Click(window->ExeButton(0));
    prompts.answer = false;
    window->UndoLastRun();
    EXPECT_EQ(prompts.questions, Lines{L"101 フォルダの名前を元に戻します。よろしいですか"});
    EXPECT_EQ(fs.SubFolders(L"C:\\Many").front(), L"F0");
    prompts.answer = true;
    window->UndoLastRun();
    EXPECT_EQ(fs.SubFolders(L"C:\\Many").front(), L"f0");
}

}  // namespace
}  // namespace kelvaro
