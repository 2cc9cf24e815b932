// The options, initial folder and about dialogs in the real main window.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "app/main_window.h"
#include "engine/disk_paths.h"
#include "fakes/fake_send_to.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"
#include "fakes/gui.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"
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
    window->mnuOption_Click();
    EXPECT_EQ(state.settings.AutoExe, 9);  // Cancel after the initial values: nothing changed
    Queue(dialog.Handle(), {IDCANCEL});
    window->mnuOption_Click();
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
    window->mnuOption_Click();
    EXPECT_FALSE(state.settings.Auto);
    EXPECT_EQ(state.settings.AutoExe, 6);
    EXPECT_FALSE(state.settings.AutoLog);
    EXPECT_EQ(dialog.HintOf(IDC_OPT_EXE0 + 6), L"自動的にフォルダ名を半角に変更します");
}

TEST_F(DialogsTest, HintsOffClearEveryWindowButTheAboutBox) {
    Open();
    OptionDialog& dialog = window->Option();
    Queue(dialog.Handle(), {IDC_OPT_TIP, IDOK});
    window->mnuOption_Click();
    EXPECT_FALSE(state.settings.Tip);
    EXPECT_EQ(window->HintOf(window->ExeButton(0)), L"");
    EXPECT_EQ(window->InDir().HintOf(window->InDir().DriveList()), L"");
    EXPECT_EQ(window->InFile().HintOf(window->InFile().AddButton()), L"");
    EXPECT_EQ(window->Targets().HintOf(window->Targets().List()), L"");
    EXPECT_EQ(window->History().HintOf(window->History().List()), L"");
    EXPECT_EQ(window->Changed().HintOf(window->Changed().List()), L"");
    EXPECT_EQ(dialog.HintOf(IDOK), L"");
    EXPECT_EQ(window->MenuMente().HintOf(IDC_MENTE_LIST), L"");
    EXPECT_EQ(window->Default().HintOf(window->Default().Control(IDOK)), L"");

    Queue(dialog.Handle(), {IDC_OPT_TIP, IDOK});
    window->mnuOption_Click();
    EXPECT_EQ(window->HintOf(window->ExeButton(0)), L"フォルダ名を全て大文字に変換します");
    EXPECT_EQ(window->MenuMente().HintOf(IDC_MENTE_LIST), L"フォルダエリアス登録一覧");
}

TEST_F(DialogsTest, SendToButtonActsAtOnceAndReportsARefusal) {
    Open();
    OptionDialog& dialog = window->Option();
    EXPECT_EQ(dialog.HintOf(IDC_OPT_SENDTO),
              L"エクスプローラの「送る」メニューにこのプログラムを登録、または削除します");
    Queue(dialog.Handle(), {IDCANCEL});
    window->mnuOption_Click();
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
    // Cancel afterwards does not take the shortcut back; the options stay untouched.
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->mnuOption_Click();
    EXPECT_TRUE(sendTo.exists);
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」から削除");
    EXPECT_FALSE(Enabled(dialog.Control(IDOK)));
    EXPECT_TRUE(prompts.notices.empty());

    sendTo.refuse = true;
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->mnuOption_Click();
    ASSERT_EQ(prompts.notices.size(), 1u);
    EXPECT_EQ(prompts.notices[0], L"「送る」から削除できませんでした。");
    EXPECT_TRUE(sendTo.exists);
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」から削除");

    sendTo.exists = false;  // removed by hand in Explorer: the next opening says so
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->mnuOption_Click();
    EXPECT_EQ(prompts.notices.back(), L"「送る」に登録できませんでした。");
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
}

// The real shortcut in the test prefix's Send To folder.
TEST_F(DialogsTest, SendToShortcutPointsAtTheRunningProgram) {
    wchar_t folder[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_SENDTO, nullptr, SHGFP_TYPE_CURRENT, folder), S_OK);
    const std::wstring link = std::wstring(folder) + L"\\Kelvaro2.lnk";
    IShellLinkW* shellLink = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                              reinterpret_cast<void**>(&shellLink)));
    IPersistFile* file = nullptr;
    ASSERT_HRESULT_SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    // A shortcut left by a copy of the program in another folder.
    shellLink->SetPath(L"C:\\windows\\notepad.exe");
    ASSERT_HRESULT_SUCCEEDED(file->Save(link.c_str(), TRUE));

    Win32SendToLink real;
    services.sendTo = &real;
    Open();
    OptionDialog& dialog = window->Option();
    Queue(dialog.Handle(), {IDCANCEL});
    window->mnuOption_Click();
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->mnuOption_Click();
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」から削除");

    EXPECT_HRESULT_SUCCEEDED(file->Load(link.c_str(), STGM_READ));
    wchar_t target[MAX_PATH] = {}, self[MAX_PATH] = {};
    EXPECT_HRESULT_SUCCEEDED(shellLink->GetPath(target, MAX_PATH, nullptr, 0));
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(_wcsicmp(target, self), 0) << "the shortcut points at " << std::wstring(target);
    file->Release();
    shellLink->Release();

    Queue(dialog.Handle(), {IDC_OPT_SENDTO, IDCANCEL});
    window->mnuOption_Click();
    EXPECT_EQ(GetFileAttributesW(link.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ItemText(dialog.Handle(), IDC_OPT_SENDTO), L"「送る」に登録");
    EXPECT_TRUE(prompts.notices.empty());
}

TEST_F(DialogsTest, InitialFolderFallsBackToTheCurrentFolderSilently) {
    Open();
    state.settings.Dir_In = L"C:\\no\\such\\folder";
    DefaultDialog& dialog = window->Default();
    Queue(dialog.Handle(), {IDCANCEL});
    window->mnuInDirDefault_Click();
    EXPECT_EQ(dialog.DirName(), LongDirName(fs, fs.CurrentDir()));
    EXPECT_FALSE(Enabled(dialog.Control(IDOK)));
    EXPECT_TRUE(prompts.notices.empty());
    EXPECT_EQ(state.settings.Dir_In, L"C:\\no\\such\\folder");
    wchar_t label[128] = {};
    GetDlgItemTextW(dialog.Handle(), IDC_DEF_LABEL, label, 128);
    EXPECT_STREQ(label, L"変更フォルダ格納フォルダ名");  // no free-space text asked for
    EXPECT_EQ(dialog.HintOf(dialog.DirList()), L"初期設定の変更フォルダ格納フォルダ名を設定します");
}

TEST_F(DialogsTest, SwitchingTheInitialFolderOffGreysItAndOkStoresIt) {
    testing::TempDir dir;
    const std::wstring start = dir.MakeDir(L"start");
    Open();
    state.settings.Dir_In = start;
    state.settings.Dir_In_Yuko = true;
    DefaultDialog& dialog = window->Default();
    Queue(dialog.Handle(), {IDC_DEF_SWITCH, IDCANCEL});
    window->mnuInDirDefault_Click();
    EXPECT_TRUE(state.settings.Dir_In_Yuko);  // Cancel: unchanged
    EXPECT_EQ(state.settings.Dir_In, start);

    Queue(dialog.Handle(), {IDC_DEF_SWITCH, IDOK});
    window->mnuInDirDefault_Click();
    EXPECT_FALSE(state.settings.Dir_In_Yuko);
    EXPECT_EQ(state.settings.Dir_In, start);
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
    EXPECT_EQ(origin(window->MenuMente().Handle()).top, TwipsToPixels(1000, dpi));
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
    DefaultDialog& dialog = window->Default();
    dialog.pstr_lblDrive_Caption = L"Folder";
    dialog.pblnDiskFreeOk = true;
    dialog.pblnYukoMukouOk = false;
    dialog.SetDirName(L"C:\\");
    Queue(dialog.Handle(), {IDCANCEL});
    dialog.ShowModal();
    wchar_t label[128] = {};
    GetDlgItemTextW(dialog.Handle(), IDC_DEF_LABEL, label, 128);
    const std::wstring text = label;
    // The free space moves while other programs write: compare the form only.
    EXPECT_EQ(text.rfind(L"Folder (", 0), 0u) << text;
    EXPECT_EQ(text.size() - text.rfind(L"M Free)"), 7u) << text;
    EXPECT_FALSE(IsWindowVisible(dialog.Control(IDC_DEF_SWITCH)));  // no switch offered: forced on
    EXPECT_TRUE(dialog.Yuko());
}

TEST_F(DialogsTest, AboutShowsTheProgramAndCloses) {
    Open();
    AboutDialog& about = window->About();
    PostMessageW(GetDlgItem(about.Handle(), IDOK), BM_CLICK, 0, 0);
    window->mnuAbout_Click();
    EXPECT_FALSE(IsWindowVisible(about.Handle()));
    wchar_t text[64] = {};
    GetDlgItemTextW(about.Handle(), IDC_ABOUT_TITLE, text, 64);
    EXPECT_STREQ(text, L"ケルヴァロ２");
    GetDlgItemTextW(about.Handle(), IDC_ABOUT_VERSION, text, 64);
    EXPECT_STREQ(text, L"Ver.1.02");
    GetDlgItemTextW(about.Handle(), IDOK, text, 64);
    EXPECT_STREQ(text, L"Ok");
}

}  // namespace
}  // namespace kelvaro
