#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/script_run.h"
#include "app/startup.h"
#include "engine/catalog.h"
#include "engine/diagnostics.h"
#include "platform/diagnostic_file.h"
#include "platform/process_setup.h"
#include "platform/registry_store.h"
#include "platform/user_locations.h"
#include "platform/win32_console.h"
#include "platform/win32_file_system.h"
#include "platform/win32_journal_store.h"
#include "platform/win32_send_to.h"
#include "platform/win32_services.h"
#include "windows/font.h"
#include "windows/preview_dialog.h"
#include "windows/turn_wait_window.h"
#include "windows/window_base.h"

namespace {

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

// The clipboard's owner window is made only when something is copied.
class LazyClipboard final : public kelvaro::IClipboard {
public:
    bool SetText(const std::wstring& text) override {
        if (!clipboard_) clipboard_ = std::make_unique<kelvaro::Win32Clipboard>();
        return clipboard_->SetText(text);
    }

private:
    std::unique_ptr<kelvaro::Win32Clipboard> clipboard_;
};

// Passes every line on and keeps what a message box shows when nobody sees
// the console: the complaint about bad usage, or the usage itself.
class KeptConsole final : public kelvaro::IConsole {
public:
    explicit KeptConsole(kelvaro::IConsole& inner) : inner_(inner) {}
    void Out(const std::wstring& line) override {
        inner_.Out(line);
        if (kept_.size() < 4096) kept_ += line + L"\r\n";
    }
    void Error(const std::wstring& line) override {
        inner_.Error(line);
        if (kept_.size() < 4096) kept_ += line + L"\r\n";
    }
    bool ErrorIsConsole() override { return inner_.ErrorIsConsole(); }
    void Progress(const std::wstring& text) override { inner_.Progress(text); }
    const std::wstring& Kept() const { return kept_; }

private:
    kelvaro::IConsole& inner_;
    std::wstring kept_;
};

int RunScriptLine(const kelvaro::ScriptCommand& command) {
    using namespace kelvaro;
    const UserLocations locations = ProgramUserLocations();
    Win32FileSystem fs;
    RegistryStore store(locations.registryRoot, locations.registryBase);
    LazyClipboard clipboard;
    Win32Console console(command.utf8);
    KeptConsole kept(console);
    std::atomic<bool> stop{false};
    ConsoleStopScope stopScope(console, stop);
    // Ctrl+C also ends the wait for a folder in use, and for another copy's journal turn.
    auto pause = [&stop](unsigned ms) { return PauseUnlessStopped(ms, stop); };
    fs.SetRetryPause(pause);
    const std::wstring& journalPath = locations.journalFile;
    const std::wstring folder = ProgramFolder();
    // Where the journal lives and where the program runs from are never renamed.
    fs.SetOwnFolders({journalPath.substr(0, journalPath.find_last_of(L'\\')), folder});
    Win32JournalStore journalStore(journalPath);
    RenameJournal journal(journalStore);
    KeepUnrecordedMark(journal, store);
    DiagnosticFile diagnostics(locations.diagnosticsFile);
    const DiagnosticsScope diagnosticsScope(diagnostics);
    // Without a console (the program itself started with /UNDO, say), a wait
    // for another copy's turn shows a window of its own, with キャンセル.
    std::unique_ptr<TurnWaitWindow> waitWindow;
    if (console.Present()) {
        journal.SetTurnPause(pause);
    } else {
        waitWindow = std::make_unique<TurnWaitWindow>();
        journal.SetTurnPause([&](unsigned ms) { return pause(0) && waitWindow->Pause(ms); });
    }
    journal.SetTurnNotice([&kept] { kept.Error(ResKelvaroText(KText::WaitingForTurnLine)); });
    // The tests of the program wait for another copy's turn in short steps, to
    // show that a wait has no limit without waiting minutes: only a program
    // started by the tests (with a test root of its own) takes this.
    if (const uint64_t step = TestSetting(L"KELVARO2_TURN_PAUSE_MS"))
        journal.SetTurnPauseLength(static_cast<unsigned>(step));
    ScriptServices services{store, fs, clipboard, kept, &stop, &journal, {}};
    // A log file must not replace the journal (or anything beside it) nor the program's own files.
    services.ownFiles.push_back(journalPath.substr(0, journalPath.find_last_of(L'\\') + 1));
    for (const wchar_t* beside : {L"", L".index", L".lock"}) services.ownFiles.push_back(journalPath + beside);
    services.ownFiles.push_back(locations.diagnosticsFile);
    for (const wchar_t* name : {L"Kelvaro2.exe", L"Kelvaro2.com", L"KELVARO2.html"})
        services.ownFiles.push_back(folder + name);
    const int code = RunScript(command, services);
    // Started without a console (a "Send to" shortcut someone edited), bad
    // usage and the usage are told in a message box instead.
    if ((command.usage || !command.error.empty()) && !console.Present())
        MessageBoxW(nullptr, kept.Kept().c_str(), kAppTitle, MB_OK);
    return code;
}

int RunProgram(int show) {
    using namespace kelvaro;
    QuietSystemErrorBoxes();
    const std::wstring commandLine = ArgumentsText(GetCommandLineW());
    const ScriptCommand command = ParseScriptCommand(commandLine);
    if (command.script) return RunScriptLine(command);

    OleScope ole;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    HWND owner = nullptr;
    const UserLocations locations = ProgramUserLocations();
    Win32FileSystem fs;
    fs.SetOwnFolders({locations.journalFile.substr(0, locations.journalFile.find_last_of(L'\\')), ProgramFolder()});
    RegistryStore store(locations.registryRoot, locations.registryBase);
    Win32Clipboard clipboard;
    Win32Prompts prompts(&owner);
    Win32JournalStore journalStore(locations.journalFile);
    RenameJournal journal(journalStore);
    KeepUnrecordedMark(journal, store);
    DiagnosticFile diagnostics(locations.diagnosticsFile);
    const DiagnosticsScope diagnosticsScope(diagnostics);
    Win32SendToLink sendTo(locations.sendToFolder);
    Services services{store, fs, clipboard, prompts, &journal, &sendTo};
    AppState state(prompts);

    // With "実行前に確認する" on, a "Send to" run shows its preview alone first.
    const ConfirmRun confirm = [&state, &services](int16_t mode) {
        SettingsFont font;
        PreviewDialog preview(state, services);
        if (!preview.Load(nullptr, ScreenTwipsNow())) throw std::runtime_error("preview");
        const UINT dpi = GetDpiForWindow(preview.Handle());
        preview.ApplyFont(font.Create(state.settings, dpi), dpi);
        return preview.Ask(mode);
    };
    // Waits for another copy's turn before the main window exists (recovery,
    // /UNDO, the automatic run) show a window of their own, with キャンセル.
    auto waitWindow = std::make_unique<TurnWaitWindow>();
    journal.SetTurnPause([&waitWindow](unsigned ms) { return waitWindow->Pause(ms); });
    if (RunStartup(state, services, commandLine, confirm, true) == StartupOutcome::Exit) return 0;
    waitWindow.reset();

    MainWindow window(state, services);
    if (!window.Create(show)) return 1;
    owner = window.Handle();
    // Waits for a folder in use or for another copy's journal turn keep the
    // window answering, and Cancel ends them.
    fs.SetRetryPause([&window](unsigned ms) { return window.PauseForRetry(ms); });
    journal.SetTurnPause([&window](unsigned ms) { return window.PauseForRetry(ms); });
    window.RecoverAtStart();
    return RunMainLoop(window);
}

}  // namespace

#ifdef KELVARO2_CONSOLE
// The console companion Kelvaro2.com: the same program, linked for the console
// subsystem, so that cmd and PowerShell wait for it and see its exit code.
int wmain() {
    return RunProgram(SW_SHOWDEFAULT);
}
#else
// The program proper (window subsystem).
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    return RunProgram(show);
}
#endif
