#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace kelvaro {

// Where the program keeps what outlives a run: its settings in the registry,
// its journal and its "Send to" shortcut. The services are given these, so
// that nothing but the program itself reaches the user's own.
struct UserLocations {
    HKEY registryRoot = HKEY_CURRENT_USER;
    std::wstring registryBase;  // below registryRoot; each application's key lies below it
    std::wstring journalFile;   // empty when no folder is known
    // Beside the journal: what went wrong unforeseen, for support (DiagnosticFile).
    std::wstring diagnosticsFile;
    std::wstring sendToFolder;  // empty when the shell names none
};

// Set by test harnesses only: a folder of their own under which a started
// program keeps all three (the registry under a key named after the folder).
inline constexpr const wchar_t* kTestRootVariable = L"KELVARO2_TEST_ROOT";

// HKEY_CURRENT_USER\Software\VB and VBA Program Settings,
// %LOCALAPPDATA%\Kelvaro2\journal.txt and the user's SendTo folder.
UserLocations RealUserLocations();
// <root>\Kelvaro2\journal.txt, <root>\SendTo, and the registry under
// HKEY_CURRENT_USER\Software\Kelvaro2 Tests\<root with each \ as _>.
UserLocations TestUserLocations(const std::wstring& root);
// The test locations when kTestRootVariable names a folder, else the real ones.
UserLocations ProgramUserLocations();
// A number the tests of the program give it through the environment variable
// `name` (a journal's size limit, the pause of a wait): read only by a
// program started with a test root of its own, so that nothing in a user's
// environment changes it; 0 when not given.
uint64_t TestSetting(const wchar_t* name);

}  // namespace kelvaro
