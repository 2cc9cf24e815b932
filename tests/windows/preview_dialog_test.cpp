// The preview dialog in the real main window: reached from the target list's
// popup and from the mode buttons, recomputed on a change of mode, touching
// nothing on Esc and running on Enter.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/main_window.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"
#include "fakes/gui.h"
#include "resource.h"
#include "settings/app_settings.h"
#include "windows/window_base.h"

namespace kelvaro {
namespace {

using testing::FakeClipboard;
using testing::FakeFileSystem;
using testing::FakePrompts;
using testing::FakeSettingsStore;
using testing::Pump;
using Lines = std::vector<std::wstring>;

std::wstring Cell(HWND list, int row, int column) {
    wchar_t text[512] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

class PreviewDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        window = std::make_unique<MainWindow>(state, services);
        ASSERT_TRUE(window->Create(SW_SHOWNORMAL));
        Pump();
        for (const wchar_t* path :
             {L"C:\\Data\\photos", L"C:\\Data\\DONE", L"C:\\Data\\My Photos", L"C:\\Data\\ＡＢＣ"}) {
            fs.AddDir(path);
            state.targets.AddFromOutside(fs, path);
        }
        window->UpdateButtons();
    }
    void TearDown() override {
        window.reset();
        Pump();
        OleUninitialize();
    }
    PreviewDialog& Dialog() { return window->Preview(); }
    // Posted input runs inside the dialog's modal loop, in order.
    void ChooseMode(int mode) {
        const HWND combo = Dialog().ModeList();
        PostMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(mode), 0);
        PostMessageW(Dialog().Handle(), WM_COMMAND, MAKEWPARAM(IDC_PRE_MODE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    void Key(UINT key) {
        PostMessageW(Dialog().List(), WM_KEYDOWN, key, 0);
        PostMessageW(Dialog().List(), WM_KEYUP, key, 0xC0000001);
    }
    void FromPopup() {
        SendMessageW(window->Targets().Handle(), WM_COMMAND, kPopupPreview, 0);
        Pump();
    }
    int Rows() { return static_cast<int>(SendMessageW(Dialog().List(), LVM_GETITEMCOUNT, 0, 0)); }
    // Opens the preview from the popup and counts, once it is up, the pixels of
    // its list in a refused row's dark red; then closes it.
    int ReddishPixelsOfThePreview() {
        static PreviewDialog* shown = nullptr;
        static int reddish = -1;
        shown = &Dialog();
        reddish = -1;
        SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR timer, DWORD) {
            if (!IsWindowVisible(shown->Handle())) return;
            KillTimer(nullptr, timer);
            const HWND list = shown->List();
            RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            RECT client{};
            GetClientRect(list, &client);
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void* bits = nullptr;
            HDC screen = GetDC(list), memory = CreateCompatibleDC(screen);
            HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            HGDIOBJ previous = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
            reddish = 0;
            const auto* pixel = static_cast<const RGBQUAD*>(bits);
            for (LONG i = 0; i < client.right * client.bottom; ++i)
                if (pixel[i].rgbRed > 120 && pixel[i].rgbGreen < 80 && pixel[i].rgbBlue < 80) ++reddish;
            SelectObject(memory, previous);
            DeleteObject(bitmap);
            DeleteDC(memory);
            ReleaseDC(list, screen);
            PostMessageW(shown->Handle(), WM_COMMAND, IDCANCEL, 0);
        });
        FromPopup();
        return reddish;
    }

    FakeSettingsStore store;
    FakeFileSystem fs;
    FakeClipboard clipboard;
    FakePrompts prompts;
    Services services{store, fs, clipboard, prompts};
    AppState state{prompts};
    std::unique_ptr<MainWindow> window;
};

TEST_F(PreviewDialogTest, OpensFromThePopupRecomputesOnAModeAndEscTouchesNothing) {
    Key(VK_ESCAPE);
    FromPopup();
    EXPECT_FALSE(IsWindowVisible(Dialog().Handle()));
    // Before any run the automatic mode (lower case) is preset.
    EXPECT_EQ(SendMessageW(Dialog().ModeList(), CB_GETCURSEL, 0, 0), 2);
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(Dialog().List(), 1, 0), L"C:\\Data\\DONE");
    EXPECT_EQ(Cell(Dialog().List(), 1, 1), L"done");
    EXPECT_EQ(Cell(Dialog().List(), 1, 2), L"変更します");
    wchar_t caption[32] = {};
    GetWindowTextW(Dialog().Handle(), caption, 32);
    EXPECT_STREQ(caption, L"変更内容の確認");

    // Upper case except long names; then only the folders the run refuses:
    // those in form or kept as long names need no attention.
    ChooseMode(1);
    PostMessageW(GetDlgItem(Dialog().Handle(), IDCANCEL), BM_CLICK, 0, 0);
    FromPopup();
    EXPECT_EQ(Dialog().State().Mode(), 1);
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(Dialog().List(), 1, 2), L"同一の為変更しません");
    EXPECT_EQ(Cell(Dialog().List(), 2, 2), L"ＬＦＮの為変更しません");
    wchar_t counts[256] = {};
    GetDlgItemTextW(Dialog().Handle(), IDC_PRE_COUNTS, counts, 256);
    EXPECT_EQ(std::wstring(counts).substr(0, 5), L"合計：4件");
    fs.MoveDir(L"C:\\Data\\DONE", L"C:\\Data\\elsewhere");  // gone since the list was made
    fs.moves = 0;
    PostMessageW(GetDlgItem(Dialog().Handle(), IDC_PRE_ONLY_REFUSED), BM_CLICK, 0, 0);
    PostMessageW(GetDlgItem(Dialog().Handle(), IDCANCEL), BM_CLICK, 0, 0);
    FromPopup();
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(Dialog().List(), 0, 2), L"変更不可（フォルダなし）");

    EXPECT_EQ(fs.moves, 0);
    EXPECT_EQ(state.targets.Count(), 4u);
    EXPECT_EQ(state.history.Count(), 0u);
}

TEST_F(PreviewDialogTest, EnterRunsTheChosenModeAndTheNextPreviewStartsFromIt) {
    ChooseMode(6);
    Key(VK_RETURN);
    FromPopup();
    EXPECT_EQ(fs.Stored(L"C:\\Data\\ABC"), L"C:\\Data\\ABC");  // half-width
    EXPECT_EQ(state.history.Line(state.history.Count() - 1), L"全て終了しました");
    EXPECT_TRUE(state.targets.Empty());  // the other three are in form in half-width
    Key(VK_ESCAPE);
    FromPopup();
    EXPECT_EQ(SendMessageW(Dialog().ModeList(), CB_GETCURSEL, 0, 0), 6);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Dialog().Handle(), IDOK)));  // nothing to run
    const HMENU popup = window->Targets().BuildPopup();
    EXPECT_TRUE(GetMenuState(popup, kPopupPreview, MF_BYCOMMAND) & MF_GRAYED);  // nor anything to preview
    DestroyMenu(popup);
}

TEST_F(PreviewDialogTest, ModeButtonsAskFirstOnlyWithTheOption) {
    // The option is a check box of the options dialog.
    PostMessageW(GetDlgItem(window->Option().Handle(), IDC_OPT_CONFIRM), BM_CLICK, 0, 0);
    PostMessageW(GetDlgItem(window->Option().Handle(), IDOK), BM_CLICK, 0, 0);
    window->ShowOptions();
    ASSERT_TRUE(state.settings.confirmBeforeRun);

    PostMessageW(GetDlgItem(Dialog().Handle(), IDCANCEL), BM_CLICK, 0, 0);
    SendMessageW(window->ExeButton(0), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(Dialog().State().Mode(), 0);  // preset to the button's mode
    EXPECT_EQ(fs.moves, 0);

    PostMessageW(GetDlgItem(Dialog().Handle(), IDOK), BM_CLICK, 0, 0);
    SendMessageW(window->ExeButton(0), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(fs.Stored(L"C:\\Data\\photos"), L"C:\\Data\\PHOTOS");

    state.settings.confirmBeforeRun = false;
    fs.AddDir(L"C:\\Data\\more");
    state.targets.AddFromOutside(fs, L"C:\\Data\\more");
    window->UpdateButtons();
    SendMessageW(window->ExeButton(0), BM_CLICK, 0, 0);  // no preview: renamed at once
    Pump();
    EXPECT_EQ(fs.Stored(L"C:\\Data\\more"), L"C:\\Data\\MORE");
}

// Every folder the run would rename has a ticked box, the others none. Space
// unticks the selected rows, a click on a box toggles that row, the counts
// follow, a row's tip shows its whole path, and 実行 leaves the unticked
// folders alone in the target list.
TEST_F(PreviewDialogTest, CheckBoxesLeaveFoldersOutOfTheRun) {
    const auto image = [this](int row) {
        return static_cast<UINT>(
                   SendMessageW(Dialog().List(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK)) >>
               12;
    };
    const auto rowRect = [this](int row) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        SendMessageW(Dialog().List(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        return r;
    };
    LVITEMW select{};
    select.stateMask = select.state = LVIS_SELECTED;
    ChooseMode(0);  // photos and My Photos are renamed, DONE and ＡＢＣ are in form
    PostMessageW(Dialog().List(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    Key(VK_SPACE);
    PostMessageW(GetDlgItem(Dialog().Handle(), IDCANCEL), BM_CLICK, 0, 0);
    FromPopup();
    EXPECT_EQ(Dialog().State().LeftOut(), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(image(0), 1u);  // unticked
    EXPECT_EQ(image(1), 0u);  // in form: no box
    wchar_t counts[256] = {};
    GetDlgItemTextW(Dialog().Handle(), IDC_PRE_COUNTS, counts, 256);
    EXPECT_NE(std::wstring(counts).find(L"除外した為変更しません：2件"), std::wstring::npos) << counts;
    EXPECT_EQ(fs.moves, 0);

    // Opened again, every box is ticked; a click on the first row's box unticks it.
    const RECT first = rowRect(0);
    LVHITTESTINFO hit{};
    hit.pt = {first.left + 8, (first.top + first.bottom) / 2};
    SendMessageW(Dialog().List(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    ChooseMode(0);
    const RECT third = rowRect(2);
    PostMessageW(Dialog().List(), WM_MOUSEMOVE, 0, MAKELPARAM(third.left + 40, third.top + 2));
    PostMessageW(Dialog().List(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    PostMessageW(Dialog().List(), WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    Key(VK_RETURN);
    FromPopup();
    EXPECT_EQ(fs.Stored(L"C:\\Data\\photos"), L"C:\\Data\\photos");
    EXPECT_EQ(fs.Stored(L"C:\\Data\\My Photos"), L"C:\\Data\\MY PHOTOS");
    ASSERT_EQ(state.targets.Count(), 1u);  // the unticked folder stays for another run
    EXPECT_EQ(state.targets.Text(0), L"C:\\Data\\photos");
    EXPECT_EQ(Dialog().ListTip(), L"C:\\Data\\My Photos\r\n\u2192 C:\\Data\\MY PHOTOS\r\n変更します");
}

// The tip of the row under the mouse follows its box at once: unticked, it
// says that the run leaves the folder alone.
TEST_F(PreviewDialogTest, AnUntickedRowsTipSaysTheRunLeavesItAlone) {
    ChooseMode(0);
    PostMessageW(GetDlgItem(Dialog().Handle(), IDCANCEL), BM_CLICK, 0, 0);
    FromPopup();
    RECT first{};
    first.left = LVIR_BOUNDS;
    SendMessageW(Dialog().List(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    LVHITTESTINFO hit{};
    hit.pt = {first.left + 8, (first.top + first.bottom) / 2};
    SendMessageW(Dialog().List(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    ChooseMode(0);
    const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
    PostMessageW(Dialog().List(), WM_MOUSEMOVE, 0, at);
    PostMessageW(Dialog().List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(Dialog().List(), WM_LBUTTONUP, 0, at);
    PostMessageW(GetDlgItem(Dialog().Handle(), IDCANCEL), BM_CLICK, 0, 0);
    FromPopup();
    EXPECT_EQ(Dialog().State().LeftOut(), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(Dialog().ListTip(), L"C:\\Data\\photos\r\n除外した為変更しません");
}

// A refused row is told apart in dark red; with high contrast on, every row
// takes the system's colours instead.
TEST_F(PreviewDialogTest, WithHighContrastTheRowsTakeTheSystemColours) {
    fs.MoveDir(L"C:\\Data\\DONE", L"C:\\Data\\gone");  // refused: the folder is gone
    Dialog().highContrast = [] { return false; };
    EXPECT_GT(ReddishPixelsOfThePreview(), 0);
    Dialog().highContrast = [] { return true; };
    EXPECT_EQ(ReddishPixelsOfThePreview(), 0);
}

TEST_F(PreviewDialogTest, KeepsItsPlaceAndSizeAndTheListFollowsTheSize) {
    for (const auto& [key, value] : {std::pair{L"Preview_Left", L"1500"},
                                     {L"Preview_Top", L"1200"},
                                     {L"Preview_Width", L"9000"},
                                     {L"Preview_Height", L"7000"}})
        store.StoreWrite(kAppName, kSectionName, key, value);
    window = std::make_unique<MainWindow>(state, services);
    ASSERT_TRUE(window->Create(SW_SHOWNORMAL));
    Pump();
    RECT box{}, list{};
    GetWindowRect(Dialog().Handle(), &box);
    const UINT dpi = WindowDpi(Dialog().Handle());
    EXPECT_EQ(box.left, TwipsToPixels(1500, dpi));
    EXPECT_EQ(box.right - box.left, TwipsToPixels(9000, dpi));
    SetWindowPos(Dialog().Handle(), nullptr, 0, 0, TwipsToPixels(12000, dpi), TwipsToPixels(8000, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(Dialog().List(), &list);
    GetWindowRect(Dialog().Handle(), &box);
    EXPECT_GT(list.right - list.left, (box.right - box.left) * 9 / 10);
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Preview_Width", L""), L"12000");
    EXPECT_EQ(store.StoreRead(kAppName, kSectionName, L"Preview_Top", L""), L"1200");
    testing::DropQuit();
}

}  // namespace
}  // namespace kelvaro
