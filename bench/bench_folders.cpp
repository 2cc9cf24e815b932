// Showing a folder with 1000 subfolders in the source folder browser (the
// chooser lists them) and adding them all to the target list, in the real
// main window; and how often the chooser is filled while a folder is shown.
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"
#include "fakes/gui.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"

using namespace kelvaro;
using kelvaro::testing::Pump;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFolders = 1000;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Counts the listings of the source folder the chooser asks for.
class CountingFileSystem : public Win32FileSystem {
public:
    std::vector<std::wstring> SubFolders(const std::wstring& dir) override {
        if (dir == watched) ++listings;
        return Win32FileSystem::SubFolders(dir);
    }
    std::wstring watched;
    int listings = 0;
};

}  // namespace

int main() {
    OleInitialize(nullptr);
    testing::TempDir dir;
    const std::wstring source = dir.MakeDir(L"source");
    for (int i = 0; i < kFolders; ++i) dir.MakeDir(L"source\\folder" + std::to_wstring(i));

    CountingFileSystem fs;
    testing::FakeSettingsStore store;
    testing::FakeClipboard clipboard;
    testing::FakePrompts prompts;
    Services services{store, fs, clipboard, prompts};
    AppState state(prompts);
    MainWindow window(state, services);
    window.Create(SW_SHOWNORMAL);
    Pump();

    fs.watched = source;
    auto start = Clock::now();
    window.InDir().SetDirName(source);
    Pump();
    const double showing = Seconds(Clock::now() - start);
    const int listingsWhileShowing = fs.listings;

    start = Clock::now();
    SendMessageW(window.InFile().AddAllButton(), BM_CLICK, 0, 0);
    Pump();
    const double adding = Seconds(Clock::now() - start);

    std::printf("source folder with %d subfolders\n", kFolders);
    std::printf("show it (browser and chooser): %.3f s, %zu listed (goal < 0.5 s)\n", showing,
                static_cast<size_t>(SendMessageW(window.InFile().List(), LB_GETCOUNT, 0, 0)));
    std::printf("listings of that folder while showing it: %d (one for the directory list, one for the chooser)\n",
                listingsWhileShowing);
    std::printf("add all to the target list: %.3f s, %zu targets (goal < 0.5 s)\n", adding, state.targets.Count());
    return 0;
}
