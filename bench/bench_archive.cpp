// A whole tree in one command: Kelvaro2.exe /MODE:0 /S over 10,000 and
// 100,000 nested folders (three and four levels), against a bare loop of two
// MoveFileW calls per folder over the same tree in the same order plus the
// start of an empty process; the dry run; /UNDO against the bare loop back;
// the peak working set of each run; and the start of the next run with the
// journal those runs left. The output goes to a file, as in a script.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/converters.h"
#include "engine/folder_rules.h"
#include "fakes/temp_dir.h"
#include "platform/process_setup.h"
#include "platform/user_locations.h"
#include "timed_process.h"

using namespace kelvaro;
using namespace kelvaro::bench;

namespace {

void Wrote(const Timed& timed) {
    std::printf("  wrote %.0f bytes, beginning \"%s\"\n", timed.outBytes, timed.head.c_str());
}

// Levels of ten folders below `root`, as in an archive sorted by year, month
// and day, and the rest of `count` in the last level: as many levels as keep
// that at about a hundred folders per parent (three levels for 10,000, four
// for 100,000). Under Wine a rename reads its whole parent folder, so the same
// fan-out at every size makes the growth measure the program, not the size of
// a folder. Appends every folder to `order`, each after the folders below it.
void MakeLevel(const std::wstring& folder,
               size_t level,
               size_t levels,
               int perParent,
               int& leaves,
               std::vector<std::wstring>& order) {
    if (level == levels) {
        for (int k = 0; k < perParent && leaves > 0; ++k, --leaves) {
            order.push_back(folder + L"\\leaf" + std::to_wstring(k));
            CreateDirectoryW(order.back().c_str(), nullptr);
        }
        return;
    }
    static const wchar_t* const kLevelNames[] = {L"top", L"mid", L"low", L"sub", L"deep"};
    for (int i = 0; i < 10; ++i) {
        const std::wstring inner = folder + L"\\" + kLevelNames[std::min<size_t>(level, 4)] + std::to_wstring(i);
        CreateDirectoryW(inner.c_str(), nullptr);
        MakeLevel(inner, level + 1, levels, perParent, leaves, order);
        order.push_back(inner);
    }
}

std::vector<std::wstring> MakeTree(const std::wstring& root, int count) {
    size_t levels = 1;
    int parents = 10, inner = 10;
    while (count - inner > 100 * parents) {
        parents *= 10;
        inner += parents;
        ++levels;
    }
    int leaves = count - inner;
    std::vector<std::wstring> order;
    MakeLevel(root, 0, levels, (leaves + parents - 1) / parents, leaves, order);
    return order;
}

// Two MoveFileW per folder through the temporary name, as the run does: children
// first to upper case, then (undo) newest first back.
double BareLoop(const std::vector<std::wstring>& order, bool back) {
    const auto start = Clock::now();
    auto upper = [](const std::wstring& path) { return ToUpperDirName(path); };
    if (!back) {
        for (const auto& path : order) {
            const std::wstring temp = path + kTempSuffix;
            MoveFileW(path.c_str(), temp.c_str());
            MoveFileW(temp.c_str(), upper(path).c_str());
        }
    } else {
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const std::wstring now = upper(*it), temp = now + kTempSuffix;
            MoveFileW(now.c_str(), temp.c_str());
            MoveFileW(temp.c_str(), it->c_str());
        }
    }
    return Seconds(Clock::now() - start);
}

// A bare walk of the tree: every folder listed once, as a program that only
// reads the tree would; the number of folders found.
size_t BareWalk(const std::wstring& folder) {
    size_t found = 0;
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::wstring name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
        found += 1 + BareWalk(folder + L"\\" + name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

struct SizeResult {
    double run = 0, bare = 0;
};

SizeResult Measure(int count, const std::wstring& scratch) {
    const testing::TempDir dir;
    const std::wstring root = dir.Path() + L"\\archive";
    CreateDirectoryW(root.c_str(), nullptr);
    const auto made = Clock::now();
    const std::vector<std::wstring> order = MakeTree(root, count);
    std::printf("== %zu folders below %ls (made in %.1f s)\n", order.size(), root.c_str(),
                Seconds(Clock::now() - made));
    const std::wstring program = ProgramFolder() + L"Kelvaro2.exe", empty = ProgramFolder() + L"empty_process.exe";
    // A file of its own for each run: a handle Wine's services inherited may keep the last one open.
    int runs = 0;
    auto outFile = [&] {
        return scratch + L"\\out" + std::to_wstring(count) + L"-" + std::to_wstring(++runs) + L".txt";
    };

    const double bareUp = BareLoop(order, false), bareDown = BareLoop(order, true);
    const double start = TimeProcess(empty, L"", outFile()).seconds;
    std::printf("bare loop: %.2f s up, %.2f s back; empty process %.3f s\n", bareUp, bareDown, start);

    const auto walkStart = Clock::now();
    const size_t walked = BareWalk(root);
    const double walk = Seconds(Clock::now() - walkStart);
    const Timed dry = TimeProcess(program, L"/DRYRUN /MODE:0 /S \"" + root + L"\"", outFile());
    std::printf(
        "/DRYRUN /S: %.2f s (exit %lu), peak working set %.1f MB; bare walk of %zu folders %.2f s, ratio to "
        "bare walk + start %.2f (goal <= 1.1)\n",
        dry.seconds, dry.exitCode, dry.peakMb, walked, walk, dry.seconds / (walk + start));
    Wrote(dry);
    const Timed run = TimeProcess(program, L"/MODE:0 /S \"" + root + L"\"", outFile());
    std::printf("/MODE:0 /S: %.2f s (exit %lu), peak working set %.1f MB; ratio to bare + start %.2f (goal <= 1.3)\n",
                run.seconds, run.exitCode, run.peakMb, run.seconds / (bareUp + start));
    // The bare loop knows its folders beforehand; /S must find them: against the bare walk and loop together.
    std::printf("  ratio to bare walk + bare loop + start %.2f\n", run.seconds / (walk + bareUp + start));
    Wrote(run);
    const Timed undo = TimeProcess(program, L"/UNDO", outFile());
    std::printf("/UNDO: %.2f s (exit %lu), peak working set %.1f MB; ratio to bare + start %.2f (goal <= 1.3)\n",
                undo.seconds, undo.exitCode, undo.peakMb, undo.seconds / (bareDown + start));
    Wrote(undo);
    // The next run reads the journal these runs left at its start.
    const std::wstring one = scratch + L"\\one";
    CreateDirectoryW(one.c_str(), nullptr);
    const Timed next = TimeProcess(program, L"/MODE:2 \"" + one + L"\"", outFile());
    std::printf("next run of one folder with that journal: %.3f s (exit %lu) (goal < 0.5 s)\n", next.seconds,
                next.exitCode);
    Wrote(next);
    return {run.seconds, bareUp + start};
}

}  // namespace

int main(int argc, char** argv) {
    const testing::TempDir scratch;
    // The program keeps its journal and settings below the scratch folder, not the user's.
    SetEnvironmentVariableW(kTestRootVariable, scratch.Path().c_str());
    std::vector<int> sizes{10000, 100000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    }
    std::vector<SizeResult> results;
    for (int size : sizes) results.push_back(Measure(size, scratch.Path()));
    if (results.size() == 2)
        std::printf("growth: the run %.1fx, the bare loop %.1fx for %.0fx the folders (goal <= 11x)\n",
                    results[1].run / results[0].run, results[1].bare / results[0].bare,
                    static_cast<double>(sizes[1]) / sizes[0]);
    return 0;
}
