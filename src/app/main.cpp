#include <windows.h>

#include "app/command_line.h"
#include "app/placeholder_frame.h"
#include "app/startup.h"
#include "platform/registry_store.h"
#include "platform/win32_file_system.h"
#include "platform/win32_services.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    using namespace kelvaro;
    Win32FileSystem fs;
    RegistryStore store;
    Win32Clipboard clipboard;
    Win32Prompts prompts;
    Services services{store, fs, clipboard, prompts};
    AppState state(prompts);

    const std::wstring commandLine = ArgumentsText(GetCommandLineW());
    if (RunStartup(state, services, commandLine) == StartupOutcome::Exit) return 0;

    PlaceholderFrame frame(state, services);
    if (!frame.Create(instance, show)) return 1;
    return RunMessageLoop();
}
