// An interactive run over 1000 folders in the real main window against the
// automatic run of the same folders in the same process; how often the
// window paints during the run; and adding 1000 folders to the target list.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/startup.h"
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
std::vector<Clock::time_point> paints;
WNDPROC listProc = nullptr;

// Notes the time of every paint of the history list.
LRESULT CALLBACK CountPaints(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) paints.push_back(Clock::now());
    return CallWindowProcW(listProc, hwnd, message, wParam, lParam);
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    testing::TempDir dir;
    std::vector<std::wstring> folders;
    for (int i = 0; i < kFolders; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"folder%04d", i);
        folders.push_back(dir.MakeDir(name));
    }
    Win32FileSystem fs;
    testing::FakeSettingsStore store;
    testing::FakeClipboard clipboard;
    testing::FakePrompts prompts;
    Services services{store, fs, clipboard, prompts};

    // The list rules alone: 1000 new texts, then 1000 more (linear, not quadratic), then duplicates.
    double rules[3] = {};
    {
        AppState state(prompts);
        TargetList big;
        for (int round = 0; round < 3; ++round) {
            const auto start = Clock::now();
            for (int i = 0; i < kFolders; ++i)
                big.AddLine(L"C:\\x\\" + std::to_wstring(round == 2 ? i : round * kFolders + i));
            rules[round] = Seconds(Clock::now() - start);
            if (round == 0) big.Refresh();
        }
    }

    AppState state(prompts);
    MainWindow window(state, services);
    window.Create(SW_SHOWNORMAL);
    Pump();
    listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window.History().List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountPaints)));

    double automatic = 1e9, interactive = 1e9, longestGap = 0, paintRate = 0, dropping = 0;
    for (int round = 0; round < 2; ++round) {
        // Automatic: the folders' names to upper case, with the history and lists of a run of their own.
        {
            AppState autoState(prompts);
            for (const auto& folder : folders) autoState.targets.AddFromOutside(fs, folder);
            const auto start = Clock::now();
            ListExecute(autoState, services, 0);
            automatic = std::min(automatic, Seconds(Clock::now() - start));
        }
        // Interactive: dropped on the target list, then back to lower case through the main window.
        auto start = Clock::now();
        window.Targets().OnDrop(folders);
        Pump();
        dropping = Seconds(Clock::now() - start);
        paints.clear();
        start = Clock::now();
        SendMessageW(window.ExeButton(2), BM_CLICK, 0, 0);
        const auto end = Clock::now();
        const double seconds = Seconds(end - start);
        interactive = std::min(interactive, seconds);
        double gap = 0;
        auto previous = start;
        for (const auto& paint : paints) {
            gap = std::max(gap, Seconds(paint - previous));
            previous = paint;
        }
        longestGap = std::max({longestGap, gap, Seconds(end - previous)});
        // Where the longest gaps fall: before the first paint, between two, or after the last.
        if (!paints.empty())
            std::printf("round %d: %.3f s to the first paint, %.3f s after the last, %.3f s the longest between\n", round,
                        Seconds(paints.front() - start), Seconds(end - paints.back()), gap);
        paintRate = paints.size() / seconds;
    }
    SetWindowLongPtrW(window.History().List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc));

    std::printf("%d folders, one process, best of 2 rounds\n", kFolders);
    std::printf("automatic run (mode 0): %.3f s\n", automatic);
    std::printf("interactive run (mode 2): %.3f s\n", interactive);
    std::printf("ratio interactive/automatic: %.2f (goal <= 1.3)\n", interactive / automatic);
    std::printf("history painted %.1f times a second during the run, longest gap %.3f s (goal <= 0.05)\n", paintRate,
                longestGap);
    std::printf("target list rules: 1000 new texts %.4f s, 1000 more %.4f s, 1000 duplicates %.4f s\n", rules[0],
                rules[1], rules[2]);
    std::printf("target list: %d folders dropped (looked up on disk, shown) %.3f s\n", kFolders, dropping);
    return 0;
}
