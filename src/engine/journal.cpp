#include "engine/journal.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "engine/folder_rules.h"

namespace kelvaro {
namespace {

// The journal is UTF-8 text, one record per line, each line ended by LF:
//
//   K2J1 TAB R TAB run TAB kind TAB pid TAB started TAB target TAB sum   a run begins (kind R run, U undo)
//   K2J1 TAB F TAB run TAB seq TAB old TAB temp TAB new TAB sum          a folder is about to be renamed
//   K2J1 TAB D TAB run TAB seq TAB outcome TAB where TAB sum             where the folder ended
//
// `sum` is the FNV-1a hash of the bytes before the last TAB, as eight hex
// digits. Paths cannot hold TAB or LF (Windows forbids control characters in
// names), so no escaping is needed. A line without its LF (a write cut short),
// with a wrong sum, or that is not UTF-8 is skipped; so is a record of a run
// whose run record is gone, and so is a folder record whose temporary path is
// not its old path plus the temporary suffix, or whose new path lies in
// another folder. A run's folders are numbered from 1; an undo uses the
// numbers of the folders it takes back.
//
//   K2J1 TAB Q TAB run TAB mode TAB flags TAB total TAB sum    what the run was asked to do (after its R record)
//   K2J1 TAB P TAB run TAB index TAB path TAB sum              a folder named in the request, numbered from 1
//   K2J1 TAB E TAB run TAB end TAB reached TAB sum             how the run ended (D done, S stopped, K killed)
//
// A run with a request numbers its folder records by the named folder they
// belong to, so that a run cut short tells how far it got; a run without one
// (written by an earlier version) numbers them in order.
//
//   K2J1 TAB C TAB - TAB sum                                              the line before was cut short
//
// is written by the writer that finds the journal ending in a line without
// its LF (a writer killed in the middle of a record).
constexpr std::string_view kMagic = "K2J1";

uint32_t Fnv1a(std::string_view bytes) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                            nullptr);
    return bytes;
}

bool Wide(std::string_view bytes, std::wstring& text) {
    text.clear();
    if (bytes.empty()) return true;
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0) return false;
    text.resize(static_cast<size_t>(size));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return true;
}

// True when `bytes` is UTF-8 throughout, as Wide would take it.
bool ValidUtf8(std::string_view bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::string Seal(std::string line) {
    char sum[9];
    const uint32_t hash = Fnv1a(line);
    for (int i = 7; i >= 0; --i) sum[7 - i] = "0123456789abcdef"[(hash >> (i * 4)) & 0xF];
    sum[8] = '\0';
    return line + "\t" + sum + "\n";
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// The fields of one sealed line (none when the line is not one); no record
// has more than seven.
class Fields {
public:
    bool empty() const { return count_ == 0; }
    size_t size() const { return count_; }
    std::string_view operator[](size_t i) const { return fields_[i]; }
    void Add(std::string_view field) { fields_[count_++] = field; }
    bool Full() const { return count_ == fields_.size(); }

private:
    std::array<std::string_view, 7> fields_;
    size_t count_ = 0;
};

// What Seal was given, from what it made (without the LF); nothing when the sum does not match.
std::optional<std::string_view> Unseal(std::string_view sealed) {
    const size_t lastTab = sealed.rfind('\t');
    if (lastTab == std::string_view::npos || sealed.size() - lastTab - 1 != 8) return std::nullopt;
    uint32_t sum = 0;
    if (!ParseNumber(sealed.substr(lastTab + 1), sum, 16)) return std::nullopt;
    const std::string_view body = sealed.substr(0, lastTab);
    if (Fnv1a(body) != sum) return std::nullopt;
    return body;
}

// The fields of `line` between TABs; none when there are more than a record has.
Fields SplitFields(std::string_view line) {
    Fields fields;
    size_t start = 0;
    for (size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', start)) {
        if (fields.Full()) return Fields{};
        fields.Add(line.substr(start, tab - start));
        start = tab + 1;
    }
    if (fields.Full()) return Fields{};
    fields.Add(line.substr(start));
    return fields;
}

Fields OpenSeal(std::string_view line) {
    const auto body = Unseal(line);
    if (!body) return Fields{};
    Fields fields = SplitFields(*body);
    if (fields.size() < 3 || fields[0] != kMagic) return Fields{};
    return fields;
}

// Calls `each(line, fields)` for every whole line; `fields` is empty when the
// line is not sealed.
template <typename Each>
void ForEachLine(std::string_view bytes, Each each) {
    size_t start = 0;
    for (size_t end = bytes.find('\n'); end != std::string_view::npos; end = bytes.find('\n', start)) {
        const std::string_view line(bytes.data() + start, end - start);
        start = end + 1;
        each(line, OpenSeal(line));
    }
}

// Calls `each(line, fields)` for every whole, sealed line.
template <typename Each>
void ForEachRecord(std::string_view bytes, Each each) {
    ForEachLine(bytes, [&](std::string_view line, const Fields& fields) {
        if (!fields.empty()) each(line, fields);
    });
}

// The same for the whole lines of one piece of a journal read a piece at a
// time: `carry` holds the start of a line the piece before cut, and gets the
// one this piece cuts.
template <typename Each>
void ForEachStoredPiece(std::string_view piece, std::string& carry, Each each) {
    if (!carry.empty()) {
        const size_t end = piece.find('\n');
        if (end == std::string_view::npos) {
            carry.append(piece);
            return;
        }
        carry.append(piece.substr(0, end + 1));
        ForEachLine(carry, each);
        carry.clear();
        piece.remove_prefix(end + 1);
    }
    const size_t last = piece.rfind('\n');
    if (last == std::string_view::npos) {
        carry.assign(piece);
        return;
    }
    ForEachLine(piece.substr(0, last + 1), each);
    carry.assign(piece.substr(last + 1));
}

// The same for every whole line of the journal a store holds; false when it cannot be read.
template <typename Each>
bool ForEachStoredLine(IJournalStore& store, Each each) {
    std::string carry;
    return store.ReadFrom(0, [&](std::string_view piece) { ForEachStoredPiece(piece, carry, each); });
}

bool HasDotPart(std::string_view path) {
    for (size_t at = path.find("\\."); at != std::string_view::npos; at = path.find("\\.", at + 1)) {
        const std::string_view rest = path.substr(at + 2);
        if (rest.empty() || rest[0] == '\\' || (rest[0] == '.' && (rest.size() == 1 || rest[1] == '\\'))) return true;
    }
    return false;
}

// True when old, temporary and new path (UTF-8) are what a run of this
// program writes: the temporary path is the old one plus the suffix, the new
// one a sibling of the old one, all of them full paths without "." or "..".
bool PlausibleMove(std::string_view old, std::string_view temp, std::string_view fresh) {
    static const std::string suffix = Utf8(kTempSuffix);
    if (temp.size() != old.size() + suffix.size() || temp.substr(0, old.size()) != old ||
        temp.substr(old.size()) != suffix)
        return false;
    const bool full = (old.size() > 3 && old[1] == ':' && old[2] == '\\') || old.substr(0, 2) == "\\\\";
    const size_t slash = old.rfind('\\');
    if (!full || slash == std::string_view::npos || slash + 1 == old.size()) return false;
    if (fresh.size() <= slash + 1 || fresh.substr(0, slash + 1) != old.substr(0, slash + 1) ||
        fresh.find('\\', slash + 1) != std::string_view::npos)
        return false;
    for (std::string_view path : {old, fresh})
        if (path.find('/') != std::string_view::npos || HasDotPart(path)) return false;
    return true;
}

bool IsOutcome(char c) {
    return c == 'N' || c == 'O' || c == 'T' || c == 'W' || c == '?';
}

bool IsRunEnd(char c) {
    return c == 'D' || c == 'S' || c == 'K';
}

// A named folder is a full path without "." or ".." parts, as a run names it.
bool PlausibleTarget(std::string_view path) {
    const bool full = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.substr(0, 2) == "\\\\";
    return full && path.find('/') == std::string_view::npos && !HasDotPart(path);
}

}  // namespace

std::string RunRecord(const std::string& run, RunKind kind, const ProcessStamp& writer, const std::string& target) {
    return Seal(std::string(kMagic) + "\tR\t" + run + "\t" + static_cast<char>(kind) + "\t" +
                std::to_string(writer.pid) + "\t" + std::to_string(writer.started) + "\t" + target);
}

std::string FolderRecord(const std::string& run,
                         uint32_t seq,
                         const std::wstring& oldPath,
                         const std::wstring& tempPath,
                         const std::wstring& newPath) {
    return Seal(std::string(kMagic) + "\tF\t" + run + "\t" + std::to_string(seq) + "\t" + Utf8(oldPath) + "\t" +
                Utf8(tempPath) + "\t" + Utf8(newPath));
}

std::string DoneRecord(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    return Seal(std::string(kMagic) + "\tD\t" + run + "\t" + std::to_string(seq) + "\t" + static_cast<char>(outcome) +
                "\t" + Utf8(where));
}

std::string CutRecord() {
    return Seal(std::string(kMagic) + "\tC\t-");
}

std::string RequestRecords(const std::string& run, const RunRequest& request) {
    std::string bytes = Seal(std::string(kMagic) + "\tQ\t" + run + "\t" + std::to_string(request.mode) + "\t" +
                             request.flags + "\t" + (request.total ? std::to_string(request.total) : std::string()));
    for (size_t i = 0; i < request.targets.size(); ++i)
        bytes +=
            Seal(std::string(kMagic) + "\tP\t" + run + "\t" + std::to_string(i + 1) + "\t" + Utf8(request.targets[i]));
    return bytes;
}

std::string EndRecord(const std::string& run, RunEnd end, uint64_t reached) {
    return Seal(std::string(kMagic) + "\tE\t" + run + "\t" + static_cast<char>(end) + "\t" + std::to_string(reached));
}

uint64_t JournalRun::Started() const {
    uint64_t started = 0;
    const size_t dash = id.find('-');
    ParseNumber(std::string_view(id).substr(0, dash), started);
    return started;
}

namespace {

// Takes a journal in a line at a time and gives its runs at the end.
class JournalParser {
public:
    explicit JournalParser(const std::function<bool(const std::string& run)>& withPaths) : withPaths_(withPaths) {}

    void Line(const Fields& f) {
        const bool cutRecord = !f.empty() && f[1] == "C";
        if (cutBefore_ && !cutRecord) Count();
        cutBefore_ = f.empty();
        if (!f.empty() && !cutRecord && !Take(f)) Count();
    }

    std::vector<JournalRun> Finish(JournalDamage* damage) {
        if (cutBefore_) Count();
        if (damage) *damage = found_;
        return std::move(runs_);
    }

private:
    void Count() {
        ++found_.lines;
        found_.runsBefore = runs_.size();
    }

    // True when the record was taken in.
    bool Take(const Fields& f) {
        const std::string_view type = f[1];
        if (type == "R" && f.size() == 7) {
            JournalRun run;
            run.id = std::string(f[2]);
            if (run.id.empty() || f[3].size() != 1 || runIndex_.count(run.id)) return false;
            if (f[3][0] != 'R' && f[3][0] != 'U') return false;
            run.kind = static_cast<RunKind>(f[3][0]);
            if (!ParseNumber(f[4], run.writer.pid) || !ParseNumber(f[5], run.writer.started)) return false;
            run.target = std::string(f[6]);
            runIndex_.emplace(run.id, runs_.size());
            paths_.push_back(!withPaths_ || withPaths_(run.id));
            runs_.push_back(std::move(run));
            return true;
        }
        if (f.size() < 4) return false;
        // A run's records mostly follow each other: its entry is looked up once for them.
        if (!last_ || last_->first != f[2]) {
            const auto owner = runIndex_.find(std::string(f[2]));
            if (owner == runIndex_.end()) return false;
            last_ = &*owner;
        }
        const size_t owner = last_->second;
        JournalRun& run = runs_[owner];
        const bool paths = paths_[owner];
        if (type == "Q" && f.size() == 6) {
            RunRequest request;
            if (run.request || !ParseNumber(f[3], request.mode) || request.mode < 0) return false;
            if (!f[5].empty() && !ParseNumber(f[5], request.total)) return false;
            request.flags = std::string(f[4]);
            run.request = std::move(request);
            return true;
        }
        if (type == "P" && f.size() == 5) {
            size_t index = 0;
            std::wstring path;
            if (!run.request || !ParseNumber(f[3], index) || index != run.request->targets.size() + 1) return false;
            if (!PlausibleTarget(f[4]) || !Wide(f[4], path)) return false;
            run.request->targets.push_back(std::move(path));
            return true;
        }
        if (type == "E" && f.size() == 5) {
            if (run.end != RunEnd::Open || f[3].size() != 1 || !IsRunEnd(f[3][0])) return false;
            if (!ParseNumber(f[4], run.reached)) return false;
            run.end = static_cast<RunEnd>(f[3][0]);
            return true;
        }
        uint32_t seq = 0;
        if (!ParseNumber(f[3], seq) || seq == 0) return false;
        const uint64_t key = (static_cast<uint64_t>(owner) << 32) | seq;
        if (type == "F" && f.size() == 7) {
            JournalFolder folder;
            folder.seq = seq;
            if (!PlausibleMove(f[4], f[5], f[6])) return false;
            // Without paths the folder is only counted and followed by its number.
            if (paths ? !Wide(f[4], folder.oldPath) || !Wide(f[5], folder.tempPath) || !Wide(f[6], folder.newPath)
                      : !ValidUtf8(f[4]) || !ValidUtf8(f[5]) || !ValidUtf8(f[6]))
                return false;
            if (!folderIndex_.emplace(key, run.folders.size()).second) return false;
            run.folders.push_back(std::move(folder));
            return true;
        }
        if (type == "D" && f.size() == 6) {
            const auto it = folderIndex_.find(key);
            if (it == folderIndex_.end() || f[4].size() != 1 || !IsOutcome(f[4][0])) return false;
            JournalFolder& folder = run.folders[it->second];
            std::wstring where;
            if (paths ? !Wide(f[5], where) : !ValidUtf8(f[5])) return false;
            folder.outcome = static_cast<JournalOutcome>(f[4][0]);
            folder.where = std::move(where);
            return true;
        }
        return false;
    }

    std::function<bool(const std::string& run)> withPaths_;
    std::vector<JournalRun> runs_;
    std::vector<bool> paths_;  // per run: its paths are decoded
    std::unordered_map<std::string, size_t> runIndex_;
    const std::pair<const std::string, size_t>* last_ = nullptr;
    std::unordered_map<uint64_t, size_t> folderIndex_;  // run index and folder number -> folder
    JournalDamage found_;
    bool cutBefore_ = false;  // the line before was not sealed: cut short, unless a cut record follows
};

}  // namespace

std::vector<JournalRun> ParseJournal(const std::string& bytes, JournalDamage* damage) {
    JournalParser parser({});
    ForEachLine(bytes, [&](std::string_view, const Fields& f) { parser.Line(f); });
    return parser.Finish(damage);
}

std::optional<std::vector<JournalRun>> ParseJournal(IJournalStore& store,
                                                    JournalDamage* damage,
                                                    const std::function<bool(const std::string& run)>& withPaths) {
    JournalParser parser(withPaths);
    if (!ForEachStoredLine(store, [&](std::string_view, const Fields& f) { parser.Line(f); })) return std::nullopt;
    return parser.Finish(damage);
}

bool ForEachFolderBackward(IJournalStore& store,
                           uint64_t end,
                           const std::string& run,
                           const std::function<bool(JournalFolder&& folder)>& each,
                           size_t piece) {
    // `head` holds the start of the line the piece read last began with: the
    // rest of it is in the piece before.
    std::string head;
    for (uint64_t at = end; at > 0;) {
        const size_t size = static_cast<size_t>(std::min<uint64_t>(piece, at));
        at -= size;
        const auto bytes = store.ReadAt(at, size);
        if (!bytes || bytes->size() != size) return false;
        std::string text = *bytes + head;
        head.clear();
        size_t lineEnd = text.size();
        while (lineEnd > 0) {
            const size_t newline = lineEnd >= 2 ? text.rfind('\n', lineEnd - 2) : std::string::npos;
            if (newline == std::string::npos && at > 0) {
                head = text.substr(0, lineEnd);
                break;
            }
            const size_t lineStart = newline == std::string::npos ? 0 : newline + 1;
            std::string_view line(text.data() + lineStart, lineEnd - lineStart);
            lineEnd = lineStart;
            if (line.empty() || line.back() != '\n') continue;  // cut short where the reading ends
            line.remove_suffix(1);
            const Fields f = OpenSeal(line);
            uint32_t seq = 0;
            if (f.size() != 7 || f[1] != "F" || f[2] != run || !ParseNumber(f[3], seq) || seq == 0 ||
                !PlausibleMove(f[4], f[5], f[6]))
                continue;
            JournalFolder folder;
            folder.seq = seq;
            if (!Wide(f[4], folder.oldPath) || !Wide(f[5], folder.tempPath) || !Wide(f[6], folder.newPath)) continue;
            if (!each(std::move(folder))) return true;
        }
    }
    return true;
}

namespace {

// The runs in the order of their run records, and the folders of each that
// are still open. No path is decoded, and nothing of a line is kept but the
// run's name and the folder's number.
struct RunIndex {
    bool implausible = false;  // some folder record no run of this program could have written
    std::vector<std::string> order;
    std::unordered_map<std::string, std::unordered_set<uint32_t>> open;
    std::unordered_set<std::string> unended;  // runs with a request and no end
    std::pair<const std::string, std::unordered_set<uint32_t>>* last = nullptr;

    void Take(const Fields& f) {
        if (f[1] == "R") {
            if (open.try_emplace(std::string(f[2])).second) order.emplace_back(f[2]);
            last = nullptr;
            return;
        }
        if (f.size() <= 3) return;
        // A run's records mostly follow each other: its entry is looked up once for them.
        if (!last || last->first != f[2]) {
            const auto run = open.find(std::string(f[2]));
            if (run == open.end()) return;
            last = &*run;
        }
        const auto run = last;
        uint32_t seq = 0;
        const bool numbered = ParseNumber(f[3], seq);
        if (f[1] == "F" && f.size() == 7) {
            if (numbered && PlausibleMove(f[4], f[5], f[6]))
                run->second.insert(seq);
            else
                implausible = true;
        }
        if (f[1] == "D" && numbered) run->second.erase(seq);
        if (f[1] == "Q") unended.insert(run->first);
        if (f[1] == "E") unended.erase(run->first);
    }
    bool AnyOpen() const {
        if (implausible || !unended.empty()) return true;  // to be looked at (and reported)
        for (const auto& [run, folders] : open)
            if (!folders.empty()) return true;
        return false;
    }
    // The runs a journal trimmed to the last `keep` keeps: runs with folders
    // still open are kept whatever their age. Empty when nothing is dropped.
    std::unordered_set<std::string> Kept(size_t keep) const {
        std::unordered_set<std::string> kept;
        if (order.size() <= keep) return kept;
        for (size_t i = 0; i < order.size(); ++i)
            if (i + keep >= order.size() || !open.at(order[i]).empty()) kept.insert(order[i]);
        return kept;
    }
};

RunIndex IndexRuns(const std::string& bytes) {
    RunIndex index;
    ForEachRecord(bytes, [&](std::string_view, const Fields& f) { index.Take(f); });
    return index;
}

}  // namespace

bool HasOpenFolders(const std::string& bytes) {
    return IndexRuns(bytes).AnyOpen();
}

std::string TrimJournal(const std::string& bytes, size_t keep) {
    const std::unordered_set<std::string> kept = IndexRuns(bytes).Kept(keep);
    if (kept.empty()) return bytes;
    std::string result;
    result.reserve(bytes.size());
    ForEachRecord(bytes, [&](std::string_view line, const Fields& f) {
        if (kept.count(std::string(f[2]))) {
            result.append(line);
            result.push_back('\n');
        }
    });
    return result;
}

namespace {

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
// file (not swapped by a trim since) reads only what was appended after it.
// It is kept in a file beside the journal when a run ends, sealed whole as a
// record is (a TAB and the sum after its last line):
//
//   K2X1 TAB file TAB size TAB implausible TAB tail in hex     the file, how much of it was read
//   run TAB unended TAB seq,seq,...                            each run in order, with its open folders
struct RenameJournal::Index {
    RunIndex runs;
    uint64_t file = 0, size = 0;
    std::string carry;  // the start of a line the last look cut
    std::string tail;   // the last bytes the last look read

    // Takes in the next bytes of the file.
    void Read(std::string_view piece) {
        KeepTail(piece);
        ForEachStoredPiece(piece, carry, [&](std::string_view, const Fields& f) {
            if (!f.empty()) runs.Take(f);
        });
    }
    // Takes in one whole line, known to be sealed.
    void ReadLine(std::string_view line, const Fields& f) {
        KeepTail(line);
        KeepTail("\n");
        runs.Take(f);
    }
    void KeepTail(std::string_view bytes) {
        size += bytes.size();
        tail.append(bytes.substr(bytes.size() - std::min<size_t>(bytes.size(), 64)));
        if (tail.size() > 64) tail.erase(0, tail.size() - 64);
    }

    // As kept in the file; empty when it is not worth keeping.
    std::string Saved() const {
        size_t openFolders = 0;
        for (const auto& [run, folders] : runs.open) openFolders += folders.size();
        if (!carry.empty() || file == 0 || openFolders > kIndexedOpenFolders) return {};
        std::string text = "K2X1\t" + std::to_string(file) + "\t" + std::to_string(size) + "\t" +
                           (runs.implausible ? "1" : "0") + "\t" + Hex(tail);
        for (const std::string& run : runs.order) {
            text += "\n" + run + (runs.unended.count(run) ? "\t1\t" : "\t0\t");
            std::vector<uint32_t> open(runs.open.at(run).begin(), runs.open.at(run).end());
            std::sort(open.begin(), open.end());
            for (size_t i = 0; i < open.size(); ++i) text += (i ? "," : "") + std::to_string(open[i]);
        }
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
                if (f.size() != 5 || f[0] != "K2X1" || !ParseNumber(f[1], index->file) ||
                    !ParseNumber(f[2], index->size) || (f[3] != "0" && f[3] != "1") || !Unhex(f[4], index->tail) ||
                    index->tail.size() != std::min<uint64_t>(index->size, 64))
                    return nullptr;
                index->runs.implausible = f[3] == "1";
                continue;
            }
            if (f.size() != 3 || f[0].empty() || (f[1] != "0" && f[1] != "1")) return nullptr;
            auto& open = index->runs.open[std::string(f[0])];
            index->runs.order.emplace_back(f[0]);
            if (f[1] == "1") index->runs.unended.emplace(f[0]);
            for (size_t at = 0; at < f[2].size();) {
                const size_t comma = std::min(f[2].find(',', at), f[2].size());
                uint32_t seq = 0;
                if (!ParseNumber(f[2].substr(at, comma - at), seq)) return nullptr;
                open.insert(seq);
                at = comma + 1;
            }
        }
        if (header || index->runs.open.size() != index->runs.order.size()) return nullptr;
        return index;
    }
};

RenameJournal::RenameJournal(IJournalStore& store) : store_(store) {}

RenameJournal::~RenameJournal() {
    EndRun();
}

RenameJournal::Index* RenameJournal::Look() {
    const auto file = store_.FileId();
    const auto size = store_.Size();
    // The first look goes on from what the last run of any copy found.
    if (!index_ && !indexFileTried_ && file) {
        indexFileTried_ = true;
        index_ = Index::FromSaved(store_.ReadIndex());
    }
    // A store that cannot tell its file apart, or a file swapped or cut since, is read from its start.
    if (!size || !index_ || !file || index_->file != *file || *size < index_->size) {
        index_ = std::make_unique<Index>();
        index_->file = file.value_or(0);
    }
    Index& index = *index_;
    // The last bytes of the last look are read again: a file swapped in
    // under the same number (a number the system gave out again) differs there.
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
        // Another file after all: looked at from its start.
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
    const Index* index = Look();
    if (!index) return;
    std::unordered_set<std::string> kept = index->runs.Kept(keep);
    if (!kept.empty() && index->runs.open.count(target)) kept.insert(target);
    if (kept.empty() || kept.size() == index->runs.order.size()) return;
    // The file is swapped: the lines written make the new index.
    index_.reset();
    synced_ = false;
    auto trimmed = std::make_unique<Index>();
    const bool swapped = store_.ReplaceWith([&](const IJournalStore::Writer& write) {
        // Written a megabyte at a time.
        std::string part;
        bool written = true;
        const bool read = ForEachStoredLine(store_, [&](std::string_view line, const Fields& f) {
            if (!written || f.empty() || !kept.count(std::string(f[2]))) return;
            trimmed->ReadLine(line, f);
            part.append(line);
            part.push_back('\n');
            if (part.size() >= (1 << 20)) {
                written = write(part);
                part.clear();
            }
        });
        return read && written && write(part);
    });
    const auto file = store_.FileId();
    if (swapped && file && appending_) {
        trimmed->file = *file;
        index_ = std::move(trimmed);
        synced_ = true;
    }
}

bool RenameJournal::TakeTurn(const std::function<void()>& waiting) {
    failed_ = false;
    gaveUp_ = false;
    if (!appending_) {
        // A copy that does not get the turn within two minutes records all
        // the same; one whose wait is given up records nothing.
        constexpr unsigned kPause = 50;
        for (int tries = 0;; ++tries) {
            const TurnTry tried = store_.TryOpenForAppend(tries == 2400);
            if (tried == TurnTry::Failed) return false;
            if (tried == TurnTry::Taken) break;
            if (tries == 0 && waiting) waiting();
            if (!pause_) {
                store_.Sleep(kPause);
            } else if (!pause_(kPause)) {
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
    // The journal is read, trimmed and swapped under the turn, so that no
    // other copy's records are lost to a stale view.
    if (!TakeTurn(waiting)) return false;
    // The new run makes the tenth: keep nine before it.
    Trim(kJournalRuns - 1, kind == RunKind::Undo ? target : std::string());
    const ProcessStamp self = store_.Self();
    const uint64_t now = store_.Now();
    run_ = std::to_string(now) + "-" + std::to_string(self.pid);
    next_ = 0;
    recording_ = Append(RunRecord(run_, kind, self, target));
    if (!recording_) EndRun();
    // The run's record (and the trimmed journal's) reaches the disk before
    // its first rename does.
    if (recording_) store_.Flush();
    unflushed_ = 0;
    return recording_;
}

void RenameJournal::EndRun() {
    recording_ = false;
    if (appending_) {
        store_.Flush();
        // The next look, in this copy or another, goes on from here.
        if (synced_ && index_)
            if (const std::string saved = index_->Saved(); !saved.empty()) store_.WriteIndex(saved);
        store_.CloseAppend();
    }
    appending_ = false;
    synced_ = false;
}

uint32_t RenameJournal::FolderBegin(const std::wstring& oldPath,
                                    const std::wstring& tempPath,
                                    const std::wstring& newPath,
                                    uint32_t seq) {
    if (!recording_ || failed_) return 0;
    if (seq == 0) seq = ++next_;
    if (Append(FolderRecord(run_, seq, oldPath, tempPath, newPath))) {
        if (++unflushed_ == flushEvery_) {
            store_.Flush();
            unflushed_ = 0;
        }
        return seq;
    }
    failed_ = true;
    return 0;
}

void RenameJournal::FolderEnd(uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    if (recording_ && seq != 0 && !Append(DoneRecord(run_, seq, outcome, where))) failed_ = true;
}

void RenameJournal::Close(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    if (!appending_ && !TakeTurn()) return;
    Append(DoneRecord(run, seq, outcome, where));
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
    if (recording_ && !Append(EndRecord(run_, end, reached))) failed_ = true;
}

void RenameJournal::EndOther(const std::string& run, RunEnd end, uint64_t reached) {
    if (!appending_ && !TakeTurn()) return;
    Append(EndRecord(run, end, reached));
}

}  // namespace kelvaro
