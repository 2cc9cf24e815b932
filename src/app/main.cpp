#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "platform/registry_store.h"
#include "platform/send_to.h"
#include "platform/win32_file_system.h"
#include "platform/win32_journal_store.h"
#include "platform/win32_services.h"

// Initialises OLE (drag and drop) for the life of the program.
class OleScope {
public:
    OleScope() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleScope() {
        if (ok_) OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

private:
    bool ok_;
};

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    using namespace kelvaro;
    OleScope ole;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    HWND owner = nullptr;
    Win32FileSystem fs;
    RegistryStore store;
    Win32Clipboard clipboard;
    Win32Prompts prompts(&owner);
    Win32JournalStore journalStore(Win32JournalStore::DefaultPath());
    RenameJournal journal(journalStore);
    Win32SendToLink sendTo;
    Services services{store, fs, clipboard, prompts, &journal, &sendTo};
    AppState state(prompts);

    const std::wstring commandLine = ArgumentsText(GetCommandLineW());
    if (RunStartup(state, services, commandLine) == StartupOutcome::Exit) return 0;

    MainWindow window(state, services);
    if (!window.Create(show)) return 1;
    owner = window.Handle();
    return RunMainLoop(window);
}
