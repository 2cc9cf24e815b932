#include "platform/win32_console.h"

#include <utility>

namespace kelvaro {

void Win32Console::Open(Stream& stream, DWORD which) {
    stream.opened = true;
    const HANDLE inherited = GetStdHandle(which);
    DWORD mode = 0;
    if (inherited && inherited != INVALID_HANDLE_VALUE) {
        if (GetConsoleMode(inherited, &mode)) {
            stream.handle = inherited;
            stream.console = true;
            return;
        }
        if (GetFileType(inherited) != FILE_TYPE_UNKNOWN) stream.handle = inherited;
    }
    // A program of the window subsystem inherits no console: it borrows its
    // parent's, if the parent has one. From Explorer there is none.
    if (!attachTried_) {
        attachTried_ = true;
        if (!GetConsoleWindow()) AttachConsole(ATTACH_PARENT_PROCESS);
    }
    if (!stream.handle) {
        stream.own.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        if (!stream.own) return;
        stream.handle = stream.own.get();
        stream.console = GetConsoleMode(stream.handle, &mode) != FALSE;
    }
    if (!stream.console) {
        // Redirected: the bytes a console program of this console would write.
        stream.codePage = utf8_ ? CP_UTF8 : GetConsoleOutputCP();
        if (stream.codePage == 0) stream.codePage = GetACP();
    }
}

void Win32Console::Write(Stream& stream, DWORD, const std::wstring& line) {
    if (!stream.handle) return;
    const std::wstring text = line + L"\r\n";
    const int length = static_cast<int>(text.size());
    DWORD done = 0;
    if (stream.console) {
        WriteConsoleW(stream.handle, text.c_str(), static_cast<DWORD>(length), &done, nullptr);
        return;
    }
    // No best-fit look-alikes: Café written as Cafe would name another folder.
    // UTF-8 (and the other code pages that refuse the flag) hold every character anyway.
    const bool exact = stream.codePage != CP_UTF8 && stream.codePage != CP_UTF7 && stream.codePage < 50000;
    const DWORD flags = exact ? WC_NO_BEST_FIT_CHARS : 0;
    const char* fallback = exact ? "?" : nullptr;
    const int size = WideCharToMultiByte(stream.codePage, flags, text.c_str(), length, nullptr, 0, fallback, nullptr);
    if (size <= 0) return;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(stream.codePage, flags, text.c_str(), length, bytes.data(), size, fallback, nullptr);
    WriteFile(stream.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

namespace {

// The columns `text` takes in a console: two for a wide (East Asian) character.
size_t Columns(const std::wstring& text) {
    size_t columns = 0;
    for (wchar_t c : text) columns += (c >= 0x1100 && c < 0xFF61) || (c >= 0xFFE0 && c <= 0xFFE6) ? 2 : 1;
    return columns;
}

}  // namespace

void Win32Console::Progress(const std::wstring& text) {
    if (!ErrorIsConsole()) return;
    // Back to the start of the line, the new text, and blanks over what is left of the old one.
    const size_t columns = Columns(text);
    std::wstring line = L"\r" + text;
    if (columns < progressWidth_) line += std::wstring(progressWidth_ - columns, L' ') + L"\r" + text;
    DWORD done = 0;
    WriteConsoleW(error_.handle, line.c_str(), static_cast<DWORD>(line.size()), &done, nullptr);
    progressWidth_ = columns;
}

void Win32Console::ClearProgress() {
    if (progressWidth_ == 0) return;
    const std::wstring line = L"\r" + std::wstring(progressWidth_, L' ') + L"\r";
    DWORD done = 0;
    WriteConsoleW(error_.handle, line.c_str(), static_cast<DWORD>(line.size()), &done, nullptr);
    progressWidth_ = 0;
}

namespace {

std::atomic<bool>* g_stop = nullptr;
HANDLE g_finished = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (g_stop) g_stop->store(true);
    // The process ends when this returns: let the folder in hand finish first.
    if ((type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) && g_finished)
        WaitForSingleObject(g_finished, 4000);
    return TRUE;
}

}  // namespace

ConsoleStopScope::ConsoleStopScope(const Win32Console&, std::atomic<bool>& stop) {
    g_stop = &stop;
    g_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

ConsoleStopScope::~ConsoleStopScope() {
    Finished();
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_stop = nullptr;
    if (g_finished) CloseHandle(std::exchange(g_finished, nullptr));
}

void ConsoleStopScope::Finished() {
    if (g_finished) SetEvent(g_finished);
}

}  // namespace kelvaro
