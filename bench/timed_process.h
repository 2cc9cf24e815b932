// Starting the program under test from a benchmark and timing it.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "fakes/redirected_process.h"

namespace kelvaro::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// How a started program ran: seconds from start to exit, its exit code, its
// peak working set, and the size and first line of what it wrote.
struct Timed {
    double seconds = -1;
    DWORD exitCode = 99;
    double peakMb = 0;
    double outBytes = 0;
    std::string head;
};

// Starts `exe` with `arguments`, its output to `outFile`, and waits.
inline Timed TimeProcess(const std::wstring& exe, const std::wstring& arguments, const std::wstring& outFile) {
    PROCESS_INFORMATION info{};
    Timed timed;
    const auto start = Clock::now();
    if (testing::StartRedirected(exe, arguments, outFile, info)) {
        // Asked while the child runs: Wine answers only for a living process.
        size_t peak = 0;
        do {
            PROCESS_MEMORY_COUNTERS counters{};
            counters.cb = sizeof(counters);
            if (K32GetProcessMemoryInfo(info.hProcess, &counters, sizeof(counters)))
                peak = std::max(peak, static_cast<size_t>(counters.PeakWorkingSetSize));
        } while (WaitForSingleObject(info.hProcess, 50) == WAIT_TIMEOUT);
        timed.seconds = Seconds(Clock::now() - start);
        GetExitCodeProcess(info.hProcess, &timed.exitCode);
        timed.peakMb = static_cast<double>(peak) / (1 << 20);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    // The first line the program wrote and the size of what it wrote, to show it did the work.
    HANDLE written = CreateFileW(outFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    GetFileSizeEx(written, &size);
    char head[200] = {};
    DWORD read = 0;
    ReadFile(written, head, sizeof(head) - 1, &read, nullptr);
    CloseHandle(written);
    timed.outBytes = static_cast<double>(size.QuadPart);
    timed.head = std::string(head, read).substr(0, std::string(head, read).find('\r'));
    return timed;
}

}  // namespace kelvaro::bench
