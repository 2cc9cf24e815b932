#pragma once
#include <windows.h>

#include <atomic>

#include "ports/console.h"
#include "platform/unique_handle.h"

namespace kelvaro {

// Writes to an inherited standard handle when there is one (a file, a pipe
// or a console), otherwise to the console of the parent process (attached at
// construction). A console gets UTF-16 text; a file or a pipe gets UTF-8
// when asked for, else bytes in the console's output code page, or the
// system's code page without a console, with "?" for what that cannot hold.
class Win32Console final : public IConsole {
public:
    explicit Win32Console(bool utf8 = false) : utf8_(utf8) {
        Open(out_, STD_OUTPUT_HANDLE);
        Open(error_, STD_ERROR_HANDLE);
    }
    Win32Console(const Win32Console&) = delete;
    Win32Console& operator=(const Win32Console&) = delete;

    void Out(const std::wstring& line) override {
        ClearProgress();
        Write(out_, STD_OUTPUT_HANDLE, line);
    }
    void Error(const std::wstring& line) override {
        ClearProgress();
        Write(error_, STD_ERROR_HANDLE, line);
    }
    bool ErrorIsConsole() override { return Present() && error_.console; }
    void Progress(const std::wstring& text) override;
    // True when error lines reach anything: false when started from Explorer.
    bool Present() {
        if (!error_.opened) Open(error_, STD_ERROR_HANDLE);
        return error_.handle != nullptr;
    }

private:
    struct Stream {
        bool opened = false;
        HANDLE handle = nullptr;  // not owned unless it is `own`
        UniqueFileHandle own;
        bool console = false;
        UINT codePage = 0;
    };
    void Open(Stream& stream, DWORD which);
    void Write(Stream& stream, DWORD which, const std::wstring& line);
    void ClearProgress();

    Stream out_, error_;
    bool attachTried_ = false;
    bool utf8_ = false;
    size_t progressWidth_ = 0;  // characters of the progress now shown; 0 when none
};

// While it lives, Ctrl+C, Ctrl+Break and closing the console set `stop`
// instead of ending the process in the middle of a rename; closing the
// console waits (briefly) for `Finished`. Attaching to a console drops the
// handlers registered before, so the scope takes the console it guards, which
// has attached already.
class ConsoleStopScope {
public:
    ConsoleStopScope(const Win32Console& attached, std::atomic<bool>& stop);
    ~ConsoleStopScope();
    ConsoleStopScope(const ConsoleStopScope&) = delete;
    ConsoleStopScope& operator=(const ConsoleStopScope&) = delete;
    void Finished();
};

}  // namespace kelvaro
