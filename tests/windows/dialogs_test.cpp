// The options, initial folder, alias and about dialogs in the real main window.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_window.h"
#include "engine/disk_paths.h"
#include "engine/folder_rules.h"
#include "fakes/fake_send_to.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"
#include "fakes/gui.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"
#include "platform/win32_send_to.h"
#include "platform/input_box.h"
#include "platform/win32_services.h"
#include "resource.h"
#include "settings/app_settings.h"

namespace kelvaro {
namespace {

using testing::DropQuit;
using testing::FakeClipboard;
using testing::FakePrompts;
using testing::FakeSendToLink;
using testing::FakeSettingsStore;
using testing::Pump;

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override { OleInitialize(nullptr); }
    void TearDown() override {
        window.reset();
        Pump();
        OleUninitialize();
    }
    void Open() {
        SettingsLoad(store, state.settings);
        window = std::make_unique<MainWindow>(state, services);
        ASSERT_TRUE(window->Create(SW_SHOWNORMAL));
        Pump();
    }
    void Put(const std::wstring& key, const std::wstring& value) {
        store.StoreWrite(kAppName, kSectionName, key, value);
    }
    std::wstring Get(const std::wstring& key) { return store.StoreRead(kAppName, kSectionName, key, L"<absent>"); }
    // Queued clicks run inside the dialog's modal loop, in order.
    static void Queue(HWND dialog, std::initializer_list<int> ids) {
        for (int id : ids) PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
    bool Enabled(HWND control) const { return IsWindowEnabled(control) != FALSE; }
    // Runs `step` from the modal loop running then, after the messages queued before it.
    static void Later(std::function<void()> step) {
        pending = std::move(step);
        SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            const std::function<void()> run = std::move(pending);
            pending = nullptr;
            if (run) run();
        });
    }
    // The first entry of the popup menu that opens when `send` runs; the menu is closed.
    static std::wstring PopupOpenedBy(const std::function<void()>& send) {
        static std::wstring first;
        first = L"<no menu>";
        Later([] {
            HWND menuWindow = FindWindowW(L"#32768", nullptr);
            auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
            wchar_t text[128] = {};
            if (menu && GetMenuStringW(menu, 0, text, 128, MF_BYPOSITION)) first = text;
            EndMenu();
        });
        send();
        return first;
    }
    inline static std::function<void()> pending;

    static RECT RectIn(HWND dialog, HWND control) {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static bool Contains(const RECT& outer, const RECT& inner) {
        return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
               inner.bottom <= outer.bottom;
    }
    // Every control the dialog shows lies inside it, has room for its text in
    // its own font, and overlaps no other unless one holds the other (a panel).
    static void ExpectFits(HWND dialog) {
        RECT client{};
        GetClientRect(dialog, &client);
        std::vector<RECT> placed;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
            if (!(style & WS_VISIBLE)) continue;
            const RECT r = RectIn(dialog, c);
            const int id = GetDlgCtrlID(c);
            EXPECT_TRUE(Contains(client, r)) << id;
            for (const RECT& other : placed) {
                RECT overlap{};
                if (IntersectRect(&overlap, &r, &other)) EXPECT_TRUE(Contains(r, other) || Contains(other, r)) << id;
            }
            placed.push_back(r);
            wchar_t name[32] = {}, text[256] = {};
            GetClassNameW(c, name, 32);
            GetWindowTextW(c, text, 256);
            HDC dc = GetDC(c);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)));
            TEXTMETRICW tm{};
            GetTextMetricsW(dc, &tm);
            RECT extent{};
            DrawTextW(dc, text, -1, &extent, DT_SINGLELINE | DT_CALCRECT);
            SelectObject(dc, old);
            ReleaseDC(c, dc);
            const bool button = lstrcmpiW(name, L"Button") == 0, picture = style & (BS_ICON | BS_BITMAP);
            const LONG_PTR type = style & BS_TYPEMASK;
            const bool boxed = button && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON && type != BS_GROUPBOX;
            // A picture button shows its picture, and the initial folder's switch only its box (the label
            // beside it shows the text): their texts are their names for screen readers.
            const bool textShown = !(button && picture) && id != IDC_DEF_SWITCH;
            if (text[0] && textShown && !(lstrcmpiW(name, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON))
                EXPECT_GE(r.right - r.left, extent.right + (boxed ? GetSystemMetrics(SM_CXMENUCHECK) : 0)) << id;
            if (text[0] || !button || !picture) EXPECT_GE(r.bottom - r.top, tm.tmHeight) << id;
            if (lstrcmpiW(name, L"ListBox") == 0) EXPECT_GE(SendMessageW(c, LB_GETITEMHEIGHT, 0, 0), tm.tmHeight) << id;
            if (lstrcmpiW(name, L"ComboBox") == 0)
                EXPECT_GE(SendMessageW(c, CB_GETITEMHEIGHT, 0, 0), tm.tmHeight) << id;
        }
    }
    // The options' rows follow their Tab order top to bottom, without a band
    // between two of them; the closing buttons below the last.
    static void ExpectRowsInTabOrder(HWND dialog) {
        int bottom = 0, buttonsTop = INT_MAX;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const int id = GetDlgCtrlID(c);
            if (!IsWindowVisible(c) || (id >= IDC_OPT_EXE0 && id < IDC_OPT_EXE0 + ModeCount())) continue;
            const RECT r = RectIn(dialog, c);
            if (id == IDOK || id == IDCANCEL || id == IDC_OPT_INIT) {
                buttonsTop = std::min<int>(buttonsTop, r.top);
                continue;
            }
            EXPECT_GE(r.top, bottom) << id;
            if (bottom) EXPECT_LT(r.top - bottom, r.bottom - r.top) << id;
            bottom = r.bottom;
        }
        EXPECT_GE(buttonsTop, bottom);
    }

    Win32FileSystem fs;
    FakeSettingsStore store;
    FakeClipboard clipboard;
    FakePrompts prompts;
    FakeSendToLink sendTo;
    Services services{store, fs, clipboard, prompts, nullptr, &sendTo};
    AppState state{prompts};
    std::unique_ptr<MainWindow> window;
};

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[128] = {};
    GetDlgItemTextW(dialog, id, text, 128);
    return text;
}

TEST_F(DialogsTest, OptionsOpenWithOkDisabledAndCancelKeepsEverything) {
    Put(L"AutoExe", L"9");
    Open();
    OptionDialog& dialog = window->Option();
    Queue(dialog.Handle(), {IDC_OPT_INIT, IDCANCEL});
    window->ShowOptions();
    EXPECT_EQ(state.settings.autoMode, 9);  // Cancel after the initial values: nothing changed
    Queue(dialog.Handle(), {IDCANCEL});
    window->ShowOptions();
    EXPECT_FALSE(Enabled(dialog.Control(IDOK)));
    EXPECT_EQ(IsDlgButtonChecked(dialog.Handle(), IDC_OPT_EXE0), BST_CHECKED);  // 9 shows as mode 0
    EXPECT_FALSE(IsWindowVisible(dialog.Control(IDC_OPT_LOG)));                 // no automatic run: hidden
    wchar_t caption[32] = {};
    GetWindowTextW(dialog.Handle(), caption, 32);
    EXPECT_STREQ(caption, L"Option");
}

TEST_F(DialogsTest, OptionsOkWritesTheHiddenValuesToo) {
    Open();
    OptionDialog& dialog = window->Option();
    // Automatic run on, mode 6, clipboard off, then automatic run off again: the hidden values still count.
    Queue(dialog.Handle(), {IDC_OPT_AUTO, IDC_OPT_EXE0 + 6, IDC_OPT_LOG, IDC_OPT_AUTO, IDOK});
    window->ShowOptions();
    EXPECT_FALSE(state.settings.autoRun);
    EXPECT_EQ(state.settings.autoMode, 6);
    EXPECT_FALSE(state.settings.copyHistory);
    EXPECT_EQ(dialog.HintOf(IDC_OPT_EXE0 + 6), L"自動的にフォルダ名を半角に変更します");
}

// An older stored mode opens checked; the eighth mode is offered and stored as 7.
TEST_F(DialogsTest, OptionsOfferTheEighthMode) {
    Put(L"Auto", L"True");
    Put(L"AutoExe", L"6");
    Open();
    OptionDialog& dialog = window->Option();
    Queue(dialog.Handle(), {IDC_OPT_EXE0 + 7, IDOK});
    window->ShowOptions();
    EXPECT_EQ(state.settings.autoMode, 7);
    wchar_t caption[32] = {};
    GetDlgItemTextW(dialog.Handle(), IDC_OPT_EXE0 + 7, caption, 32);
    EXPECT_STREQ(caption, L"標準");
    EXPECT_EQ(dialog.HintOf(IDC_OPT_EXE0 + 7), L"自動的にフォルダ名を標準の形に変更します");
    EXPECT_EQ(IsDlgButtonChecked(dialog.Handle(), IDC_OPT_EXE0 + 6), BST_UNCHECKED);
}

TEST_F(DialogsTest, HintsOffClearEveryWindowButTheAboutBox) {
    Open();
    OptionDialog& dialog = window->Option();
    Queue(dialog.Handle(), {IDC_OPT_TIP, IDOK});
    window->ShowOptions();
    EXPECT_FALSE(state.settings.showTips);
    EXPECT_EQ(window->HintOf(window->ExeButton(0)), L"");
    EXPECT_EQ(window->SourceWindow().HintOf(window->SourceWindow().DriveList()), L"");
    EXPECT_EQ(window->ChooserWindow().HintOf(window->ChooserWindow().AddButton()), L"");
    EXPECT_EQ(window->Targets().HintOf(window->Targets().List()), L"");
    EXPECT_EQ(window->History().HintOf(window->History().List()), L"");
    EXPECT_EQ(window->Changed().HintOf(window->Changed().List()), L"");
    EXPECT_EQ(dialog.HintOf(IDOK), L"");
    EXPECT_EQ(window->AliasesDialog().HintOf(IDC_ALIAS_LIST), L"");
    EXPECT_EQ(window->Default().HintOf(window->Default().Control(IDOK)), L"");

    Queue(dialog.Handle(), {IDC_OPT_TIP, IDOK});
    window->ShowOptions();
    EXPECT_EQ(window->HintOf(window->ExeButton(0)), L"フォルダ名を全て大文字に変換します（Ctrl+1）");
    EXPECT_EQ(window->AliasesDialog().HintOf(IDC_ALIAS_LIST), L"フォルダエリアス登録一覧");
}

TEST_F(DialogsTest, SendToButtonActsAtOnceAndReportsARefusal) {
    Open();
    OptionDialog& dialog = window->Option();
    EXPECT_EQ(dialog.HintOf(IDC_OPT_SENDTO),
              L"エクスプローラの「送る」メニューにこのプログラムを登録、または削除します");
    Queue(dialog.Handle(), {IDCANCEL});
    window->ShowOptions();
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
    // Cancel afterwards does not take the shortcut back; the options stay untouched.
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->ShowOptions();
    EXPECT_TRUE(sendTo.exists);
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」から削除");
    ExpectFits(dialog.Handle());  // the button grew with its longer caption
    EXPECT_FALSE(Enabled(dialog.Control(IDOK)));
    EXPECT_TRUE(prompts.notices.empty());

    sendTo.refuse = true;
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->ShowOptions();
    ASSERT_EQ(prompts.notices.size(), 1u);
    EXPECT_EQ(prompts.notices[0], L"「送る」から削除できませんでした。");
    EXPECT_TRUE(sendTo.exists);
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」から削除");

    sendTo.exists = false;  // removed by hand in Explorer: the next opening says so
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->ShowOptions();
    EXPECT_EQ(prompts.notices.back(), L"「送る」に登録できませんでした。");
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
}

// A real shortcut, in a Send To folder of the test's own.
TEST_F(DialogsTest, SendToShortcutPointsAtTheRunningProgram) {
    testing::TempDir folder;
    const std::wstring link = folder.MakeDir(L"SendTo") + L"\\Kelvaro2.lnk";
    IShellLinkW* shellLink = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                              reinterpret_cast<void**>(&shellLink)));
    IPersistFile* file = nullptr;
    ASSERT_HRESULT_SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    // A shortcut left by a copy of the program in another folder.
    shellLink->SetPath(L"C:\\windows\\notepad.exe");
    ASSERT_HRESULT_SUCCEEDED(file->Save(link.c_str(), TRUE));

    Win32SendToLink real(folder.Path() + L"\\SendTo");
    services.sendTo = &real;
    Open();
    OptionDialog& dialog = window->Option();
    Queue(dialog.Handle(), {IDCANCEL});
    window->ShowOptions();
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->ShowOptions();
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」から削除");

    EXPECT_HRESULT_SUCCEEDED(file->Load(link.c_str(), STGM_READ));
    wchar_t target[MAX_PATH] = {}, self[MAX_PATH] = {};
    EXPECT_HRESULT_SUCCEEDED(shellLink->GetPath(target, MAX_PATH, nullptr, 0));
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(_wcsicmp(target, self), 0) << "the shortcut points at " << std::wstring(target);
    file->Release();
    shellLink->Release();

    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->ShowOptions();
    EXPECT_EQ(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
    EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(DialogsTest, InitialFolderFallsBackToTheCurrentFolderSilently) {
    Open();
    state.settings.initialFolder = L"C:\\no\\such\\folder";
    InitialFolderDialog& dialog = window->Default();
    Queue(dialog.Handle(), {IDCANCEL});
    window->EditInitialFolder();
    EXPECT_EQ(dialog.DirName(), LongDirName(fs, fs.CurrentDir()));
    EXPECT_FALSE(Enabled(dialog.Control(IDOK)));
    EXPECT_TRUE(prompts.notices.empty());
    EXPECT_EQ(state.settings.initialFolder, L"C:\\no\\such\\folder");
    wchar_t label[128] = {};
    GetDlgItemTextW(dialog.Handle(), IDC_DEF_LABEL, label, 128);
    EXPECT_STREQ(label, L"変更フォルダ格納フォルダ名");  // no free-space text asked for
    EXPECT_EQ(dialog.HintOf(dialog.DirList()), L"初期設定の変更フォルダ格納フォルダ名を設定します");
}

TEST_F(DialogsTest, SwitchingTheInitialFolderOffGreysItAndOkStoresIt) {
    testing::TempDir dir;
    const std::wstring start = dir.MakeDir(L"start");
    Open();
    state.settings.initialFolder = start;
    state.settings.initialFolderOn = true;
    InitialFolderDialog& dialog = window->Default();
    Queue(dialog.Handle(), {IDC_DEF_SWITCH, IDCANCEL});
    window->EditInitialFolder();
    EXPECT_TRUE(state.settings.initialFolderOn);  // Cancel: unchanged
    EXPECT_EQ(state.settings.initialFolder, start);

    Queue(dialog.Handle(), {IDC_DEF_SWITCH, IDOK});
    window->EditInitialFolder();
    EXPECT_FALSE(state.settings.initialFolderOn);
    EXPECT_EQ(state.settings.initialFolder, start);
    for (HWND control :
         {dialog.Control(IDC_DEF_LABEL), dialog.DriveList(), dialog.DirList(), dialog.Control(IDC_DEF_DIRTEXT)})
        EXPECT_FALSE(Enabled(control));
    // The browser keeps showing what it showed; the choice counts from the next start.
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(Get(L"Dir_In_Yuko"), L"False");
    EXPECT_EQ(Get(L"Dir_In"), start);
    DropQuit();
}

TEST_F(DialogsTest, PositionsComeBackOnScreenAndAreWrittenAtClose) {
    Put(L"Option_Left", L"-500");
    Put(L"Option_Top", L"600");
    Put(L"About_Left", L"99999999");
    Put(L"Default_Width", L"6000");
    Put(L"MenuMente_Top", L"-1");
    Open();
    const UINT dpi = WindowDpi(window->Handle());
    auto origin = [](HWND dialog) {
        RECT r{};
        GetWindowRect(dialog, &r);
        return r;
    };
    EXPECT_EQ(origin(window->Option().Handle()).left, TwipsToPixels(1000, dpi));
    EXPECT_EQ(origin(window->Option().Handle()).top, TwipsToPixels(600, dpi));
    EXPECT_EQ(origin(window->About().Handle()).left, TwipsToPixels(1000, dpi));
    EXPECT_EQ(origin(window->AliasesDialog().Handle()).top, TwipsToPixels(1000, dpi));
    const RECT defaults = origin(window->Default().Handle());
    EXPECT_EQ(defaults.right - defaults.left, TwipsToPixels(6000, dpi));
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    for (const wchar_t* key : {L"Option_Left", L"Option_Top", L"About_Left", L"About_Top", L"MenuMente_Left",
                               L"MenuMente_Top", L"Default_Left", L"Default_Top", L"Default_Width", L"Default_Height"})
        EXPECT_NE(Get(key), L"<absent>") << key;
    EXPECT_EQ(Get(L"Option_Left"), L"1005");
    EXPECT_EQ(Get(L"Option_Width"), L"<absent>");
    DropQuit();
}

TEST_F(DialogsTest, FreeSpaceFollowsTheCaptionWhenAskedFor) {
    Open();
    InitialFolderDialog& dialog = window->Default();
    FolderQuestion question;
    question.label = L"Folder";
    question.showsFreeSpace = true;
    question.offersSwitch = false;
    question.switchOn = false;
    question.folder = L"C:\\";
    Queue(dialog.Handle(), {IDCANCEL});
    EXPECT_FALSE(dialog.Ask(question));
    wchar_t label[128] = {};
    GetDlgItemTextW(dialog.Handle(), IDC_DEF_LABEL, label, 128);
    const std::wstring text = label;
    // The free space moves while other programs write: compare the form only.
    EXPECT_EQ(text.rfind(L"Folder (", 0), 0u) << text;
    EXPECT_EQ(text.size() - text.rfind(L"M Free)"), 7u) << text;
    EXPECT_FALSE(IsWindowVisible(dialog.Control(IDC_DEF_SWITCH)));  // no switch offered: forced on
    EXPECT_TRUE(dialog.SwitchOn());
}

// What a screen reader announces for a control: its name through the
// accessibility interface.
std::wstring AccessibleName(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))) ||
        !object)
        return L"";
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring text;
    if (SUCCEEDED(object->get_accName(self, &name)) && name) text = name;
    SysFreeString(name);
    object->Release();
    return text;
}

// The controls of `window` a user meets (shown ones; not the area that holds
// the child windows, nor an icon) that have no name, as "class id".
std::vector<std::wstring> Nameless(HWND window) {
    std::vector<std::wstring> nameless;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(c, name, 64);
        const LONG_PTR style = GetWindowLongPtrW(c, GWL_STYLE);
        if (!(style & WS_VISIBLE) || lstrcmpiW(name, L"MDIClient") == 0) continue;
        if (lstrcmpiW(name, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) continue;
        if (AccessibleName(c).empty()) nameless.push_back(std::wstring(name) + L" " + std::to_wstring(GetDlgCtrlID(c)));
    }
    return nameless;
}

// Every control of the main window, its child windows and every dialog has a
// name a screen reader can announce: the picture buttons and the lists too.
TEST_F(DialogsTest, EveryControlHasAName) {
    Put(L"Auto", L"True");  // the options show their automatic-run modes
    Open();
    std::vector<std::wstring> nameless = Nameless(window->Handle());
    for (ChildWindow* child : window->Children()) {
        const auto found = Nameless(child->Handle());
        nameless.insert(nameless.end(), found.begin(), found.end());
    }
    const auto inDialog = [&](HWND dialog, const std::function<void()>& show) {
        Later([&, dialog] {
            const auto found = Nameless(dialog);
            nameless.insert(nameless.end(), found.begin(), found.end());
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        show();
    };
    inDialog(window->Option().Handle(), [&] { window->ShowOptions(); });
    inDialog(window->Default().Handle(), [&] { window->EditInitialFolder(); });
    AliasTable aliases;
    inDialog(window->AliasesDialog().Handle(), [&] { window->Maintain(aliases); });
    inDialog(window->Preview().Handle(), [&] { window->PreviewThenRun(); });
    inDialog(window->Runs().Handle(), [&] { window->Runs().Ask({}, true); });
    inDialog(window->About().Handle(), [&] { window->ShowAbout(); });
    // The input box shows itself when its queue first runs empty: a timer due
    // before then finds it hidden, and looks again.
    std::function<void()> closeInputBox = [&] {
        const BOOL none = EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM found) -> BOOL {
                wchar_t cls[16] = {};
                GetClassNameW(hwnd, cls, 16);
                if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
                auto& list = *reinterpret_cast<std::vector<std::wstring>*>(found);
                const auto more = Nameless(hwnd);
                list.insert(list.end(), more.begin(), more.end());
                PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&nameless));
        if (none) Later(closeInputBox);
    };
    Later(closeInputBox);
    InputBox(window->Handle(), L"prompt", L"title", L"proposed");
    std::wstring all;
    for (const auto& control : nameless) all += control + L"; ";
    EXPECT_TRUE(nameless.empty()) << ::testing::PrintToString(all);
}

TEST_F(DialogsTest, AboutShowsTheProgramAndCloses) {
    Open();
    AboutDialog& about = window->About();
    PostMessageW(GetDlgItem(about.Handle(), IDOK), BM_CLICK, 0, 0);
    window->ShowAbout();
    EXPECT_FALSE(IsWindowVisible(about.Handle()));
    wchar_t text[64] = {};
    GetDlgItemTextW(about.Handle(), IDC_ABOUT_TITLE, text, 64);
    EXPECT_STREQ(text, L"ケルヴァロ２");
    GetDlgItemTextW(about.Handle(), IDC_ABOUT_VERSION, text, 64);
    EXPECT_STREQ(text, L"Ver.1.02");
    GetDlgItemTextW(about.Handle(), IDOK, text, 64);
    EXPECT_STREQ(text, L"Ok");
}

TEST_F(DialogsTest, InitialFolderKeepsEnterAndTheRightButtonForItself) {
    testing::TempDir dir;
    const std::wstring start = dir.MakeDir(L"start");
    const std::wstring sub = dir.MakeDir(L"start\\sub");
    Open();
    state.settings.initialFolder = start;
    InitialFolderDialog& dialog = window->Default();
    std::wstring opened, highlighted, textMenu;
    bool stillShown = false;
    Later([&] {
        // Enter on a highlighted folder opens it; the dialog stays.
        const auto index = SendMessageW(dialog.DirList(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(L"sub"));
        SendMessageW(dialog.DirList(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SetFocus(dialog.DirList());
        PostMessageW(dialog.DirList(), WM_KEYDOWN, VK_RETURN, 0);
        Later([&] {
            opened = dialog.DirName();
            const auto current = SendMessageW(dialog.DirList(), LB_GETCURSEL, 0, 0);
            highlighted = current >= 0 ? testing::ListLines(dialog.DirList())[static_cast<size_t>(current)] : L"";
            stillShown = IsWindowVisible(dialog.Handle()) != FALSE;
            HWND text = dialog.Control(IDC_DEF_DIRTEXT);
            textMenu = PopupOpenedBy([&] { SendMessageW(text, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(text), -1); });
            PostMessageW(dialog.Control(IDCANCEL), BM_CLICK, 0, 0);
        });
    });
    window->EditInitialFolder();
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(opened, sub);
    EXPECT_EQ(highlighted, L"sub");                  // the Enter key's character does not move the highlight
    EXPECT_EQ(state.settings.initialFolder, start);  // closed by Cancel
    EXPECT_EQ(textMenu, L"現在の変更フォルダ格納フォルダからコピー");
    EXPECT_NE(SendMessageW(dialog.Handle(), WM_GETICON, ICON_SMALL, 0), 0);
    // The browser's folder text opens the browser's menu too.
    HWND browserText = window->SourceWindow().DirText();
    EXPECT_EQ(
        PopupOpenedBy([&] { SendMessageW(browserText, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(browserText), -1); }),
        L"リフレッシュ(&R)");
}

// With the system's own message and input boxes: they belong to the alias
// dialog, which stays in front of a disabled main window; hints reach its
// buttons; focus survives "delete all".
TEST_F(DialogsTest, AliasDialogKeepsItsPromptsHintsAndFocus) {
    HWND owner = nullptr;
    Win32Prompts realPrompts(&owner);
    Services live{store, fs, clipboard, realPrompts};
    AppState liveState{realPrompts};
    SettingsLoad(store, liveState.settings);
    MainWindow main(liveState, live);
    ASSERT_TRUE(main.Create(SW_SHOWNORMAL));
    owner = main.Handle();
    Pump();
    AliasDialog& dialog = main.AliasesDialog();
    HWND deleteAll = dialog.Control(IDC_ALIAS_DELETE_ALL);
    AliasTable aliases;
    aliases.Add(L"A", L"C:\\a");
    aliases.Add(L"B", L"C:\\b");

    HWND inputOwner = nullptr, noticeOwner = nullptr, activeAfter = nullptr, focusAfterDelete = nullptr;
    bool mainEnabledAfter = true, secondOpened = true;
    int relayed = 0;
    static int* relayCount;
    relayCount = &relayed;
    Later([&] {
        HWND hints = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
        while (hints && GetWindow(hints, GW_OWNER) != dialog.Handle())
            hints = FindWindowExW(nullptr, hints, TOOLTIPS_CLASSW, nullptr);
        SetWindowSubclass(
            hints,
            [](HWND h, UINT message, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR button) -> LRESULT {
                if (message == TTM_RELAYEVENT &&
                    reinterpret_cast<const MSG*>(l)->hwnd == reinterpret_cast<HWND>(button))
                    ++*relayCount;
                return DefSubclassProc(h, message, w, l);
            },
            1, reinterpret_cast<DWORD_PTR>(deleteAll));
        PostMessageW(deleteAll, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        PostMessageW(dialog.Control(IDC_ALIAS_RENAME), BM_CLICK, 0, 0);
        Later([&] {  // in the input box: the name of the other alias
            HWND input = FindWindowW(L"#32770", L"フォルダエリアス名の変更");
            inputOwner = GetWindow(input, GW_OWNER);
            SetDlgItemTextW(input, IDC_INPUT_ANSWER, L"B");
            PostMessageW(GetDlgItem(input, IDOK), BM_CLICK, 0, 0);
            Later([&] {  // in the message box about the duplicate
                HWND notice = FindWindowW(L"#32770", L"Kelvaro2");
                noticeOwner = GetWindow(notice, GW_OWNER);
                PostMessageW(notice, WM_COMMAND, IDOK, 0);
                Later([&] {  // back in the alias dialog
                    mainEnabledAfter = IsWindowEnabled(main.Handle()) != FALSE;
                    activeAfter = GetActiveWindow();
                    SetFocus(deleteAll);
                    SendMessageW(deleteAll, BM_CLICK, 0, 0);
                    focusAfterDelete = GetFocus();
                    PostMessageW(dialog.Control(IDCANCEL), BM_CLICK, 0, 0);
                    secondOpened = main.Maintain(aliases);  // returns at once; the Cancel above closes the first
                });
            });
        });
    });
    EXPECT_FALSE(main.Maintain(aliases));
    EXPECT_EQ(relayed, 1);
    EXPECT_EQ(inputOwner, dialog.Handle());
    EXPECT_EQ(noticeOwner, dialog.Handle());
    EXPECT_FALSE(mainEnabledAfter);
    EXPECT_EQ(activeAfter, dialog.Handle());
    EXPECT_FALSE(secondOpened);
    EXPECT_EQ(focusAfterDelete, dialog.Control(IDCANCEL));
    EXPECT_TRUE(Enabled(main.Handle()));  // the dialog closed: the main window is usable again
    EXPECT_EQ(aliases.Name(1), L"B");     // Cancel: the table is unchanged
}

TEST_F(DialogsTest, DialogsGrowWithTheFontAndOptionsFollowTheirTabOrder) {
    Open();
    OptionDialog& options = window->Option();
    Later([&] {
        ExpectRowsInTabOrder(options.Handle());  // automatic run off: the panel and the clipboard switch hidden
        SendMessageW(options.Control(IDC_OPT_AUTO), BM_CLICK, 0, 0);
        ExpectRowsInTabOrder(options.Handle());
        ExpectFits(options.Handle());
        PostMessageW(options.Control(IDCANCEL), BM_CLICK, 0, 0);
    });
    window->ShowOptions();

    const FontChoice large{state.settings.fontName, 20, false, false};
    prompts.fontAnswer = &large;
    window->PickFont();
    ASSERT_EQ(state.settings.fontSize, 20);
    for (HWND dialog :
         {options.Handle(), window->About().Handle(), window->Default().Handle(), window->AliasesDialog().Handle()}) {
        SCOPED_TRACE(dialog);
        ExpectFits(dialog);
    }
}

// Moved to a screen at 150 %: each dialog takes the place Windows suggests,
// shows the user's font at the new DPI and lays itself out for it.
TEST_F(DialogsTest, DialogsLayThemselvesOutAgainOnAScreenOfAnotherDpi) {
    Open();
    LOGFONTW main{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window->ExeButton(0), WM_GETFONT, 0, 0)), sizeof(main), &main);
    for (HWND dialog : {window->Option().Handle(), window->Default().Handle(), window->AliasesDialog().Handle(),
                        window->About().Handle(), window->Preview().Handle()}) {
        SCOPED_TRACE(dialog);
        RECT suggested{40, 50, 700, 560};
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
        RECT placed{};
        GetWindowRect(dialog, &placed);
        EXPECT_EQ(placed.left, 40);
        EXPECT_EQ(placed.top, 50);
        LOGFONTW shown{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dialog, IDOK), WM_GETFONT, 0, 0)), sizeof(shown),
                   &shown);
        EXPECT_EQ(shown.lfHeight, MulDiv(main.lfHeight, 144, 96));
        EXPECT_STREQ(shown.lfFaceName, main.lfFaceName);
        ExpectFits(dialog);
    }
}
}  // namespace
}  // namespace kelvaro
