#include "platform/process_setup.h"

#include <algorithm>

#include <windows.h>

namespace kelvaro {

std::wstring RunningProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    // A path longer than the buffer comes back cut to its size: try a larger one.
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    return path;
}

std::wstring ProgramFolder() {
    const std::wstring program = RunningProgramPath();
    return program.substr(0, program.rfind(L'\\') + 1);
}

bool RunningUnderWine() {
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

void QuietSystemErrorBoxes() {
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

bool PauseUnlessStopped(unsigned ms, const std::atomic<bool>& stop) {
    constexpr unsigned kSlice = 20;
    for (unsigned waited = 0; waited < ms && !stop.load(); waited += kSlice) Sleep(std::min(kSlice, ms - waited));
    return !stop.load();
}

}  // namespace kelvaro
