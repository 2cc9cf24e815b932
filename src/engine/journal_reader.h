#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/journal_record.h"
#include "ports/journal_store.h"

namespace kelvaro {

struct JournalFolder {
    uint32_t seq = 0;
    std::wstring oldPath, tempPath, newPath;
    JournalOutcome outcome = JournalOutcome::Open;
    std::wstring where;
};

struct JournalRun {
    std::string id;
    RunKind kind = RunKind::Run;
    ProcessStamp writer;
    // Its run record is damaged or gone: its other records are read all the
    // same, as a run whose writer is unknown (and not running).
    bool orphan = false;
    std::string target;  // the run an undo takes back, or the run a resumed run finishes
    std::vector<JournalFolder> folders;
    std::optional<RunRequest> request;
    RunEnd end = RunEnd::Open;
    uint64_t reached = 0;  // with an end: the folders tried (named ones, in order)
    // The moment the run began, from its name: a FILETIME value.
    uint64_t Started() const;
};

// The lines a reading of the journal skipped as damaged: not a sealed record,
// a record with the wrong fields, or a folder record that no run of this
// program could have written. The line a killed writer left cut short is not
// damage: the next writer marks it.
struct JournalDamage {
    size_t lines = 0;
    // How many runs stand before the last damaged line.
    size_t runsBefore = 0;
    // The paths the damaged lines seem to name (a few hundred at most): the
    // folders beside them may be under a temporary name no record explains.
    std::vector<std::wstring> paths;
    // True when some damaged line stands after the run record of run `index`.
    bool After(size_t index) const { return lines > 0 && runsBefore > index; }
};

// The runs a journal holds, oldest first; lines that make no sense are skipped
// (and counted in `damage` when given).
std::vector<JournalRun> ParseJournal(const std::string& bytes, JournalDamage* damage = nullptr);
// The same for the journal a store holds, read a piece at a time; nullopt
// when it cannot be read. The paths of a run's folders are decoded only when
// `withPaths` (if given) says so for the run: the folders of the others carry
// their numbers and outcomes only, which is all a plan of what to take back needs.
std::optional<std::vector<JournalRun>> ParseJournal(IJournalStore& store,
                                                    JournalDamage* damage = nullptr,
                                                    const std::function<bool(const std::string& run)>& withPaths = {});
// Hands the folder records of `run` that stand in the journal before byte
// `end` to `each`, newest first, with their paths (and no outcome), reading
// the file backwards `piece` bytes at a time: what an undo takes back, without
// holding a large run. `each` gives false to stop; the reading stops by itself
// at the run's own record. False when the journal could not be read.
bool ForEachFolderBackward(IJournalStore& store,
                           uint64_t end,
                           const std::string& run,
                           const std::function<bool(JournalFolder&& folder)>& each,
                           size_t piece = 1 << 20);

// The runs in the order of their first records, and the folders of each that
// are still open. No path is decoded, and nothing of a line is kept but the
// run's name and the folder's number: what a start needs to know whether
// anything is to be put right, and what a trim keeps.
struct RunIndex {
    bool implausible = false;  // some folder record no run of this program could have written
    std::vector<std::string> order;
    std::unordered_map<std::string, std::unordered_set<uint32_t>> open;
    std::unordered_set<std::string> unended;               // runs with a request and no end
    std::unordered_set<std::string> stopped;               // runs that ended stopped or killed
    std::unordered_set<std::string> orphans;               // runs whose run record is damaged or gone
    std::unordered_set<std::string> renamed;               // runs that renamed at least one folder (not undos)
    std::unordered_set<std::string> undos;                 // undo runs
    std::unordered_map<std::string, std::string> targets;  // an undo's or a resume's run -> the run it serves

    // Takes in one line of the journal.
    void Take(std::string_view line);
    void Take(const JournalRecord& record);
    bool AnyOpen() const;
    // Passes over a run a trim dropped.
    void Forget(const std::string& run);
    // The runs a journal trimmed to keep `keep` runs that renamed something
    // keeps, with the undos and resumes that serve them; runs with folders
    // still open, and `also`, are kept whatever their age. Empty when nothing is dropped.
    std::unordered_set<std::string> Kept(size_t keep, const std::string& also = {}) const;

private:
    std::pair<const std::string, std::unordered_set<uint32_t>>* Of(const std::string& run, bool runRecord);
    std::pair<const std::string, std::unordered_set<uint32_t>>* last_ = nullptr;
};

// True when some folder record of the journal has no outcome, or is one that
// no run of this program could have written, or some run asked for folders
// and has no end.
bool HasOpenFolders(const std::string& bytes);
// The journal with only the runs Kept(keep) names, when it drops any.
std::string TrimJournal(const std::string& bytes, size_t keep);

// Calls `each(line)` for every whole line of `bytes` (without its LF).
template <typename Each>
void ForEachLine(std::string_view bytes, Each each) {
    size_t start = 0;
    for (size_t end = bytes.find('\n'); end != std::string_view::npos; end = bytes.find('\n', start)) {
        each(std::string_view(bytes.data() + start, end - start));
        start = end + 1;
    }
}

// The whole lines of a journal read a piece at a time: `carry` holds the
// start of a line the piece before cut and gets the one this piece cuts. A
// line longer than any record is damage: it is handed on cut to its first
// kLongestRecord bytes, and what follows of it is passed over, so that a
// tail without line breaks costs neither time nor memory.
class LineSplitter {
public:
    template <typename Each>
    void Piece(std::string_view piece, Each each) {
        while (!piece.empty()) {
            const size_t end = piece.find('\n');
            const std::string_view part = piece.substr(0, end);
            if (!overlong_) {
                if (carry_.size() + part.size() > kLongestRecord) {
                    carry_.append(part.substr(0, kLongestRecord - carry_.size()));
                    each(std::string_view(carry_));  // damage: no record is that long
                    carry_.clear();
                    overlong_ = true;
                } else if (end == std::string_view::npos) {
                    carry_.append(part);
                } else if (carry_.empty()) {
                    each(part);
                } else {
                    carry_.append(part);
                    each(std::string_view(carry_));
                    carry_.clear();
                }
            }
            if (end == std::string_view::npos) return;
            overlong_ = false;
            piece.remove_prefix(end + 1);
        }
    }
    // The start of a line cut at the end, if any.
    const std::string& Rest() const { return carry_; }

private:
    std::string carry_;
    bool overlong_ = false;
};

}  // namespace kelvaro
