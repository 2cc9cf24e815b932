#include "engine/journal.h"

#include <windows.h>

#include <charconv>
#include <map>
#include <set>

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

std::string Seal(std::string line) {
    char sum[9];
    const uint32_t hash = Fnv1a(line);
    for (int i = 7; i >= 0; --i) sum[7 - i] = "0123456789abcdef"[(hash >> (i * 4)) & 0xF];
    sum[8] = '\0';
    return line + "\t" + sum + "\n";
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// The fields of one sealed line, or empty when the line is not one.
std::vector<std::string_view> OpenSeal(std::string_view line) {
    const size_t lastTab = line.rfind('\t');
    if (lastTab == std::string_view::npos || line.size() - lastTab - 1 != 8) return {};
    uint32_t sum = 0;
    const std::string_view hex = line.substr(lastTab + 1);
    if (std::from_chars(hex.data(), hex.data() + hex.size(), sum, 16).ptr != hex.data() + hex.size()) return {};
    const std::string_view body = line.substr(0, lastTab);
    if (Fnv1a(body) != sum) return {};
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (size_t tab = body.find('\t'); tab != std::string_view::npos; tab = body.find('\t', start)) {
        fields.push_back(body.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(body.substr(start));
    if (fields.size() < 3 || fields[0] != kMagic) return {};
    return fields;
}

// Calls `each(line, fields)` for every whole line; `fields` is empty when the
// line is not sealed.
template <typename Each>
void ForEachLine(const std::string& bytes, Each each) {
    size_t start = 0;
    for (size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
        const std::string_view line(bytes.data() + start, end - start);
        start = end + 1;
        each(line, OpenSeal(line));
    }
}

// Calls `each(line, fields)` for every whole, sealed line.
template <typename Each>
void ForEachRecord(const std::string& bytes, Each each) {
    ForEachLine(bytes, [&](std::string_view line, const std::vector<std::string_view>& fields) {
        if (!fields.empty()) each(line, fields);
    });
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

std::vector<JournalRun> ParseJournal(const std::string& bytes, JournalDamage* damage) {
    std::vector<JournalRun> runs;
    std::map<std::string, size_t, std::less<>> runIndex;
    std::map<std::pair<size_t, uint32_t>, size_t> folderIndex;
    // True when the record was taken in.
    auto take = [&](const std::vector<std::string_view>& f) {
        const std::string_view type = f[1];
        if (type == "R" && f.size() == 7) {
            JournalRun run;
            run.id = std::string(f[2]);
            if (runIndex.count(run.id) || run.id.empty() || f[3].size() != 1) return false;
            if (f[3][0] != 'R' && f[3][0] != 'U') return false;
            run.kind = static_cast<RunKind>(f[3][0]);
            if (!ParseNumber(f[4], run.writer.pid) || !ParseNumber(f[5], run.writer.started)) return false;
            run.target = std::string(f[6]);
            runIndex.emplace(run.id, runs.size());
            runs.push_back(std::move(run));
            return true;
        }
        const auto owner = runIndex.find(f[2]);
        if (owner == runIndex.end() || f.size() < 4) return false;
        JournalRun& run = runs[owner->second];
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
        if (type == "F" && f.size() == 7) {
            JournalFolder folder;
            folder.seq = seq;
            if (!PlausibleMove(f[4], f[5], f[6])) return false;
            if (!Wide(f[4], folder.oldPath) || !Wide(f[5], folder.tempPath) || !Wide(f[6], folder.newPath))
                return false;
            if (!folderIndex.emplace(std::make_pair(owner->second, seq), run.folders.size()).second) return false;
            run.folders.push_back(std::move(folder));
            return true;
        }
        if (type == "D" && f.size() == 6) {
            const auto it = folderIndex.find({owner->second, seq});
            if (it == folderIndex.end() || f[4].size() != 1 || !IsOutcome(f[4][0])) return false;
            JournalFolder& folder = run.folders[it->second];
            std::wstring where;
            if (!Wide(f[5], where)) return false;
            folder.outcome = static_cast<JournalOutcome>(f[4][0]);
            folder.where = std::move(where);
            return true;
        }
        return false;
    };
    JournalDamage found;
    bool cutBefore = false;  // the line before was not sealed: cut short, unless no cut record follows
    auto count = [&] {
        ++found.lines;
        found.runsBefore = runs.size();
    };
    ForEachLine(bytes, [&](std::string_view, const std::vector<std::string_view>& f) {
        const bool cutRecord = !f.empty() && f[1] == "C";
        if (cutBefore && !cutRecord) count();
        cutBefore = f.empty();
        if (!f.empty() && !cutRecord && !take(f)) count();
    });
    if (cutBefore) count();
    if (damage) *damage = found;
    return runs;
}

namespace {

// The runs in the order of their run records, and the folders of each that
// are still open. Only names are read: no path is decoded.
struct RunIndex {
    bool implausible = false;  // some folder record no run of this program could have written
    std::vector<std::string_view> order;
    std::map<std::string_view, std::set<std::string_view>, std::less<>> open;
    std::set<std::string_view, std::less<>> unended;  // runs with a request and no end
};

RunIndex IndexRuns(const std::string& bytes) {
    RunIndex index;
    ForEachRecord(bytes, [&](std::string_view, const std::vector<std::string_view>& f) {
        if (f[1] == "R" && !index.open.count(f[2])) {
            index.order.push_back(f[2]);
            index.open[f[2]];
        } else if (const auto run = index.open.find(f[2]); run != index.open.end() && f.size() > 3) {
            if (f[1] == "F" && f.size() == 7) {
                if (PlausibleMove(f[4], f[5], f[6]))
                    run->second.insert(f[3]);
                else
                    index.implausible = true;
            }
            if (f[1] == "D") run->second.erase(f[3]);
            if (f[1] == "Q") index.unended.insert(f[2]);
            if (f[1] == "E") index.unended.erase(f[2]);
        }
    });
    return index;
}

}  // namespace

bool HasOpenFolders(const std::string& bytes) {
    const RunIndex index = IndexRuns(bytes);
    if (index.implausible || !index.unended.empty()) return true;  // to be looked at (and reported)
    for (const auto& [run, folders] : index.open)
        if (!folders.empty()) return true;
    return false;
}

std::string TrimJournal(const std::string& bytes, size_t keep) {
    RunIndex index = IndexRuns(bytes);
    auto& order = index.order;
    auto& open = index.open;
    if (order.size() <= keep) return bytes;
    std::set<std::string_view, std::less<>> kept;
    for (size_t i = 0; i < order.size(); ++i)
        if (!open[order[i]].empty() || i + keep >= order.size()) kept.insert(order[i]);
    std::string result;
    result.reserve(bytes.size());
    ForEachRecord(bytes, [&](std::string_view line, const std::vector<std::string_view>& f) {
        if (kept.count(f[2])) {
            result.append(line);
            result.push_back('\n');
        }
    });
    return result;
}

bool RenameJournal::TakeTurn(std::optional<std::string>* bytes, const std::function<void()>& waiting) {
    failed_ = false;
    gaveUp_ = false;
    if (!appending_) {
        TurnWait wait{waiting, {}};
        if (pause_)
            wait.pause = [this](unsigned ms) {
                gaveUp_ = !pause_(ms);
                return !gaveUp_;
            };
        if (!store_.OpenForAppend(wait)) return false;
        appending_ = true;
    }
    auto read = store_.ReadAll();
    // A line a killed writer left half-written is ended and marked first, so
    // that the next record is not glued to it and the line is not taken for damage.
    if (read && !read->empty() && read->back() != '\n') {
        const std::string cut = "\n" + CutRecord();
        if (store_.Append(cut)) *read += cut;
    }
    if (bytes) *bytes = std::move(read);
    return true;
}

bool RenameJournal::BeginRun(RunKind kind, const std::string& target, const std::function<void()>& waiting) {
    recording_ = false;
    // The journal is read, trimmed and swapped under the turn, so that no
    // other copy's records are lost to a stale view.
    std::optional<std::string> bytes;
    if (!TakeTurn(&bytes, waiting)) return false;
    if (bytes) {
        // The new run makes the tenth: keep nine before it.
        const std::string trimmed = TrimJournal(*bytes, kJournalRuns - 1);
        if (trimmed.size() != bytes->size()) store_.Replace(trimmed);
    }
    const ProcessStamp self = store_.Self();
    const uint64_t now = store_.Now();
    run_ = std::to_string(now) + "-" + std::to_string(self.pid);
    next_ = 0;
    recording_ = store_.Append(RunRecord(run_, kind, self, target));
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
        store_.CloseAppend();
    }
    appending_ = false;
}

uint32_t RenameJournal::FolderBegin(const std::wstring& oldPath,
                                    const std::wstring& tempPath,
                                    const std::wstring& newPath,
                                    uint32_t seq) {
    if (!recording_ || failed_) return 0;
    if (seq == 0) seq = ++next_;
    if (store_.Append(FolderRecord(run_, seq, oldPath, tempPath, newPath))) {
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
    if (recording_ && seq != 0 && !store_.Append(DoneRecord(run_, seq, outcome, where))) failed_ = true;
}

void RenameJournal::Close(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    if (!appending_ && !TakeTurn()) return;
    store_.Append(DoneRecord(run, seq, outcome, where));
}

void RenameJournal::Request(const RunRequest& request) {
    if (!recording_ || failed_) return;
    // The request reaches the disk with the run's record, before the first rename.
    if (store_.Append(RequestRecords(run_, request)))
        store_.Flush();
    else
        failed_ = true;
}

void RenameJournal::End(RunEnd end, uint64_t reached) {
    if (recording_ && !store_.Append(EndRecord(run_, end, reached))) failed_ = true;
}

void RenameJournal::EndOther(const std::string& run, RunEnd end, uint64_t reached) {
    if (!appending_ && !TakeTurn()) return;
    store_.Append(EndRecord(run, end, reached));
}

std::vector<JournalRun> RenameJournal::Runs() {
    const auto bytes = store_.ReadAll();
    return bytes ? ParseJournal(*bytes) : std::vector<JournalRun>{};
}

}  // namespace kelvaro
