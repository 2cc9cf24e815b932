// Kelvaro2.exe renaming 1000 folders named in a list file (upper case, then
// lower case back), timed from process start to exit with the output
// redirected to a file, against a bare loop of two MoveFileW calls per folder
// plus the start of an empty process.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/converters.h"
#include "engine/rename_dir.h"
#include "fakes/temp_dir.h"
#include "platform/process_setup.h"
#include "platform/user_locations.h"
#include "timed_process.h"

using namespace kelvaro;
using namespace kelvaro::bench;

namespace {

constexpr int kFolders = 1000;
constexpr int kRounds = 5;

// The list file a user would make with `dir /b /s`: the folders as they are spelled now.
void WriteList(const std::wstring& file, const std::vector<std::wstring>& paths) {
    std::string list;
    for (const auto& path : paths) list += std::string(path.begin(), path.end()) + "\r\n";
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(handle, list.data(), static_cast<DWORD>(list.size()), &written, nullptr);
    CloseHandle(handle);
}

double BarePass(std::vector<std::wstring>& paths, bool upper) {
    const auto start = Clock::now();
    for (auto& path : paths) {
        const std::wstring temp = path + kTempSuffix;
        const std::wstring target = upper ? ToUpperDirName(path) : ToLowerDirName(path);
        if (MoveFileW(path.c_str(), temp.c_str()) && MoveFileW(temp.c_str(), target.c_str())) path = target;
    }
    return Seconds(Clock::now() - start);
}

}  // namespace

int main() {
    const testing::TempDir dir, scratch;
    // The program keeps its journal and settings below the scratch folder, not the user's.
    SetEnvironmentVariableW(kTestRootVariable, scratch.Path().c_str());
    std::vector<std::wstring> paths;
    for (int i = 0; i < kFolders; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\folder%04d", i);
        paths.push_back(dir.Path() + name);
        CreateDirectoryW(paths.back().c_str(), nullptr);
    }
    const std::wstring listFile = scratch.Path() + L"\\list.txt", outFile = scratch.Path() + L"\\out.txt";

    const std::wstring program = ProgramFolder() + L"Kelvaro2.exe", empty = ProgramFolder() + L"empty_process.exe";
    // The history lines as they are, and the same run with one /TSV line per folder.
    const wchar_t* variants[] = {L"", L"/TSV "};
    for (const wchar_t* variant : variants) {
        double best = 1e9, bestBare = 1e9, bestEmpty = 1e9;
        std::vector<double> ratios;  // per round: the machine's load drifts between rounds
        for (int round = 0; round < kRounds; ++round) {
            WriteList(listFile, paths);
            const Timed upper = TimeProcess(program, std::wstring(variant) + L"/MODE:0 @" + listFile, outFile);
            for (auto& path : paths) path = ToUpperDirName(path);
            WriteList(listFile, paths);
            const Timed lower = TimeProcess(program, std::wstring(variant) + L"/MODE:2 @" + listFile, outFile);
            const double kelvaro = upper.seconds + lower.seconds;
            const DWORD upperCode = upper.exitCode, lowerCode = lower.exitCode;
            for (auto& path : paths) path = ToLowerDirName(path);
            const double bare = BarePass(paths, true) + BarePass(paths, false);
            const double start = TimeProcess(empty, L"", outFile).seconds + TimeProcess(empty, L"", outFile).seconds;
            std::printf("round %d: Kelvaro2 %ls%.3f s (exit %lu, %lu), bare MoveFileW %.3f s, empty process %.3f s\n",
                        round + 1, variant, kelvaro, upperCode, lowerCode, bare, start);
            ratios.push_back(kelvaro / (bare + start));
            best = std::min(best, kelvaro);
            bestBare = std::min(bestBare, bare);
            bestEmpty = std::min(bestEmpty, start);
        }
        std::printf("%d folders from a list file %ls, mode 0 then mode 2, two processes (best of %d rounds)\n",
                    kFolders, variant, kRounds);
        std::sort(ratios.begin(), ratios.end());
        std::printf("Kelvaro2: %.3f s\nbare loop + empty process: %.3f s + %.3f s\nratio of the best: %.2f\n", best,
                    bestBare, bestEmpty, best / (bestBare + bestEmpty));
        std::printf("median ratio of a round: %.2f (goal <= 1.5)\n", ratios[ratios.size() / 2]);
    }
    return 0;
}
