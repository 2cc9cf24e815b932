#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/log_file.h"
#include "app/progress_line.h"
#include "app/script_names.h"
#include "app/script_output.h"
#include "app/script_targets.h"
#include "engine/catalog.h"
#include "engine/journal.h"
#include "model/app_state.h"

// What one script command's run, undo or resume is made of: the outputs it
// writes to, what it works with, and the three ways it goes.
namespace kelvaro {

// One line of the output: only with /TSV; without it the history says everything.
struct Report {
    IConsole& console;
    bool tsv;
    void Line(const FolderLine& line) const {
        if (!tsv) return;
        console.Out(TsvLine(line));
        ++told;
    }
    mutable size_t told = 0;  // the folder lines written
};

// The history leaves memory a batch at a time: to the log file and, when
// asked for, to the text the clipboard gets at the end. What recovery at
// start said of earlier runs comes first, under a heading of its own.
class HistoryOutlet {
public:
    HistoryOutlet(IFileSystem& fs, std::wstring logFile, bool utf8, bool clip)
        : fs_(fs), logFile_(std::move(logFile)), utf8_(utf8), clip_(clip) {}
    void SetRecovery(const std::vector<std::wstring>& lines) { recovery_ = lines; }
    // Writes out what `history` holds and empties it.
    void Drain(HistoryLog& history) {
        Write(first_ ? LogText(recovery_, history) : history.Text());
        history.Refresh();
    }
    void Write(const std::wstring& text) {
        if (clip_) clipText += text;
        if (!logFile_.empty() && !failed_) {
            std::string bytes = LogTextBytes(text, utf8_);
            if (utf8_ && !first_) bytes.erase(0, 3);  // the byte-order mark only at the start
            const bool written =
                first_ ? fs_.WriteFileBytes(logFile_, bytes) : bytes.empty() || fs_.AppendFileBytes(logFile_, bytes);
            if (!written) failed_ = true;
        }
        first_ = false;
    }
    bool LogFailed() const { return failed_; }
    std::wstring clipText;

private:
    static std::wstring LogText(const std::vector<std::wstring>& recovery, const HistoryLog& history) {
        std::wstring text;
        if (!recovery.empty()) {
            text += ResKelvaroText(KText::EarlierRunHeading) + L"\r\n";
            for (const auto& line : recovery) text += line + L"\r\n";
            text += ResKelvaroText(KText::ThisRunHeading) + L"\r\n";
        }
        return text + history.Text();
    }

    IFileSystem& fs_;
    std::wstring logFile_;
    bool utf8_, clip_;
    bool first_ = true, failed_ = false;
    std::vector<std::wstring> recovery_;
};

// The folders of a run are planned and walked this many at a time.
constexpr size_t kBatch = 1000;

// What every part of one script command works with.
struct ScriptContext {
    const ScriptCommand& command;
    AppState& state;
    Services& services;
    const std::atomic<bool>* stop;
    const Report& report;
    HistoryOutlet& outlet;
    ProgressLine& progress;
    bool Stopping() const { return stop && stop->load(); }
};

// How a run, an undo or a resume of the script ended: the folders not done,
// and whether the history's last lines are a summary and the closing line.
struct Ran {
    size_t notDone = 0;
    bool summarized = false;
};

// The total the progress line counts towards, only when someone watches: with
// /S the trees are walked once more for it, and Ctrl+C ends that count.
void SetProgressTotal(const ScriptContext& c, ScriptTargets& feed, const std::vector<ScriptName>& names);

// Renames (or, dry, judges) the folders `feed` gives, a batch at a time, as
// one run in the journal. `request`: what the run was asked to do, recorded
// once before its first folder (a run of every depth is its roots and the
// flag, never every folder); `resumes`: the run cut short that this one finishes.
Ran RunFolders(const ScriptContext& c, ScriptTargets& feed, const RunRequest* request, const std::string& resumes);
// Finishes the newest run, stopped or cut short, by its mode and flags: the
// folders not done, 1 when there was nothing to finish.
Ran RunResume(const ScriptContext& c);
// Takes the last run back; the folders not taken back, or 1 when there was
// nothing to take back. The history leaves memory every few thousand lines.
Ran RunUndo(const ScriptContext& c);

}  // namespace kelvaro
