// Takes the pictures of the user guide from the real program: starts
// Kelvaro2.exe (beside this program) with a test root of its own (settings,
// journal and folders made here), sets up each scene through window messages,
// photographs the window and writes it as a PNG into the folder named on the
// command line. The main window's picture gets its parts numbered; the guide
// explains the numbers in the same order (doc/guide.md, "画面の見かた").
// Everything is found by window class, caption and control id, never by a
// position on the screen. Ends with 0 when every picture was written.
// Usage: Kelvaro2GuidePictures.exe OUTPUT-FOLDER
#include <windows.h>
#include <commctrl.h>
#include <wincodec.h>

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/catalog.h"
#include "platform/registry_store.h"
#include "platform/user_locations.h"
#include "resource.h"
#include "settings/app_settings.h"
#include "windows/mode_buttons.h"
#include "windows/shared_menu.h"

namespace kelvaro {
namespace {

// A scene that does not come about in time: the guide would show something
// else than it says.
struct SceneError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Narrow(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length) - 1);
    return narrow;
}

void Require(bool holds, const std::wstring& what) {
    if (!holds) throw SceneError(Narrow(what));
}

// Waits up to `ms` for `ready`.
bool WaitFor(const std::function<bool()>& ready, DWORD ms = 30000) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (!ready()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(50);
    }
    return true;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// The visible top-level window of `pid` of `className`, with `title` when one
// is given.
HWND FindTopWindow(DWORD pid, const std::wstring& className, const std::wstring& title = {}) {
    struct Search {
        DWORD pid;
        const std::wstring &className, &title;
        HWND found;
    } search{pid, className, title, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s.pid && IsWindowVisible(hwnd) && ClassOf(hwnd) == s.className &&
                (s.title.empty() || WindowText(hwnd) == s.title)) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopWindow(DWORD pid, const std::wstring& className, const std::wstring& title = {}) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindTopWindow(pid, className, title)) != nullptr; });
    Require(found != nullptr, L"no window " + className + L" " + title);
    return found;
}

std::vector<HWND> Children(HWND parent, const std::wstring& className) {
    struct Search {
        const std::wstring& className;
        std::vector<HWND> found;
    } search{className, {}};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            if (IsWindowVisible(hwnd) && ClassOf(hwnd) == s.className) s.found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ChildWithText(HWND parent, const std::wstring& className, const std::wstring& text) {
    for (HWND child : Children(parent, className))
        if (WindowText(child) == text) return child;
    Require(false, L"no " + className + L" " + text);
    return nullptr;
}

// Settles what a message started: the window has handled everything sent
// before, and painted.
void Settle(HWND hwnd, DWORD ms = 400) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    Sleep(ms);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    Sleep(ms);
}

// Memory in another process, for the list view messages that take a pointer.
class RemoteMemory {
public:
    RemoteMemory(HWND owner, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        Require(process_ != nullptr, L"cannot open the program's process");
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        Require(address_ != nullptr, L"cannot reserve memory in the program's process");
    }
    ~RemoteMemory() {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* Address(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
    void Write(const void* data, size_t size, size_t offset = 0) const {
        WriteProcessMemory(process_, Address(offset), data, size, nullptr);
    }
    void Read(void* data, size_t size, size_t offset = 0) const {
        ReadProcessMemory(process_, Address(offset), data, size, nullptr);
    }

private:
    size_t size_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

std::wstring ListViewText(HWND list, int row) {
    RemoteMemory memory(list, sizeof(LVITEMW) + 520 * sizeof(wchar_t));
    LVITEMW item{};
    item.iSubItem = 0;
    item.cchTextMax = 520;
    item.pszText = static_cast<wchar_t*>(memory.Address(sizeof(LVITEMW)));
    memory.Write(&item, sizeof(item));
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.Address()));
    wchar_t text[520] = {};
    memory.Read(text, sizeof(text) - sizeof(wchar_t), sizeof(LVITEMW));
    return text;
}

void SelectListViewRow(HWND list, int row) {
    RemoteMemory memory(list, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    memory.Write(&item, sizeof(item));
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(memory.Address()));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.Write(&item, sizeof(item));
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.Address()));
}

// A picture of a rectangle of the screen, to draw on and to save.
class Picture {
public:
    explicit Picture(const RECT& screen) : origin_{screen.left, screen.top} {
        width_ = screen.right - screen.left;
        height_ = screen.bottom - screen.top;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screenDc = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screenDc);
        bitmap_ = CreateDIBSection(screenDc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        BitBlt(dc_, 0, 0, width_, height_, screenDc, screen.left, screen.top, SRCCOPY);
        ReleaseDC(nullptr, screenDc);
    }
    ~Picture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // A round badge with `number`, centred on the screen point `at`.
    void Badge(POINT at, int number) {
        const int x = at.x - origin_.x, y = at.y - origin_.y, r = 11;
        HPEN pen = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
        HBRUSH brush = CreateSolidBrush(RGB(200, 30, 30));
        HGDIOBJ oldPen = SelectObject(dc_, pen), oldBrush = SelectObject(dc_, brush);
        Ellipse(dc_, x - r, y - r, x + r + 1, y + r + 1);
        SelectObject(dc_, oldPen);
        SelectObject(dc_, oldBrush);
        DeleteObject(pen);
        DeleteObject(brush);
        HFONT font = CreateFontW(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Arial");
        HGDIOBJ oldFont = SelectObject(dc_, font);
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, RGB(255, 255, 255));
        RECT box{x - r, y - r, x + r + 1, y + r + 1};
        const std::wstring text = std::to_wstring(number);
        DrawTextW(dc_, text.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc_, oldFont);
        DeleteObject(font);
    }

    void SavePng(const std::wstring& path) const {
        GdiFlush();
        // The screen has no alpha: every pixel opaque.
        for (int i = 0; i < width_ * height_; ++i) bits_[i * 4 + 3] = 0xFF;
        IWICImagingFactory* factory = nullptr;
        IWICStream* stream = nullptr;
        IWICBitmapEncoder* encoder = nullptr;
        IWICBitmapFrameEncode* frame = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
        if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
        if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
        if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
        if (SUCCEEDED(hr)) hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
        if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
        if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
        if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(width_), static_cast<UINT>(height_));
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
        if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
        if (SUCCEEDED(hr))
            hr = frame->WritePixels(static_cast<UINT>(height_), static_cast<UINT>(width_) * 4,
                                    static_cast<UINT>(width_ * height_ * 4), bits_);
        if (SUCCEEDED(hr)) hr = frame->Commit();
        if (SUCCEEDED(hr)) hr = encoder->Commit();
        if (frame) frame->Release();
        if (encoder) encoder->Release();
        if (stream) stream->Release();
        if (factory) factory->Release();
        Require(SUCCEEDED(hr), L"cannot write " + path);
    }

private:
    POINT origin_;
    int width_ = 0, height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    BYTE* bits_ = nullptr;
};

RECT WindowRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

void MakeDir(const std::wstring& path) {
    Require(CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS, L"cannot make " + path);
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

// A started program; ended if still running when the scenes are done.
class Started {
public:
    Started(std::wstring commandLine, const std::wstring& folder, DWORD flags = 0) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        Require(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr, folder.c_str(),
                               &startup, &info_) != FALSE,
                L"cannot start " + commandLine);
    }
    ~Started() {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    DWORD Id() const { return info_.dwProcessId; }
    bool Ends(DWORD ms) const { return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION info_{};
};

class Scenes {
public:
    explicit Scenes(std::wstring output) : output_(std::move(output)) {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring path = self;
        programFolder_ = path.substr(0, path.rfind(L'\\'));
        // The test root and the photo folder sit at the top of the C: drive,
        // so that the paths in the pictures are short: the drive of the
        // pictures' own Wine prefix, where what an earlier run left is removed.
        root_ = L"C:\\kelvaro2-guide";
        photos_ = L"C:\\写真";
        RemoveTree(photos_);
        RemoveTree(root_);
        MakeDir(root_);
        MakeDir(photos_);
        SetEnvironmentVariableW(kTestRootVariable, root_.c_str());
        locations_ = TestUserLocations(root_);
    }
    ~Scenes() {
        RegDeleteTreeW(locations_.registryRoot, locations_.registryBase.c_str());
        RegDeleteKeyW(locations_.registryRoot, L"Software\\Kelvaro2 Tests");
        RemoveTree(photos_);
        RemoveTree(root_);
    }
    Scenes(const Scenes&) = delete;
    Scenes& operator=(const Scenes&) = delete;

    void Run() {
        for (const wchar_t* name :
             {L"Family", L"Travel", L"デジカメ", L"ＤＡＴＡ", L"2023 summer", L"My Album", L"school", L"sports", L"ﾒﾓ"})
            MakeDir(photos_ + L"\\" + name);
        Settings();
        EarlierRuns();
        MainWindowScenes();
        ConsoleScene();
    }

private:
    std::wstring Program(const wchar_t* name) const { return programFolder_ + L"\\" + name; }

    void Settings() {
        RegistryStore store(locations_.registryRoot, locations_.registryBase);
        const auto put = [&](const wchar_t* key, const wchar_t* value) {
            store.StoreWrite(kAppName, kSectionName, key, value);
        };
        put(L"Version", L"1.02");
        put(L"Confirm", L"True");  // a mode button shows the preview first
    }

    // Two runs from the command line, for the runs on record.
    void EarlierRuns() {
        for (const std::wstring arguments : {L"/MODE:2 Family Travel", L"/MODE:6 デジカメ"}) {
            Started run(L"\"" + Program(L"Kelvaro2.com") + L"\" " + arguments, photos_, CREATE_NO_WINDOW);
            Require(run.Ends(60000), L"a run from the command line did not end: " + arguments);
        }
    }

    void MainWindowScenes() {
        std::wstring arguments;
        for (const wchar_t* name : {L"family", L"travel", L"2023 summer", L"My Album", L"school", L"sports", L"ﾒﾓ"})
            arguments += L" \"" + photos_ + L"\\" + name + L"\"";
        Started program(L"\"" + Program(L"Kelvaro2.exe") + L"\"" + arguments, photos_);
        const HWND frame = WaitForTopWindow(program.Id(), L"Kelvaro2Frame");
        Settle(frame);

        // The preview of 「LFN除」 with one folder unticked.
        const HWND mode = GetDlgItem(frame, ModeButtons::kFirstModeId + 1);
        Require(mode != nullptr, L"no mode button");
        PostMessageW(mode, BM_CLICK, 0, 0);
        const HWND preview = WaitForTopWindow(program.Id(), L"#32770", ResKelvaroText(KText::PreviewCaption));
        const HWND list = GetDlgItem(preview, IDC_PRE_LIST);
        Require(WaitFor([&] { return ListView_GetItemCount(list) > 0; }), L"the preview lists nothing");
        int unticked = -1;
        for (int row = 0; row < ListView_GetItemCount(list); ++row)
            if (ListViewText(list, row).ends_with(L"\\school")) unticked = row;
        Require(unticked >= 0, L"school is not in the preview");
        SelectListViewRow(list, unticked);
        SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageW(list, WM_KEYUP, VK_SPACE, 0);
        Settle(preview);
        Save(Picture(WindowRect(preview)), L"preview.png");

        // The run, and the main window after it.
        PostMessageW(GetDlgItem(preview, IDOK), BM_CLICK, 0, 0);
        Require(WaitFor([&] { return !IsWindow(preview) || !IsWindowVisible(preview); }), L"the preview stays");
        Require(WaitFor([&] { return IsWindowEnabled(mode) != FALSE; }), L"the run does not end");
        Settle(frame, 800);
        MainWindowPicture(frame);

        // The runs on record.
        PostMessageW(frame, WM_COMMAND, kMenuRuns, 0);
        const HWND runs = WaitForTopWindow(program.Id(), L"#32770", ResKelvaroText(KText::RunsCaption));
        Settle(runs);
        Save(Picture(WindowRect(runs)), L"runs.png");
        PostMessageW(runs, WM_COMMAND, IDCANCEL, 0);
        Require(WaitFor([&] { return !IsWindowVisible(runs); }), L"the runs stay");

        // The options.
        PostMessageW(frame, WM_COMMAND, kMenuOption, 0);
        const HWND options = WaitForTopWindow(program.Id(), L"#32770", ResKelvaroText(KText::OptionCaption));
        Settle(options);
        Save(Picture(WindowRect(options)), L"options.png");
        PostMessageW(options, WM_COMMAND, IDCANCEL, 0);
        Require(WaitFor([&] { return !IsWindowVisible(options); }), L"the options stay");

        PostMessageW(frame, WM_CLOSE, 0, 0);
        Require(program.Ends(30000), L"the program does not end");
    }

    // A command prompt after a run with /TSV: one line a folder for a script,
    // the summary below it. The console's title is set once the run has ended.
    void ConsoleScene() {
        HKEY console = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Console", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &console, nullptr) ==
            ERROR_SUCCESS) {
            const DWORD size = (9u << 16) | 76u;  // rows, columns: the lines of the run and the prompt
            RegSetValueExW(console, L"WindowSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
            RegCloseKey(console);
        }
        wchar_t program[MAX_PATH] = {};
        GetShortPathNameW(Program(L"Kelvaro2.com").c_str(), program, MAX_PATH);  // no blank for cmd to split at
        const std::wstring title = L"コマンド プロンプト";
        Started shell(L"cmd.exe /k " + std::wstring(program) + L" /MODE:full /TSV SPORTS ＤＡＴＡ ﾒﾓ & title " + title,
                      photos_, CREATE_NEW_CONSOLE);
        HWND window = nullptr;
        Require(WaitFor([&] { return (window = FindWindowW(nullptr, title.c_str())) != nullptr; }),
                L"no command prompt after the run");
        Settle(window, 800);
        Save(Picture(WindowRect(window)), L"console.png");
        PostMessageW(window, WM_CLOSE, 0, 0);
    }

    // The main window with its parts numbered, in the order the guide explains them.
    void MainWindowPicture(HWND frame) {
        SetForegroundWindow(frame);
        Settle(frame);
        Picture picture(WindowRect(frame));
        POINT client{0, 0};
        ClientToScreen(frame, &client);
        const RECT window = WindowRect(frame);
        // 1: the menu bar, just above the client area, right of its items.
        picture.Badge({window.left + (window.right - window.left) * 3 / 4, client.y - 10}, 1);
        // 2: the mode buttons, on the first one's lower left corner; 3: Cancel, on its upper right corner.
        const RECT first = WindowRect(GetDlgItem(frame, ModeButtons::kFirstModeId));
        picture.Badge({first.left, first.bottom - 2}, 2);
        const RECT cancel = WindowRect(GetDlgItem(frame, ModeButtons::kCancelId));
        picture.Badge({cancel.right - 4, cancel.top + 2}, 3);
        // 4 to 8: the child windows, on their title bars.
        int number = 4;
        for (KText caption : {KText::FolderWindowCaption, KText::SubfolderWindowCaption, KText::TargetWindowCaption,
                              KText::HistoryWindowCaption, KText::ChangedWindowCaption}) {
            const HWND child = ChildWithText(frame, L"Kelvaro2Child", ResKelvaroText(caption));
            const RECT rect = WindowRect(child);
            POINT inside{0, 0};
            ClientToScreen(child, &inside);
            picture.Badge({rect.left + (rect.right - rect.left) * 2 / 3, (rect.top + inside.y) / 2 + 1}, number++);
        }
        Save(picture, L"main.png");
    }

    void Save(const Picture& picture, const wchar_t* name) {
        picture.SavePng(output_ + L"\\" + name);
        std::printf("%s\n", Narrow(name).c_str());
    }

    std::wstring output_, programFolder_, root_, photos_;
    UserLocations locations_;
};

}  // namespace
}  // namespace kelvaro

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: Kelvaro2GuidePictures.exe OUTPUT-FOLDER\n");
        return 2;
    }
    // It makes and removes folders at the top of C:, which only the build's
    // own Wine prefix may lend it.
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        std::fprintf(stderr, "the guide's pictures: this runs under Wine only\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 0;
    try {
        kelvaro::Scenes scenes(argv[1]);
        scenes.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "the guide's pictures: %s\n", error.what());
        status = 1;
    }
    CoUninitialize();
    return status;
}
