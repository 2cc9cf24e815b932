#pragma once
// What the end-to-end tests of the real Kelvaro2.exe share: starting it,
// the clipboard, and a registry prepared for each test.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/redirected_process.h"
#include "fakes/temp_dir.h"
#include "platform/registry_store.h"
#include "platform/win32_journal_store.h"
#include "platform/user_locations.h"
#include "settings/app_settings.h"

namespace kelvaro::testing {

// What the program wrote in code page 932 (a redirection, a log file).
inline std::wstring FromCodePage932(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

inline std::wstring ProgramPath() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.rfind(L'\\') + 1) + L"Kelvaro2.exe";
}

// The console companion beside it, which cmd and PowerShell start for scripts.
inline std::wstring ConsoleProgramPath() {
    const std::wstring exe = ProgramPath();
    return exe.substr(0, exe.size() - 4) + L".com";
}

inline std::wstring ClipboardText() {
    std::wstring text;
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) Sleep(25);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

inline void SetClipboardSentinel(HWND owner) {
    OpenClipboard(owner);
    EmptyClipboard();
    const wchar_t sentinel[] = L"sentinel";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(sentinel));
    memcpy(GlobalLock(memory), sentinel, sizeof(sentinel));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

// The settings key, journal and "Send to" folder of every program a test
// starts: below a fresh folder that the started programs are named through
// kTestRootVariable (they inherit it), never the user's own.
class IsolatedLocations {
public:
    IsolatedLocations()
        : locations(TestUserLocations(root.Path())), store(locations.registryRoot, locations.registryBase) {
        SetEnvironmentVariableW(kTestRootVariable, root.Path().c_str());
    }
    ~IsolatedLocations() {
        RegDeleteTreeW(locations.registryRoot, locations.registryBase.c_str());
        RegDeleteKeyW(locations.registryRoot, L"Software\\Kelvaro2 Tests");  // removed once empty
    }
    IsolatedLocations(const IsolatedLocations&) = delete;
    IsolatedLocations& operator=(const IsolatedLocations&) = delete;

    TempDir root;
    UserLocations locations;
    RegistryStore store;  // where the started programs keep their settings
};

// True when programs started now keep their data below a test root.
inline bool Isolated() {
    return GetEnvironmentVariableW(kTestRootVariable, nullptr, 0) > 1;
}

// A started Kelvaro2.exe; killed if a test leaves it running.
class Program {
public:
    // `flags` as CreateProcessW takes them. `launcher`, a program beside the
    // tests, starts it (see parent/no_console_parent.cpp).
    explicit Program(const std::wstring& arguments, DWORD flags = 0, const std::wstring& launcher = {}) {
        std::wstring commandLine = L"\"" + ProgramPath() + L"\" " + arguments;
        if (!launcher.empty()) {
            const std::wstring exe = ProgramPath();
            commandLine = L"\"" + exe.substr(0, exe.rfind(L'\\') + 1) + launcher + L"\" " + commandLine;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started_ = Isolated() && CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                                                nullptr, &startup, &info_) != FALSE;
    }
    ~Program() {
        if (started_) {
            if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
    }
    bool Started() const { return started_; }
    // Ends the process at once, as a crash or the task manager would.
    void Kill() {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 10000);
    }
    // True when the process ended by itself within `ms`.
    bool Ends(DWORD ms) const { return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    // The first visible top-level window of the process (or of one it
    // started) with `className`, waiting up to `ms`.
    HWND FindWindowOfClass(const wchar_t* className, DWORD ms) const {
        struct Search {
            std::vector<DWORD> pids;
            const wchar_t* className;
            HWND found;
        } search{{}, className, nullptr};
        const auto deadline = GetTickCount64() + ms;
        while (!search.found && GetTickCount64() < deadline) {
            search.pids = ProcessAndChildren();
            EnumWindows(
                [](HWND hwnd, LPARAM param) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(param);
                    DWORD pid = 0;
                    GetWindowThreadProcessId(hwnd, &pid);
                    wchar_t cls[64] = {};
                    GetClassNameW(hwnd, cls, 64);
                    if (std::find(s->pids.begin(), s->pids.end(), pid) != s->pids.end() && IsWindowVisible(hwnd) &&
                        wcscmp(cls, s->className) == 0) {
                        s->found = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            if (!search.found) Sleep(50);
        }
        return search.found;
    }

private:
    // Every process naming this one as its parent, not just the first: Wine
    // reuses process ids at once, so a process left from an earlier test may
    // name a parent that had this one's id.
    std::vector<DWORD> ProcessAndChildren() const {
        std::vector<DWORD> pids{info_.dwProcessId};
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return pids;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
            if (entry.th32ParentProcessID == info_.dwProcessId) pids.push_back(entry.th32ProcessID);
        CloseHandle(snapshot);
        return pids;
    }

    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

// The Linux path of `path` under Wine; empty elsewhere.
inline std::wstring UnixPath(const std::wstring& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name) return {};
    wchar_t wide[4096] = {};
    MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, 4096);
    HeapFree(GetProcessHeap(), 0, name);
    return wide;
}

// Starts a Linux program (`Z:\bin\ln`) from this Windows process. Wine gives
// no handle to wait on: the caller watches the disk for what it does.
inline void StartLinuxTool(const wchar_t* program, std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return;
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
}

// Drive Q: of this Wine prefix, leading to `folder` while it lives: a link in
// the prefix's dosdevices folder (Wine refuses DefineDosDeviceW), made and
// removed by the Linux tools, which Wine starts from a Windows process. Wine
// reads the links at every lookup, so the drive comes and goes at once.
class WineDriveQ {
public:
    explicit WineDriveQ(const std::wstring& folder) {
        const std::wstring c = UnixPath(L"C:\\");  // <prefix>/dosdevices/c:/
        if (c.size() < 3) return;
        link_ = c.substr(0, c.size() - 3) + L"q:";
        StartLinuxTool(L"Z:\\bin\\ln", L"ln -s \"" + UnixPath(folder) + L"\" \"" + link_ + L"\"");
        Await(true);
    }
    ~WineDriveQ() {
        if (link_.empty()) return;
        StartLinuxTool(L"Z:\\bin\\rm", L"rm -f \"" + link_ + L"\"");
        Await(false);
    }
    WineDriveQ(const WineDriveQ&) = delete;
    WineDriveQ& operator=(const WineDriveQ&) = delete;

private:
    // Wine starts a Linux program without a handle to wait on: the drive itself tells when it is done.
    static void Await(bool there) {
        for (int i = 0; i < 250 && (GetFileAttributesW(L"Q:\\") != INVALID_FILE_ATTRIBUTES) != there; ++i) Sleep(20);
    }
    std::wstring link_;
};

inline std::wstring WindowText(HWND hwnd) {
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    return text;
}

inline std::string ReadShared(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

inline void WriteWhole(const std::wstring& path, const std::string& bytes) {
    CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Runs Kelvaro2.com with `arguments` and its output going to `out`; gives its exit code.
inline DWORD RunConsole(const std::wstring& arguments, const std::wstring& out) {
    PROCESS_INFORMATION info{};
    DWORD code = 0xFFFFFFFF;
    if (StartRedirected(ConsoleProgramPath(), arguments, out, info)) {
        if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    return code;
}

// Kelvaro2.com started with both output streams to a file.
class ConsoleRun {
public:
    ConsoleRun(const std::wstring& arguments, const std::wstring& out) {
        started_ = StartRedirected(ConsoleProgramPath(), arguments, out, info_);
    }
    ~ConsoleRun() {
        if (started_) {
            if (!Ends(0)) TerminateProcess(info_.hProcess, 99);
            CloseHandle(info_.hProcess);
            CloseHandle(info_.hThread);
        }
    }
    bool Started() const { return started_; }
    bool Ends(DWORD ms) const { return WaitForSingleObject(info_.hProcess, ms) == WAIT_OBJECT_0; }
    void Kill() {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 10000);
    }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ClearSettings();
        clipboardOwner_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetClipboardSentinel(clipboardOwner_);
    }
    void TearDown() override {
        ClearSettings();
        DestroyWindow(clipboardOwner_);
    }
    void ClearSettings() {
        store.StoreDelete(kAppName, L"");
        store.StoreDelete(kOldAppName, L"");
    }
    void Put(const std::wstring& key, const std::wstring& value) {
        store.StoreWrite(kAppName, kSectionName, key, value);
    }
    std::wstring Get(const std::wstring& app, const std::wstring& key) {
        return store.StoreRead(app, kSectionName, key, L"<absent>");
    }

    // The journal of the programs this test starts: the path of the file
    // appended to, and its bytes, every segment read as one.
    const std::wstring& JournalPath() const { return isolated.locations.journalFile; }
    std::string JournalBytes() const { return Win32JournalStore(JournalPath()).ReadAll().value_or(""); }
    // Puts a journal of one file in its place, as an earlier version left it.
    void WriteJournal(const std::string& bytes) const {
        const auto segments = Win32JournalStore(JournalPath()).Segments();
        for (size_t i = 0; segments && i + 1 < segments->size(); ++i)
            DeleteFileW((JournalPath() + L"." + std::to_wstring((*segments)[i].number)).c_str());
        WriteWhole(JournalPath(), bytes);
    }

    IsolatedLocations isolated;
    RegistryStore& store = isolated.store;
    TempDir dir;
    HWND clipboardOwner_ = nullptr;
};

}  // namespace kelvaro::testing
