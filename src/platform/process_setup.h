#pragma once
#include <atomic>
#include <string>

namespace kelvaro {

// The full path of the running program's file: Kelvaro2.exe, or Kelvaro2.com
// when the console companion runs.
std::wstring RunningProgramPath();
// The folder that file lies in, ending in a backslash: where the guide and
// the other program file are.
std::wstring ProgramFolder();

// True when the program runs under Wine: its ntdll exports wine_get_version.
bool RunningUnderWine();

// For the whole process: a drive without media (an empty card reader or
// optical drive) and a file that cannot be opened are failures the program
// reports, never the system's own "no disk" or error box.
void QuietSystemErrorBoxes();

// Sleeps `ms` milliseconds in short steps, ending as soon as `stop` is set
// (Ctrl+C, Cancel); false when it was.
bool PauseUnlessStopped(unsigned ms, const std::atomic<bool>& stop);

}  // namespace kelvaro
