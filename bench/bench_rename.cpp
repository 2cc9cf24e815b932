// Renames 1000 sibling folders with RenameDir (upper case, then lower case),
// without and with the journal, takes a journaled run back with undo, and
// compares each with a bare loop of two MoveFileW calls per folder, in one
// process on the same folders; prints the times and their ratios.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "engine/converters.h"
#include "engine/folder_rules.h"
#include "operations/recovery.h"
#include "operations/undo.h"
#include "engine/rename_dir.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"
#include "platform/win32_journal_store.h"
#include "model/changed_list.h"
#include "model/history_log.h"

using namespace kelvaro;

namespace {

constexpr int kFolders = 1000;
constexpr int kRounds = 3;
constexpr uint32_t kLargeRun = 100000;  // folders in each run of the large journal

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// One pass of RenameDir over every folder with `mode`, as one run of the
// journal when one is given.
double RenameDirPass(std::vector<std::wstring>& paths, int16_t mode, RenameJournal* journal = nullptr) {
    Win32FileSystem fs;
    HistoryLog history;
    ChangedList changed;
    // One look at the parent for the whole pass, as a run of the program keeps.
    FolderListings listings(fs);
    const RenameServices services{fs, history, changed, true, journal, &listings};
    const auto start = std::chrono::steady_clock::now();
    RecordedRun run(journal, history, RunKind::Run);
    size_t at = 0;
    {
        // The records of the next folders go to disk ahead, as a run's walk writes them.
        const LookaheadScope lookahead(journal, [&](size_t most) {
            std::vector<PlannedMove> planned;
            for (size_t k = at + 1; k < paths.size() && planned.size() < most; ++k)
                planned.push_back({paths[k], PlannedNewPath(paths[k], mode, true), static_cast<uint32_t>(k + 1)});
            return planned;
        });
        for (; at < paths.size(); ++at) {
            if (journal) journal->AtFolder(static_cast<uint32_t>(at));
            if (const FolderOutcome outcome = RenameFolder(services, paths[at], mode); outcome.Done())
                paths[at] = outcome.newPath;
        }
    }
    return Seconds(std::chrono::steady_clock::now() - start);
}

// Takes the journal's last run back; the paths follow.
double UndoPass(std::vector<std::wstring>& paths, RenameJournal& journal, bool upper) {
    Win32FileSystem fs;
    HistoryLog history;
    ChangedList changed;
    const auto start = std::chrono::steady_clock::now();
    UndoLastRun({fs, history, changed, true, &journal}, nullptr);
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    for (auto& path : paths) path = upper ? ToUpperDirName(path) : ToLowerDirName(path);
    return seconds;
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

// The records of a run of `folders` folders, each renamed.
std::string LargeRun(const std::string& id, const std::wstring& root, uint32_t folders) {
    std::string bytes = RunRecord(id, RunKind::Run, {1, 1}, "");
    for (uint32_t i = 1; i <= folders; ++i) {
        const std::wstring old = root + L"\\gone" + std::to_wstring(i);
        bytes += FolderRecord(id, i, old, old + kTempSuffix, old + L"X") +
                 DoneRecord(id, i, JournalOutcome::New, old + L"X");
    }
    return bytes;
}

// A start with ten runs of `folders` folders in the journal: the look for
// interrupted runs, then a run's begin, which trims the journal. Written as
// an earlier version left it (one file), or as this one does (a file per
// run); in the second case the first start reads it all and keeps an index,
// and the start after it, which drops the oldest run, is measured.
void StartWithTenRuns(const std::wstring& root, uint32_t folders, bool segments) {
    const std::wstring folder = root + L"\\journal\\", path = folder + L"journal.txt";
    Win32JournalStore store(path);
    double best = 1e9;
    uint64_t written = 0, size = 0, deleted = 0;
    for (int round = 0; round < (segments ? 1 : kRounds); ++round) {
        WIN32_FIND_DATAW found{};
        if (HANDLE find = FindFirstFileW((path + L"*").c_str(), &found); find != INVALID_HANDLE_VALUE) {
            do DeleteFileW((folder + found.cFileName).c_str());
            while (FindNextFileW(find, &found));
            FindClose(find);
        }
        size = 0;
        std::string whole;
        for (uint32_t run = 1; run <= 10; ++run) {
            const std::string bytes = LargeRun("full" + std::to_string(run), root, folders);
            size += bytes.size();
            if (segments)
                Win32FileSystem().WriteFileBytes(path + L"." + std::to_wstring(run), SegmentRecord(run) + bytes);
            else
                whole += bytes;
        }
        if (!segments) Win32FileSystem().WriteFileBytes(path, whole);
        auto start = [&](bool renames) {
            RenameJournal journal(store);
            Win32FileSystem fs;
            HistoryLog history;
            RecoverInterrupted(fs, journal, history);
            journal.BeginRun(RunKind::Run);
            if (renames) {
                const std::wstring old = root + L"\\started";
                journal.FolderEnd(journal.FolderBegin(old, old + kTempSuffix, old + L"X"), JournalOutcome::New, old + L"X");
            }
            journal.EndRun();
        };
        if (segments) {
            const auto first = std::chrono::steady_clock::now();
            start(true);
            std::printf("first start over ten runs of %u folders, no index yet: %.3f s\n", folders,
                        Seconds(std::chrono::steady_clock::now() - first));
        }
        const auto listed = store.Segments().value_or(std::vector<JournalSegment>{});
        const auto begun = std::chrono::steady_clock::now();
        start(false);
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - begun));
        // What the start wrote: what the journal gained beside the segments
        // it deleted, and the index kept beside it.
        const auto now = store.Segments().value_or(std::vector<JournalSegment>{});
        uint64_t stored = 0, after = 0;
        deleted = 0;
        for (const JournalSegment& segment : listed) {
            stored += segment.size;
            if (std::none_of(now.begin(), now.end(), [&](const JournalSegment& s) { return s.number == segment.number; }))
                deleted += segment.size;
        }
        for (const JournalSegment& segment : now) after += segment.size;
        written = after + deleted - stored + store.ReadIndex().size();
    }
    std::printf("start with a journal of ten runs of %u folders (%.1f MB) %s: %.3f s (goal < 0.3 s); "
                "%.0f bytes written, %.1f MB of dropped runs deleted\n",
                folders, size / 1e6, segments ? "in a file each, read before" : "as an earlier version left it", best,
                static_cast<double>(written), deleted / 1e6);
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

    Win32JournalStore store(root + L"\\journal\\journal.txt");
    RenameJournal journal(store);
    double best = 1e9, bestBare = 1e9, bestJournal = 1e9, bestUndo = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const double renameDir = RenameDirPass(paths, 0) + RenameDirPass(paths, 2);
        const double bare = BarePass(paths, true) + BarePass(paths, false);
        const double journaled = RenameDirPass(paths, 0, &journal) + RenameDirPass(paths, 2, &journal);
        // Undo of a journaled upper-case run, against one bare pass.
        RenameDirPass(paths, 0, &journal);
        const double undo = UndoPass(paths, journal, false);
        const double barePass = BarePass(paths, true);
        BarePass(paths, false);
        std::printf(
            "round %d: RenameDir %.3f s, with journal %.3f s, bare MoveFileW %.3f s; undo %.3f s, bare %.3f s\n",
            round + 1, renameDir, journaled, bare, undo, barePass);
        best = std::min(best, renameDir);
        bestBare = std::min(bestBare, bare);
        bestJournal = std::min(bestJournal, journaled);
        bestUndo = std::min(bestUndo, undo / barePass);
    }
    std::printf("%d folders, mode 0 then mode 2 (best of %d rounds)\n", kFolders, kRounds);
    std::printf("RenameDir: %.3f s\nbare loop: %.3f s\nratio: %.2f (goal <= 1.25)\n", best, bestBare, best / bestBare);
    std::printf("RenameDir with the journal: %.3f s\nratio: %.2f (goal <= 1.25)\n", bestJournal,
                bestJournal / bestBare);
    std::printf("undo of 1000 folders against the bare loop: ratio %.2f (goal <= 1.3)\n", bestUndo);

    // What flushing the journal to disk costs: a flush per folder, per 16
    // folders written ahead, and per batch as it grows. Each round times the
    // bare loop and every choice in turn, so that a machine busy with other
    // work slows them alike.
    const uint32_t choices[] = {1u, 16u, kAheadMost};
    double bestFlushed[std::size(choices)] = {1e9, 1e9, 1e9};
    double bestFlushBare = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        bestFlushBare = std::min(bestFlushBare, BarePass(paths, true) + BarePass(paths, false));
        for (size_t i = 0; i < std::size(choices); ++i) {
            journal.SetAheadLimit(choices[i]);
            bestFlushed[i] =
                std::min(bestFlushed[i], RenameDirPass(paths, 0, &journal) + RenameDirPass(paths, 2, &journal));
        }
    }
    std::printf("bare loop beside the flush choices: %.3f s\n", bestFlushBare);
    for (size_t i = 0; i < std::size(choices); ++i)
        std::printf("records written ahead up to %u at a time: %.3f s, ratio %.2f\n", choices[i], bestFlushed[i],
                    bestFlushed[i] / bestFlushBare);
    std::printf("a flush costs about %.3f ms\n", (bestFlushed[0] - bestFlushed[2]) / (2 * kFolders) * 1000);
    journal.SetAheadLimit(kAheadMost);

    StartWithTenRuns(root, kFolders, false);
    StartWithTenRuns(root, kLargeRun, true);
    return 0;
}
