#include "engine/journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <set>
#include <type_traits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/folder_rules.h"

namespace kelvaro {
namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

template <typename List>
std::string Joined(const List& list) {
    std::string text;
    for (const auto& item : list) {
        if (!text.empty()) text += ',';
        if constexpr (std::is_integral_v<std::decay_t<decltype(item)>>)
            text += std::to_string(item);
        else
            text += item;
    }
    return text;
}

// The items of a list Joined wrote; false when one is not an item.
template <typename Item>
bool Split(std::string_view text, std::vector<Item>& items) {
    for (size_t at = 0; at < text.size();) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view item = text.substr(at, comma - at);
        if constexpr (std::is_integral_v<Item>) {
            if (!ParseNumber(item, items.emplace_back())) return false;
        } else {
            if (item.empty()) return false;
            items.emplace_back(item);
        }
        at = comma + 1;
    }
    return true;
}

std::string Hex(std::string_view bytes) {
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back("0123456789abcdef"[c >> 4]);
        hex.push_back("0123456789abcdef"[c & 0xF]);
    }
    return hex;
}

bool Unhex(std::string_view hex, std::string& bytes) {
    bytes.clear();
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        if (!ParseNumber(hex.substr(i, 2), value, 16)) return false;
        bytes.push_back(static_cast<char>(value));
    }
    return true;
}

// An index with more open folders than this is not kept in a file.
constexpr size_t kIndexedOpenFolders = 10000;

}  // namespace

// What the journal was found to hold at the last look: a look at the same
// journal (no segment of it deleted since) reads only what was appended after
// it. It is kept in a file beside the journal when a run ends, sealed whole as
// a record is (a TAB and the sum after its last line):
//
//   K2X3 TAB file TAB size TAB implausible TAB tail in hex TAB segment TAB listed   the journal, how much of it was read
//   run TAB flags TAB seq,seq,... TAB target      each run in order, with its open folders
//   S TAB segment TAB run,run,...                 each segment, with the runs that have records in it
//   X TAB run TAB segment                         each run dropped, with the segment of its drop record
//
// The flags of a run: u not ended, s stopped or killed, o its run record is
// gone, r it renamed something, U an undo.
struct RenameJournal::Index {
    RunIndex runs;
    uint64_t file = 0, size = 0;
    LineSplitter lines;
    std::string tail;                // the last bytes the last look read
    uint32_t segment = 0;            // the segment the records read last stand in, as its S record says
    std::vector<uint32_t> listed;    // the segments there were at the last look
    std::map<uint32_t, std::set<std::string>> holds;  // a segment, as S records name them: the runs with records in it
    std::map<std::string, uint32_t> droppedIn;        // a run dropped: the segment of its drop record

    // Takes in the next bytes of the journal.
    void Read(std::string_view piece) {
        KeepTail(piece);
        lines.Piece(piece, [&](std::string_view line) {
            const DecodedRecord decoded = DecodeRecord(line, false);
            if (decoded.fault == RecordFault::Implausible) runs.implausible = true;
            if (decoded.record) Take(*decoded.record);
        });
    }
    // Takes in one whole record, with its LF.
    void ReadRecord(std::string_view line, const JournalRecord& record) {
        KeepTail(line);
        Take(record);
    }
    void KeepTail(std::string_view bytes) {
        size += bytes.size();
        tail.append(bytes.substr(bytes.size() - std::min<size_t>(bytes.size(), 64)));
        if (tail.size() > 64) tail.erase(0, tail.size() - 64);
    }
    void Take(const JournalRecord& record) {
        if (record.type == JournalRecord::Segment) {
            segment = static_cast<uint32_t>(record.number);
            holds[segment];
        } else if (record.type != JournalRecord::Cut) {
            holds[segment].insert(record.run);
            if (record.type == JournalRecord::Drop) droppedIn[record.run] = segment;
        }
        runs.Take(record);
    }
    // A reading from the start: what stands before the first S record is the first segment's.
    void Begin(const std::vector<JournalSegment>& segments) {
        if (segments.empty()) return;
        segment = segments.front().number;
        holds[segment];
    }

    // As kept in the file; empty when it is not worth keeping.
    std::string Saved() const {
        size_t openFolders = 0;
        for (const auto& [run, folders] : runs.open) openFolders += folders.size();
        if (!lines.Rest().empty() || file == 0 || openFolders > kIndexedOpenFolders) return {};
        std::string text = "K2X3\t" + std::to_string(file) + "\t" + std::to_string(size) + "\t" +
                           (runs.implausible ? "1" : "0") + "\t" + Hex(tail) + "\t" + std::to_string(segment) +
                           "\t" + Joined(listed);
        for (const std::string& run : runs.order) {
            std::string flags;
            for (const auto& [letter, set] : Flags())
                if ((runs.*set).count(run)) flags += letter;
            text += "\n" + run + "\t" + flags + "\t";
            text += Joined(std::set<uint32_t>(runs.open.at(run).begin(), runs.open.at(run).end()));
            const auto target = runs.targets.find(run);
            text += "\t" + (target == runs.targets.end() ? std::string() : target->second);
        }
        for (const auto& [number, held] : holds) text += "\nS\t" + std::to_string(number) + "\t" + Joined(held);
        for (const auto& [run, number] : droppedIn) text += "\nX\t" + run + "\t" + std::to_string(number);
        return Seal(std::move(text));
    }
    // The index `bytes` keep; null when they are not one.
    static std::unique_ptr<Index> FromSaved(std::string_view bytes) {
        if (bytes.empty() || bytes.back() != '\n') return nullptr;
        const auto text = Unseal(bytes.substr(0, bytes.size() - 1));
        if (!text) return nullptr;
        auto index = std::make_unique<Index>();
        bool header = true;
        for (size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
            end = text->find('\n', start);
            const Fields f = SplitFields(text->substr(start, end == std::string_view::npos ? end : end - start));
            if (header) {
                header = false;
                if (f.size() != 7 || f[0] != "K2X3" || !ParseNumber(f[1], index->file) ||
                    !ParseNumber(f[2], index->size) || (f[3] != "0" && f[3] != "1") || !Unhex(f[4], index->tail) ||
                    index->tail.size() != std::min<uint64_t>(index->size, 64) || !ParseNumber(f[5], index->segment) ||
                    !Split(f[6], index->listed))
                    return nullptr;
                index->runs.implausible = f[3] == "1";
                continue;
            }
            if (f.size() == 3 && f[0] == "S") {
                uint32_t number = 0;
                std::vector<std::string> held;
                if (!ParseNumber(f[1], number) || !Split(f[2], held)) return nullptr;
                index->holds[number].insert(held.begin(), held.end());
                continue;
            }
            if (f.size() == 3 && f[0] == "X") {
                if (f[1].empty() || !ParseNumber(f[2], index->droppedIn[std::string(f[1])])) return nullptr;
                continue;
            }
            if (f.size() != 4 || f[0].empty()) return nullptr;
            const std::string run(f[0]);
            auto& open = index->runs.open[run];
            index->runs.order.push_back(run);
            for (char letter : f[1]) {
                bool known = false;
                for (const auto& [flag, set] : Flags())
                    if (flag == letter) {
                        (index->runs.*set).insert(run);
                        known = true;
                    }
                if (!known) return nullptr;
            }
            std::vector<uint32_t> seqs;
            if (!Split(f[2], seqs)) return nullptr;
            open.insert(seqs.begin(), seqs.end());
            if (!f[3].empty()) index->runs.targets[run] = std::string(f[3]);
        }
        if (header || index->runs.open.size() != index->runs.order.size()) return nullptr;
        return index;
    }

private:
    using RunSet = std::unordered_set<std::string> RunIndex::*;
    static const std::array<std::pair<char, RunSet>, 5>& Flags() {
        static const std::array<std::pair<char, RunSet>, 5> flags = {{{'u', &RunIndex::unended},
                                                                      {'s', &RunIndex::stopped},
                                                                      {'o', &RunIndex::orphans},
                                                                      {'r', &RunIndex::renamed},
                                                                      {'U', &RunIndex::undos}}};
        return flags;
    }
};

RenameJournal::RenameJournal(IJournalStore& store) : store_(store) {}

RenameJournal::~RenameJournal() {
    EndRun();
}

RenameJournal::Index* RenameJournal::Look() {
    const auto file = store_.FileId();
    const auto segments = store_.Segments();
    uint64_t size = 0;
    std::vector<uint32_t> listed;
    for (const JournalSegment& segment : segments.value_or(std::vector<JournalSegment>{})) {
        size += segment.size;
        listed.push_back(segment.number);
    }
    // The first look goes on from what the last run of any copy found.
    if (!index_ && !indexFileTried_ && file) {
        indexFileTried_ = true;
        index_ = Index::FromSaved(store_.ReadIndex());
    }
    // A store that cannot tell its journal apart, or one put in its place,
    // cut or with a segment deleted since, is read from its start.
    if (!segments || !index_ || !file || index_->file != *file || size < index_->size ||
        index_->listed.size() > listed.size() ||
        !std::equal(index_->listed.begin(), index_->listed.end(), listed.begin())) {
        index_ = std::make_unique<Index>();
        index_->file = file.value_or(0);
        if (segments) index_->Begin(*segments);
    }
    Index& index = *index_;
    index.listed = std::move(listed);
    // The last bytes of the last look are read again: a journal put in its
    // place under the same number (a number the system gave out again) differs there.
    std::string before = index.tail;
    bool same = true;
    const bool whole = store_.ReadFrom(index.size - before.size(), [&](std::string_view piece) {
        if (!before.empty()) {
            const size_t n = std::min(before.size(), piece.size());
            same = same && piece.substr(0, n) == std::string_view(before).substr(0, n);
            before.erase(0, n);
            piece.remove_prefix(n);
        }
        if (same) index.Read(piece);
    });
    if (!whole || !same || !before.empty()) {
        index_.reset();
        synced_ = false;
        // Another journal after all: looked at from its start.
        return whole && file ? Look() : nullptr;
    }
    // Under the turn nothing is appended but what this copy appends.
    synced_ = appending_;
    return &index;
}

bool RenameJournal::Append(const std::string& bytes) {
    if (!store_.Append(bytes)) {
        synced_ = false;
        return false;
    }
    if (synced_ && index_) index_->Read(bytes);
    return true;
}

std::optional<bool> RenameJournal::HasOpenFolders() {
    const Index* index = Look();
    if (!index) return std::nullopt;
    return index->runs.AnyOpen();
}

void RenameJournal::Trim(size_t keep, const std::string& target) {
    Index* index = Look();
    if (!index) return;
    // A run no longer kept is dropped by a record of its own: every reader
    // passes over its records from then on, wherever they stand. Nothing
    // else of the journal is written again.
    const std::unordered_set<std::string> kept = index->runs.Kept(keep, target);
    std::string drops;
    if (!kept.empty())
        for (const std::string& run : index->runs.order)
            if (!kept.count(run)) drops += DropRecord(run);
    if (!drops.empty() && !(Append(drops) && store_.Flush())) return;
    if (!synced_) index = Look();
    if (index) DeleteDropped(*index);
}

void RenameJournal::DeleteDropped(Index& index) {
    const auto segments = store_.Segments();
    if (!segments || segments->size() < 3) return;
    // A segment belongs to the S record that begins it; one whose S record
    // was lost to a cut, to the segment before it.
    for (const auto& [number, held] : index.holds)
        if (std::none_of(segments->begin(), segments->end(),
                         [number = number](const JournalSegment& segment) { return segment.number == number; }))
            return;  // a segment named otherwise than its files: nothing is deleted on a guess
    std::vector<uint32_t> group(segments->size());
    for (size_t i = 0; i < group.size(); ++i)
        group[i] = i == 0 || index.holds.count((*segments)[i].number) ? (*segments)[i].number : group[i - 1];
    // The last two segments stay, and with them their groups.
    std::set<uint32_t> gone;
    for (const auto& [number, held] : index.holds)
        if (std::none_of(held.begin(), held.end(), [&](const std::string& run) { return index.runs.open.count(run); }))
            gone.insert(number);
    for (size_t i = group.size() - 2; i < group.size(); ++i) gone.erase(group[i]);
    // A dropped run's drop record goes only with every record of the run:
    // left alone, those would stand for the run again.
    for (bool changed = true; changed;) {
        changed = false;
        for (auto at = gone.begin(); at != gone.end();) {
            const auto& held = index.holds.at(*at);
            const bool leavesOne = std::any_of(held.begin(), held.end(), [&](const std::string& run) {
                const auto hider = index.droppedIn.find(run);
                if (hider == index.droppedIn.end() || !gone.count(hider->second)) return false;
                for (const auto& [number, others] : index.holds)
                    if (others.count(run) && !gone.count(number)) return true;
                return false;
            });
            at = leavesOne ? gone.erase(at) : std::next(at);
            changed = changed || leavesOne;
        }
    }
    // Oldest first, so that a deletion that fails leaves every drop record
    // that stands for a record still there.
    uint64_t deleted = 0;
    for (size_t i = 0; i < group.size(); ++i) {
        if (!gone.count(group[i])) continue;
        if (!store_.DeleteSegment((*segments)[i].number)) {
            trimFailed_ = true;
            // The groups are no longer whole: the next look reads the journal again.
            index_.reset();
            synced_ = false;
            return;
        }
        deleted += (*segments)[i].size;
    }
    if (gone.empty()) return;
    index.size -= deleted;
    for (uint32_t number : gone) index.holds.erase(number);
    for (auto at = index.droppedIn.begin(); at != index.droppedIn.end();)
        at = index.holds.count(at->second) ? std::next(at) : index.droppedIn.erase(at);
    index.listed.clear();
    for (size_t i = 0; i < group.size(); ++i)
        if (!gone.count(group[i])) index.listed.push_back((*segments)[i].number);
    index.file = store_.FileId().value_or(0);
}

bool RenameJournal::TakeTurn(const std::function<void()>& waiting) {
    failed_ = false;
    gaveUp_ = false;
    if (!appending_) {
        // Another copy's turn is waited out for as long as that copy holds
        // it (the system takes it back when the copy ends, however it ends):
        // going on without it could take back a run still being written.
        // Only the user ends the wait early (Cancel, Ctrl+C).
        for (bool told = false;;) {
            const TurnTry tried = store_.TryOpenForAppend();
            if (tried == TurnTry::Failed) return false;
            if (tried == TurnTry::Taken) break;
            if (!std::exchange(told, true)) {
                if (waiting) waiting();
                if (notice_) notice_();
            }
            if (!pause_) {
                store_.Sleep(pauseLength_);
            } else if (!pause_(pauseLength_)) {
                gaveUp_ = true;
                return false;
            }
        }
        appending_ = true;
        // What the last look found still holds if nothing was appended since.
        const auto size = store_.Size();
        synced_ = index_ && size && *size == index_->size && store_.FileId() == index_->file;
    }
    // A line a killed writer left half-written is ended and marked first, so
    // that the next record is not glued to it and the line is not taken for damage.
    char last = '\n';
    if (const auto size = store_.Size(); size && *size > 0)
        store_.ReadFrom(*size - 1, [&](std::string_view piece) {
            if (!piece.empty()) last = piece.back();
        });
    if (last != '\n') Append("\n" + CutRecord());
    return true;
}

bool RenameJournal::BeginRun(RunKind kind, const std::string& target, const std::function<void()>& waiting) {
    recording_ = false;
    unrecorded_ = false;
    // The journal is read and trimmed under the turn, so that no other
    // copy's records are lost to a stale view.
    if (!TakeTurn(waiting)) return false;
    Trim(kJournalRuns, target);
    // Each run begins a segment of its own, which a later trim can delete whole.
    store_.Flush();
    const uint32_t segment = store_.StartSegment();
    const ProcessStamp self = store_.Self();
    const uint64_t now = store_.Now();
    run_ = std::to_string(now) + "-" + std::to_string(self.pid);
    next_ = 0;
    recording_ = Append((segment ? SegmentRecord(segment) : std::string()) + RunRecord(run_, kind, self, target));
    if (!recording_) EndRun();
    // The run's record (and the trimmed journal's) reaches the disk before
    // its first rename does.
    if (recording_) store_.Flush();
    ahead_.clear();
    aheadSize_ = kAheadFirst;
    if (recording_ && kind == RunKind::Run && markWrite_ && LastRunUnrecorded()) markWrite_(false);
    return recording_;
}

void RenameJournal::GoOnUnrecorded() {
    unrecorded_ = true;
    if (markWrite_) markWrite_(true);
}

void RenameJournal::EndRun() {
    if (recording_ && !failed_) CloseAhead();
    recording_ = false;
    unrecorded_ = false;
    if (appending_) {
        store_.Flush();
        if (!pending_.empty()) {
            AppendPending();
            store_.Flush();
        }
        // The next look, in this copy or another, goes on from here.
        if (synced_ && index_)
            if (const std::string saved = index_->Saved(); !saved.empty()) store_.WriteIndex(saved);
        store_.CloseAppend();
    }
    appending_ = false;
    synced_ = false;
    pending_.clear();
}

bool RenameJournal::AppendPending() {
    if (pending_.empty()) return true;
    const bool written = Append(pending_);
    pending_.clear();
    return written;
}

uint32_t RenameJournal::FolderBegin(const std::wstring& oldPath,
                                    const std::wstring& tempPath,
                                    const std::wstring& newPath,
                                    uint32_t seq) {
    if (!recording_ || failed_) return 0;
    if (seq == 0) seq = ++next_;
    if (TakeAhead(oldPath, tempPath, newPath, seq)) return seq;
    if (failed_) return 0;
    // This folder's record, and once the last batch is used up the next
    // folders' records, reach the disk before this folder is touched.
    std::string batch = FolderRecord(run_, seq, oldPath, tempPath, newPath);
    const uint64_t now = store_.Now();
    if (lookahead_ && aheadMost_ > 1 && ahead_.empty()) {
        // The last batch went by quickly: the next one is larger; slowly: smaller.
        if (aheadAt_ && now - aheadAt_ < kAheadTime / 2) aheadSize_ = std::min(aheadSize_ * 2, aheadMost_);
        if (aheadAt_ && now - aheadAt_ > kAheadTime * 2) aheadSize_ = std::max<uint32_t>(aheadSize_ / 2, 1);
        for (PlannedMove& planned : lookahead_(std::min(aheadSize_, aheadMost_) - 1)) {
            if (planned.seq == 0 || planned.seq == seq) continue;
            batch += FolderRecord(run_, planned.seq, planned.oldPath, planned.oldPath + kTempSuffix, planned.newPath);
            ahead_.push_back(std::move(planned));
        }
    }
    aheadAt_ = now;
    if (Append(batch)) {
        store_.Flush();
        if (AppendPending()) return seq;
    }
    ahead_.clear();
    failed_ = true;
    return 0;
}

uint32_t RenameJournal::TakeAhead(const std::wstring& oldPath,
                                  const std::wstring& tempPath,
                                  const std::wstring& newPath,
                                  uint32_t seq) {
    const auto found =
        std::find_if(ahead_.begin(), ahead_.end(), [seq](const PlannedMove& planned) { return planned.seq == seq; });
    if (found == ahead_.end()) return 0;
    // The run takes its folders in order: those before this one it passed over.
    const bool same = found->oldPath == oldPath && found->newPath == newPath && tempPath == oldPath + kTempSuffix;
    for (size_t passed = found - ahead_.begin() + (same ? 0 : 1); passed > 0; --passed) {
        if (!Append(DoneRecord(run_, ahead_.front().seq, JournalOutcome::Old, ahead_.front().oldPath))) {
            ahead_.clear();
            failed_ = true;
            return 0;
        }
        ahead_.pop_front();
    }
    // Written ahead under other names (a folder above it moved since, say):
    // closed above, and written again as the folder is taken now.
    if (!same) return 0;
    ahead_.pop_front();
    return seq;
}

bool RenameJournal::CloseAhead() {
    for (; !ahead_.empty(); ahead_.pop_front())
        if (!Append(DoneRecord(run_, ahead_.front().seq, JournalOutcome::Old, ahead_.front().oldPath))) {
            ahead_.clear();
            return false;
        }
    return true;
}

void RenameJournal::SetLookahead(Lookahead lookahead) {
    if (recording_ && !failed_ && !CloseAhead()) failed_ = true;
    lookahead_ = std::move(lookahead);
}

void RenameJournal::FolderEnd(uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    if (recording_ && seq != 0) pending_ += DoneRecord(run_, seq, outcome, where);
}

void RenameJournal::Close(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    if (!appending_ && !TakeTurn()) return;
    pending_ += DoneRecord(run, seq, outcome, where);
}

void RenameJournal::Request(const RunRequest& request) {
    if (!recording_ || failed_) return;
    // The request reaches the disk with the run's record, before the first rename.
    if (Append(RequestRecords(run_, request)))
        store_.Flush();
    else
        failed_ = true;
}

void RenameJournal::End(RunEnd end, uint64_t reached) {
    if (!recording_) return;
    if (!failed_ && !CloseAhead()) failed_ = true;
    // After the outcomes of its last folders, which wait for a flush after their moves.
    store_.Flush();
    if (!AppendPending() || !Append(EndRecord(run_, end, reached))) failed_ = true;
}

void RenameJournal::EndOther(const std::string& run, RunEnd end, uint64_t reached) {
    if (!appending_ && !TakeTurn()) return;
    pending_ += EndRecord(run, end, reached);
}

}  // namespace kelvaro
