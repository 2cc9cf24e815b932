// Starting a program with its output going to files, as cmd does for "> out.txt".
#pragma once
#include <windows.h>

#include <string>

namespace kelvaro::testing {

// Starts `exe` with `arguments` after its quoted path, its standard output
// going to the file `out` and its standard error to `err` (to `out` as well
// when empty), both made anew; `info` gets the process and its thread, for
// the caller to close. False when it could not be started.
inline bool StartRedirected(const std::wstring& exe,
                            const std::wstring& arguments,
                            const std::wstring& out,
                            PROCESS_INFORMATION& info,
                            const std::wstring& err = {},
                            const wchar_t* currentDir = nullptr) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE outFile = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE errFile = err.empty() ? outFile
                                 : CreateFileW(err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                                               nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outFile;
    startup.hStdError = errFile;
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    info = {};
    const bool started =
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, currentDir, &startup, &info);
    // The program has its own copies now.
    CloseHandle(outFile);
    if (errFile != outFile) CloseHandle(errFile);
    return started;
}

}  // namespace kelvaro::testing
