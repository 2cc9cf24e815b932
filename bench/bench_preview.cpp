// The preview of 1000 target folders in one parent, in every mode, against
// one listing of that parent: prints each mode's time (best of five) and the
// ratio to the listing, with every tenth folder's check box unticked. Goal:
// the slowest mode within 0.2 s.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/folder_rules.h"
#include "engine/rename_plan.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"

using namespace kelvaro;

namespace {

constexpr int kFolders = 1000;
constexpr int kRounds = 5;

template <typename Work>
double Best(Work work) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

std::wstring FourDigits(int number, bool fullWidth) {
    std::wstring digits;
    for (int divisor = 1000; divisor >= 1; divisor /= 10)
        digits += static_cast<wchar_t>((fullWidth ? 0xFF10 : L'0') + number / divisor % 10);
    return digits;
}

}  // namespace

int main() {
    const testing::TempDir dir;
    std::vector<std::wstring> paths;
    // Short names, long names with a blank, half-width katakana with full-width
    // digits: every mode renames some folders and keeps others.
    for (int i = 0; i < kFolders; ++i) {
        const std::wstring number = FourDigits(i, i % 3 == 2);
        const std::wstring name = i % 3 == 0   ? L"f" + number
                                  : i % 3 == 1 ? L"Photo " + number
                                               : L"\uFF8C\uFF6B\uFF99\uFF80\uFF9E" + number;
        paths.push_back(dir.Path() + L"\\" + name);
        CreateDirectoryW(paths.back().c_str(), nullptr);
    }
    Win32FileSystem fs;
    size_t listed = 0;
    const double listing = Best([&] { listed = fs.Entries(dir.Path()).value_or(std::vector<ListedEntry>{}).size(); });
    std::printf("one listing of the parent (%zu entries): %.4f s\n", listed, listing);
    double slowest = 0;
    // Every tenth folder unticked, as the preview plans again after each click on a check box.
    std::vector<bool> leftOut(paths.size());
    for (size_t i = 0; i < leftOut.size(); i += 10) leftOut[i] = true;
    for (int16_t mode = 0; mode < ModeCount(); ++mode) {
        size_t renamed = 0;
        const double time = Best([&] {
            renamed = 0;
            for (const auto& entry : PlanRun(fs, paths, mode, true, leftOut))
                renamed += entry.state == PlanState::Rename && !entry.leftOut;
        });
        std::printf("mode %d: %.4f s (%zu of %d to be renamed), %.1f x the listing\n", mode, time, renamed, kFolders,
                    time / listing);
        slowest = std::max(slowest, time);
    }
    std::printf("slowest mode: %.3f s (goal <= 0.2 s), ratio to one listing: %.1f\n", slowest, slowest / listing);
    return 0;
}
