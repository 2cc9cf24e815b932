// Showing a folder with 1000 subfolders in the source folder browser (the
// chooser lists them) and adding them all to the target list, in the real
// main window; how often the chooser is filled while a folder is shown; and
// dropping those 1000 folders on the target list, against one listing of
// their parent and against looking each name up on its own.
#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "engine/disk_paths.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"
#include "fakes/gui.h"
#include "fakes/temp_dir.h"
#include "platform/shell_drag_drop.h"
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
    window.SourceWindow().SetDirName(source);
    Pump();
    const double showing = Seconds(Clock::now() - start);
    const int listingsWhileShowing = fs.listings;

    start = Clock::now();
    SendMessageW(window.ChooserWindow().AddAllButton(), BM_CLICK, 0, 0);
    Pump();
    const double adding = Seconds(Clock::now() - start);
    const size_t added = state.targets.Count();

    std::vector<std::wstring> names;
    for (int i = 0; i < kFolders; ++i) names.push_back(source + L"\\folder" + std::to_wstring(i));
    state.targets.Refresh();
    Pump();
    auto* data = new FileListDataObject([&] { return names; });
    IDropTarget* target = window.Targets().DropTarget();
    DWORD effect = DROPEFFECT_COPY;
    start = Clock::now();
    target->DragEnter(data, MK_LBUTTON, {0, 0}, &effect);
    effect = DROPEFFECT_COPY;
    target->Drop(data, 0, {0, 0}, &effect);
    Pump();
    const double dropping = Seconds(Clock::now() - start);
    data->Release();
    const size_t dropped = state.targets.Count();

    start = Clock::now();
    const auto listing = fs.Entries(source);
    const double listingOnce = Seconds(Clock::now() - start);

    start = Clock::now();
    DirNameResolver resolver(fs);
    for (const auto& name : names) resolver.IsFolder(resolver.LongDirName(name));
    const double resolving = Seconds(Clock::now() - start);

    start = Clock::now();
    size_t found = 0;
    for (const auto& name : names) {
        const std::wstring canonical = LongDirName(fs, name);
        found += !canonical.empty() && DirExist(fs, canonical) ? 1 : 0;
    }
    const double eachOnItsOwn = Seconds(Clock::now() - start);

    std::printf("source folder with %d subfolders\n", kFolders);
    std::printf("show it (browser and chooser): %.3f s, %zu listed (goal < 0.5 s)\n", showing,
                static_cast<size_t>(SendMessageW(window.ChooserWindow().List(), LB_GETCOUNT, 0, 0)));
    std::printf("listings of that folder while showing it: %d (one for the directory list, one for the chooser)\n",
                listingsWhileShowing);
    std::printf("add all to the target list: %.3f s, %zu targets (goal < 0.5 s)\n", adding, added);
    std::printf("drop them on the target list: %.3f s, %zu targets (goal <= 0.3 s)\n", dropping, dropped);
    std::printf("one listing of their parent: %.4f s, %zu entries; the drop takes %.1f times as long\n", listingOnce,
                listing ? listing->size() : 0, dropping / listingOnce);
    std::printf("of which spellings and folder checks: %.3f s\n", resolving);
    std::printf("the same names looked up and entered one by one, as before: %.3f s for %zu folders\n", eachOnItsOwn,
                found);
    return 0;
}
