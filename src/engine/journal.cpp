#include "engine/journal.h"

#include <windows.h>

#include <charconv>
#include <map>
#include <set>

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
// whose run record is gone. A run's folders are numbered from 1; an undo uses
// the numbers of the folders it takes back.
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

// Calls `each(line, fields)` for every whole, sealed line.
template <typename Each>
void ForEachRecord(const std::string& bytes, Each each) {
    size_t start = 0;
    for (size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
        const std::string_view line(bytes.data() + start, end - start);
        start = end + 1;
        const auto fields = OpenSeal(line);
        if (!fields.empty()) each(line, fields);
    }
}

bool IsOutcome(char c) {
    return c == 'N' || c == 'O' || c == 'T' || c == 'W' || c == '?';
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

std::vector<JournalRun> ParseJournal(const std::string& bytes) {
    std::vector<JournalRun> runs;
    std::map<std::string, size_t, std::less<>> runIndex;
    std::map<std::pair<size_t, uint32_t>, size_t> folderIndex;
    ForEachRecord(bytes, [&](std::string_view, const std::vector<std::string_view>& f) {
        const std::string_view type = f[1];
        if (type == "R" && f.size() == 7) {
            JournalRun run;
            run.id = std::string(f[2]);
            if (runIndex.count(run.id) || run.id.empty() || f[3].size() != 1) return;
            if (f[3][0] != 'R' && f[3][0] != 'U') return;
            run.kind = static_cast<RunKind>(f[3][0]);
            if (!ParseNumber(f[4], run.writer.pid) || !ParseNumber(f[5], run.writer.started)) return;
            run.target = std::string(f[6]);
            runIndex.emplace(run.id, runs.size());
            runs.push_back(std::move(run));
            return;
        }
        const auto owner = runIndex.find(f[2]);
        uint32_t seq = 0;
        if (owner == runIndex.end() || f.size() < 4 || !ParseNumber(f[3], seq) || seq == 0) return;
        JournalRun& run = runs[owner->second];
        if (type == "F" && f.size() == 7) {
            JournalFolder folder;
            folder.seq = seq;
            if (!Wide(f[4], folder.oldPath) || !Wide(f[5], folder.tempPath) || !Wide(f[6], folder.newPath)) return;
            if (folder.oldPath.empty() || folder.tempPath.empty() || folder.newPath.empty()) return;
            if (!folderIndex.emplace(std::make_pair(owner->second, seq), run.folders.size()).second) return;
            run.folders.push_back(std::move(folder));
        } else if (type == "D" && f.size() == 6) {
            const auto it = folderIndex.find({owner->second, seq});
            if (it == folderIndex.end() || f[4].size() != 1 || !IsOutcome(f[4][0])) return;
            JournalFolder& folder = run.folders[it->second];
            std::wstring where;
            if (!Wide(f[5], where)) return;
            folder.outcome = static_cast<JournalOutcome>(f[4][0]);
            folder.where = std::move(where);
        }
    });
    return runs;
}

namespace {

// The runs in the order of their run records, and the folders of each that
// are still open. Only names are read: no path is decoded.
struct RunIndex {
    std::vector<std::string_view> order;
    std::map<std::string_view, std::set<std::string_view>, std::less<>> open;
};

RunIndex IndexRuns(const std::string& bytes) {
    RunIndex index;
    ForEachRecord(bytes, [&](std::string_view, const std::vector<std::string_view>& f) {
        if (f[1] == "R" && !index.open.count(f[2])) {
            index.order.push_back(f[2]);
            index.open[f[2]];
        } else if (const auto run = index.open.find(f[2]); run != index.open.end() && f.size() > 3) {
            if (f[1] == "F") run->second.insert(f[3]);
            if (f[1] == "D") run->second.erase(f[3]);
        }
    });
    return index;
}

}  // namespace

bool HasOpenFolders(const std::string& bytes) {
    for (const auto& [run, folders] : IndexRuns(bytes).open)
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

bool RenameJournal::BeginRun(RunKind kind, const std::string& target) {
    EndRun();
    // The new run makes the tenth: keep nine before it.
    bool torn = false;
    if (const auto bytes = store_.ReadAll()) {
        const std::string trimmed = TrimJournal(*bytes, kJournalRuns - 1);
        const bool replaced = trimmed.size() != bytes->size() && store_.Replace(trimmed);
        torn = !replaced && !bytes->empty() && bytes->back() != '\n';
    }
    if (!store_.OpenForAppend()) return false;
    appending_ = true;
    const ProcessStamp self = store_.Self();
    const uint64_t now = store_.Now();
    run_ = std::to_string(now) + "-" + std::to_string(self.pid);
    next_ = 0;
    // A line a killed writer left half-written is ended first, so that the
    // run record is not glued to it.
    recording_ = store_.Append((torn ? "\n" : "") + RunRecord(run_, kind, self, target));
    if (!recording_) EndRun();
    return recording_;
}

void RenameJournal::EndRun() {
    recording_ = false;
    if (appending_) store_.CloseAppend();
    appending_ = false;
}

uint32_t RenameJournal::FolderBegin(const std::wstring& oldPath,
                                    const std::wstring& tempPath,
                                    const std::wstring& newPath,
                                    uint32_t seq) {
    if (!recording_) return 0;
    if (seq == 0) seq = ++next_;
    store_.Append(FolderRecord(run_, seq, oldPath, tempPath, newPath));
    return seq;
}

void RenameJournal::FolderEnd(uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    if (recording_ && seq != 0) store_.Append(DoneRecord(run_, seq, outcome, where));
}

void RenameJournal::Close(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    if (!appending_) {
        if (!store_.OpenForAppend()) return;
        appending_ = true;
    }
    store_.Append(DoneRecord(run, seq, outcome, where));
}

std::vector<JournalRun> RenameJournal::Runs() {
    const auto bytes = store_.ReadAll();
    return bytes ? ParseJournal(*bytes) : std::vector<JournalRun>{};
}

}  // namespace kelvaro
