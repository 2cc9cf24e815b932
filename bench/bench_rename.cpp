// Renames 1000 sibling folders with RenameDir (upper case, then lower case)
// and with a bare loop of two MoveFileW calls per folder, in one process on
// the same folders, and prints both times and their ratio.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/converters.h"
#include "engine/rename_dir.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"
#include "windows/changed_list.h"
#include "windows/history_log.h"

using namespace kelvaro;

namespace {

constexpr int kFolders = 1000;
constexpr int kRounds = 3;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// One pass of RenameDir over every folder with `mode`.
double RenameDirPass(std::vector<std::wstring>& paths, int16_t mode) {
    Win32FileSystem fs;
    HistoryLog history;
    ChangedList changed;
    const RenameServices services{fs, history, changed, true};
    const auto start = std::chrono::steady_clock::now();
    for (auto& path : paths) {
        if (RenameDir(services, path, mode) == kRenameDone) path = changed.Text(changed.Count() - 1);
    }
    return Seconds(std::chrono::steady_clock::now() - start);
}

// The same renames as two bare MoveFileW calls each.
double BarePass(std::vector<std::wstring>& paths, bool upper) {
    const auto start = std::chrono::steady_clock::now();
    for (auto& path : paths) {
        const std::wstring temp = path + kTempSuffix;
        const std::wstring target = upper ? ToUpperDirName(path) : ToLowerDirName(path);
        if (MoveFileW(path.c_str(), temp.c_str()) && MoveFileW(temp.c_str(), target.c_str())) path = target;
    }
    return Seconds(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main() {
    const testing::TempDir dir;
    const std::wstring& root = dir.Path();
    std::vector<std::wstring> paths;
    for (int i = 0; i < kFolders; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\folder%04d", i);
        paths.push_back(root + name);
        CreateDirectoryW(paths.back().c_str(), nullptr);
    }
    SetCurrentDirectoryW(root.c_str());

    double best = 1e9, bestBare = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const double renameDir = RenameDirPass(paths, 0) + RenameDirPass(paths, 2);
        const double bare = BarePass(paths, true) + BarePass(paths, false);
        std::printf("round %d: RenameDir %.3f s, bare MoveFileW %.3f s\n", round + 1, renameDir, bare);
        best = std::min(best, renameDir);
        bestBare = std::min(bestBare, bare);
    }
    std::printf("%d folders, mode 0 then mode 2 (best of %d rounds)\n", kFolders, kRounds);
    std::printf("RenameDir: %.3f s\nbare loop: %.3f s\nratio: %.2f (goal <= 1.25)\n", best, bestBare, best / bestBare);
    return 0;
}
