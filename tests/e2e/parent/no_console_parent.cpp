// Starts the command line it is given as Explorer starts a program: from a
// parent of the window subsystem, with no console to borrow and no standard
// handles to inherit. Waits for it and ends with its exit code; the program
// started ends with this one (a job), so a test that kills this process
// leaves nothing running.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;  // all three null
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, arguments, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &info))
        return 255;
    AssignProcessToJobObject(job, info.hProcess);
    ResumeThread(info.hThread);
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<int>(code);
}
