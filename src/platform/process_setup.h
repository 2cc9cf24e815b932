#pragma once

namespace kelvaro {

// True when the program runs under Wine: its ntdll exports wine_get_version.
bool RunningUnderWine();

// For the whole process: a drive without media (an empty card reader or
// optical drive) and a file that cannot be opened are failures the program
// reports, never the system's own "no disk" or error box.
void QuietSystemErrorBoxes();

}  // namespace kelvaro
