#include "engine/journal_reader.h"

#include <algorithm>
#include <charconv>

namespace kelvaro {

uint64_t JournalRun::Started() const {
    uint64_t started = 0;
    const size_t dash = id.find('-');
    const std::string_view digits = std::string_view(id).substr(0, dash);
    std::from_chars(digits.data(), digits.data() + digits.size(), started);
    return started;
}

namespace {

// The damaged lines' paths kept for a look beside them: enough to find what
// a few damaged records stood for, never a whole damaged journal.
constexpr size_t kDamagedPathsKept = 256;

// Takes a journal in a line at a time and gives its runs at the end.
class JournalParser {
public:
    explicit JournalParser(const std::function<bool(const std::string& run)>& withPaths) : withPaths_(withPaths) {}

    void Line(std::string_view line) {
        DecodedRecord decoded = DecodeRecord(line, true);
        const bool unsealed = decoded.fault == RecordFault::Unsealed;
        const bool cutRecord = decoded.record && decoded.record->type == JournalRecord::Cut;
        if (cutBefore_ && !cutRecord) Count(cutLine_);
        cutBefore_ = unsealed;
        if (unsealed) {
            cutLine_.assign(line.substr(0, 4096));
            return;
        }
        if (!decoded.record) return Count(line);
        const std::string run = decoded.record->run;
        if (cutRecord || Take(std::move(*decoded.record))) return;
        // A record of a run that does not fit it is damage, unless the run
        // is dropped later: then it may be a record of the run's folders
        // written by a later start, which outlived the run's own records.
        rejected_.push_back({runIndex_.at(run), runs_.size(),
                             rejected_.size() < kDamagedPathsKept ? std::string(line) : std::string()});
    }

    std::vector<JournalRun> Finish(JournalDamage* damage) {
        if (cutBefore_) Count(cutLine_);
        for (const Rejected& rejected : rejected_) {
            if (dropped_.count(rejected.run)) continue;
            const size_t before = std::max(found_.runsBefore, rejected.runsBefore);
            Count(rejected.line);
            found_.runsBefore = before;
        }
        // The runs a trim dropped leave, and the damage counts the runs kept before it.
        if (!dropped_.empty()) {
            std::vector<JournalRun> kept;
            size_t before = 0;
            for (size_t i = 0; i < runs_.size(); ++i) {
                if (dropped_.count(i)) continue;
                before += i < found_.runsBefore;
                kept.push_back(std::move(runs_[i]));
            }
            runs_ = std::move(kept);
            found_.runsBefore = before;
        }
        if (damage) *damage = std::move(found_);
        return std::move(runs_);
    }

private:
    void Count(std::string_view line) {
        ++found_.lines;
        found_.runsBefore = runs_.size();
        if (found_.paths.size() < kDamagedPathsKept)
            for (auto& path : PathsInDamagedLine(line)) found_.paths.push_back(std::move(path));
    }

    // The run a record belongs to; one whose run record is gone is read as
    // an orphan, so that its folders are still put right and taken back.
    JournalRun* RunOf(const std::string& id) {
        if (last_ && last_->first == id) return &runs_[last_->second];
        auto [it, added] = runIndex_.try_emplace(id, runs_.size());
        if (added) {
            JournalRun run;
            run.id = id;
            run.orphan = true;
            paths_.push_back(!withPaths_ || withPaths_(id));
            runs_.push_back(std::move(run));
        }
        last_ = &*it;
        return &runs_[it->second];
    }

    // True when the record was taken in.
    bool Take(JournalRecord&& r) {
        if (r.type == JournalRecord::Segment) return true;
        if (r.type == JournalRecord::Drop) {
            if (const auto known = runIndex_.find(r.run); known != runIndex_.end()) dropped_.insert(known->second);
            return true;
        }
        if (r.type == JournalRecord::Run) {
            const auto known = runIndex_.find(r.run);
            if (known != runIndex_.end() && !runs_[known->second].orphan) return false;
            JournalRun* run = RunOf(r.run);
            run->kind = r.kind;
            run->writer = r.writer;
            run->target = std::move(r.target);
            run->orphan = false;
            return true;
        }
        JournalRun& run = *RunOf(r.run);
        const size_t owner = last_->second;
        const bool paths = paths_[owner];
        const uint64_t key = (static_cast<uint64_t>(owner) << 32) | r.seq;
        switch (r.type) {
            case JournalRecord::Request:
                if (run.request) return false;
                run.request = RunRequest{r.mode, std::move(r.flags), r.number, {}};
                return true;
            case JournalRecord::Named:
                if (!run.request || r.number != run.request->targets.size() + 1) return false;
                run.request->targets.push_back(std::move(r.path));
                return true;
            case JournalRecord::End:
                if (run.end != RunEnd::Open) return false;
                run.end = r.end;
                run.reached = r.number;
                return true;
            case JournalRecord::Folder: {
                const auto [known, added] = folderIndex_.emplace(key, run.folders.size());
                // A record written ahead and closed untouched may be written
                // again: the run took the folder under other names after all.
                if (!added && run.folders[known->second].outcome != JournalOutcome::Old) return false;
                JournalFolder folder;
                folder.seq = r.seq;
                if (paths) {
                    folder.oldPath = std::move(r.path);
                    folder.tempPath = std::move(r.tempPath);
                    folder.newPath = std::move(r.newPath);
                }
                if (added)
                    run.folders.push_back(std::move(folder));
                else
                    run.folders[known->second] = std::move(folder);
                return true;
            }
            case JournalRecord::Done: {
                const auto it = folderIndex_.find(key);
                if (it == folderIndex_.end()) return false;
                JournalFolder& folder = run.folders[it->second];
                folder.outcome = r.outcome;
                if (paths) folder.where = std::move(r.path);
                return true;
            }
            default:
                return false;
        }
    }

    std::function<bool(const std::string& run)> withPaths_;
    std::vector<JournalRun> runs_;
    std::vector<bool> paths_;  // per run: its paths are decoded
    std::unordered_map<std::string, size_t> runIndex_;
    const std::pair<const std::string, size_t>* last_ = nullptr;
    std::unordered_map<uint64_t, size_t> folderIndex_;  // run index and folder number -> folder
    std::unordered_set<size_t> dropped_;                // runs a trim dropped
    struct Rejected {
        size_t run, runsBefore;
        std::string line;  // the first few only
    };
    std::vector<Rejected> rejected_;
    JournalDamage found_;
    bool cutBefore_ = false;  // the line before was not sealed: cut short, unless a cut record follows
    std::string cutLine_;
};

}  // namespace

std::vector<JournalRun> ParseJournal(const std::string& bytes, JournalDamage* damage) {
    JournalParser parser({});
    ForEachLine(bytes, [&](std::string_view line) { parser.Line(line); });
    return parser.Finish(damage);
}

std::optional<std::vector<JournalRun>> ParseJournal(IJournalStore& store,
                                                    JournalDamage* damage,
                                                    const std::function<bool(const std::string& run)>& withPaths) {
    JournalParser parser(withPaths);
    LineSplitter lines;
    if (!store.ReadFrom(
            0, [&](std::string_view piece) { lines.Piece(piece, [&](std::string_view line) { parser.Line(line); }); }))
        return std::nullopt;
    return parser.Finish(damage);
}

bool ForEachFolderBackward(IJournalStore& store,
                           uint64_t end,
                           const std::string& run,
                           const std::function<bool(JournalFolder&& folder)>& each,
                           size_t piece) {
    // `head` holds the start of the line the piece read last began with: the
    // rest of it is in the piece before. A line that grows beyond any record
    // is damage, passed over without being held.
    std::string head;
    bool overlong = false;
    for (uint64_t at = end; at > 0;) {
        const size_t size = static_cast<size_t>(std::min<uint64_t>(piece, at));
        at -= size;
        const auto bytes = store.ReadAt(at, size);
        if (!bytes || bytes->size() != size) return false;
        std::string text = *bytes;
        if (!overlong) text += head;
        head.clear();
        size_t lineEnd = text.size();
        while (lineEnd > 0) {
            const size_t newline = lineEnd >= 2 ? text.rfind('\n', lineEnd - 2) : std::string::npos;
            if (newline == std::string::npos && at > 0) {
                overlong = lineEnd > kLongestRecord;
                if (!overlong) head = text.substr(0, lineEnd);
                break;
            }
            const size_t lineStart = newline == std::string::npos ? 0 : newline + 1;
            std::string_view line(text.data() + lineStart, lineEnd - lineStart);
            lineEnd = lineStart;
            if (overlong) {  // the rest of a line too long to be a record
                overlong = false;
                continue;
            }
            if (line.empty() || line.back() != '\n') continue;  // cut short where the reading ends
            line.remove_suffix(1);
            DecodedRecord decoded = DecodeRecord(line, true);
            if (!decoded.record || decoded.record->run != run) continue;
            JournalRecord& r = *decoded.record;
            if (r.type == JournalRecord::Run) return true;  // nothing of the run stands before its own record
            if (r.type != JournalRecord::Folder) continue;
            JournalFolder folder;
            folder.seq = r.seq;
            folder.oldPath = std::move(r.path);
            folder.tempPath = std::move(r.tempPath);
            folder.newPath = std::move(r.newPath);
            if (!each(std::move(folder))) return true;
        }
    }
    return true;
}

std::pair<const std::string, std::unordered_set<uint32_t>>* RunIndex::Of(const std::string& run, bool runRecord) {
    if (last_ && last_->first == run) return last_;
    auto [it, added] = open.try_emplace(run);
    if (added) {
        order.push_back(run);
        if (!runRecord) orphans.insert(run);
    }
    last_ = &*it;
    return last_;
}

void RunIndex::Take(std::string_view line) {
    DecodedRecord decoded = DecodeRecord(line, false);
    if (decoded.fault == RecordFault::Implausible) implausible = true;
    if (decoded.record) Take(*decoded.record);
}

void RunIndex::Forget(const std::string& run) {
    if (!open.erase(run)) return;
    order.erase(std::find(order.begin(), order.end(), run));
    for (auto* set : {&unended, &stopped, &orphans, &renamed, &undos}) set->erase(run);
    targets.erase(run);
    last_ = nullptr;
}

void RunIndex::Take(const JournalRecord& r) {
    if (r.type == JournalRecord::Cut || r.type == JournalRecord::Segment) return;
    if (r.type == JournalRecord::Drop) return Forget(r.run);
    auto* run = Of(r.run, r.type == JournalRecord::Run);
    switch (r.type) {
        case JournalRecord::Run:
            orphans.erase(r.run);
            if (r.kind == RunKind::Undo) undos.insert(r.run);
            if (!r.target.empty()) targets[r.run] = r.target;
            break;
        case JournalRecord::Folder:
            run->second.insert(r.seq);
            break;
        case JournalRecord::Done:
            run->second.erase(r.seq);
            if ((r.outcome == JournalOutcome::New || r.outcome == JournalOutcome::Elsewhere) && !undos.count(r.run))
                renamed.insert(r.run);
            break;
        case JournalRecord::Request:
            unended.insert(r.run);
            break;
        case JournalRecord::End:
            unended.erase(r.run);
            if (r.end != RunEnd::Done) stopped.insert(r.run);
            break;
        default:
            break;
    }
}

bool RunIndex::AnyOpen() const {
    if (implausible || !unended.empty() || !orphans.empty()) return true;  // to be looked at (and reported)
    for (const auto& [run, folders] : open)
        if (!folders.empty()) return true;
    return false;
}

std::unordered_set<std::string> RunIndex::Kept(size_t keep, const std::string& also) const {
    // The newest `keep` runs that renamed something, newest first, and the
    // undos and resumes that serve them; a run that renamed nothing, or an
    // undo of a run no longer kept, never takes a place of its own.
    std::unordered_set<std::string> kept;
    size_t renaming = 0;
    for (size_t i = order.size(); i-- > 0;) {
        const std::string& run = order[i];
        if (renamed.count(run) && renaming < keep) {
            ++renaming;
            kept.insert(run);
        }
    }
    // The newest run left unfinished is kept for /RESUME, and so is every
    // run that has not ended yet.
    for (size_t i = order.size(); i-- > 0;)
        if (stopped.count(order[i]) || unended.count(order[i])) {
            kept.insert(order[i]);
            break;
        }
    for (const std::string& run : order) {
        const auto target = targets.find(run);
        const bool serves = target != targets.end() && kept.count(target->second);
        if (serves || !open.at(run).empty() || unended.count(run) || run == also || run == order.back())
            kept.insert(run);
    }
    if (kept.size() == order.size()) kept.clear();
    return kept;
}

bool HasOpenFolders(const std::string& bytes) {
    RunIndex index;
    ForEachLine(bytes, [&](std::string_view line) { index.Take(line); });
    return index.AnyOpen();
}

std::string TrimJournal(const std::string& bytes, size_t keep) {
    RunIndex index;
    ForEachLine(bytes, [&](std::string_view line) { index.Take(line); });
    const std::unordered_set<std::string> kept = index.Kept(keep);
    if (kept.empty()) return bytes;
    std::string result;
    result.reserve(bytes.size());
    ForEachLine(bytes, [&](std::string_view line) {
        const DecodedRecord decoded = DecodeRecord(line, false);
        if (decoded.record && decoded.record->type != JournalRecord::Cut && kept.count(decoded.record->run)) {
            result.append(line);
            result.push_back('\n');
        }
    });
    return result;
}

}  // namespace kelvaro
