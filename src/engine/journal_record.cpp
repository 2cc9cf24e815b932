#include "engine/journal_record.h"

#include <windows.h>

#include <charconv>

#include "engine/folder_rules.h"

namespace kelvaro {
namespace {

constexpr std::string_view kMagic = "K2J2";
constexpr std::string_view kFormerMagic = "K2J1";  // paths as they are, without %-escapes

uint32_t Fnv1a(std::string_view bytes) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base = 10) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// True when `bytes` is UTF-8 throughout, as WideText would take it.
bool ValidUtf8(std::string_view bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

std::string EscapedPath(const std::wstring& path) {
    std::string bytes = Utf8Text(path);
    if (bytes.find_first_of("%\t\n\r") == std::string::npos) return bytes;
    std::string escaped;
    for (char c : bytes) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            escaped += '%';
            escaped += "0123456789ABCDEF"[(c >> 4) & 0xF];
            escaped += "0123456789ABCDEF"[c & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

// The bytes of a path field: as they are in a former record, unescaped in a
// current one (into `buffer` when that changes them); nothing when an escape is broken.
std::optional<std::string_view> PathBytes(std::string_view field, bool escaped, std::string& buffer) {
    if (!escaped || field.find('%') == std::string_view::npos) return field;
    buffer.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            buffer += field[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= field.size() || !ParseNumber(field.substr(i + 1, 2), value, 16)) return std::nullopt;
        buffer += static_cast<char>(value);
        i += 2;
    }
    return std::string_view(buffer);
}

bool HasDotPart(std::string_view path) {
    for (size_t at = path.find("\\."); at != std::string_view::npos; at = path.find("\\.", at + 1)) {
        const std::string_view rest = path.substr(at + 2);
        if (rest.empty() || rest[0] == '\\' || (rest[0] == '.' && (rest.size() == 1 || rest[1] == '\\'))) return true;
    }
    return false;
}

bool FullPath(std::string_view path) {
    return (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.substr(0, 2) == "\\\\";
}

// True when old, temporary and new path (UTF-8) are what a run of this
// program writes: the temporary path is the old one plus the suffix, the new
// one a sibling of the old one, all of them full paths without "." or "..".
bool PlausibleMove(std::string_view old, std::string_view temp, std::string_view fresh) {
    static const std::string suffix = Utf8Text(kTempSuffix);
    if (temp.size() != old.size() + suffix.size() || temp.substr(0, old.size()) != old ||
        temp.substr(old.size()) != suffix)
        return false;
    const size_t slash = old.rfind('\\');
    if (old.size() <= 3 || !FullPath(old) || slash == std::string_view::npos || slash + 1 == old.size()) return false;
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

std::string Head(JournalRecord::Type type, const std::string& run) {
    return std::string(kMagic) + "\t" + static_cast<char>(type) + "\t" + run;
}

}  // namespace

std::string Utf8Text(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                            nullptr);
    return bytes;
}

bool WideText(std::string_view bytes, std::wstring& text) {
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

std::optional<std::string_view> Unseal(std::string_view sealed) {
    const size_t lastTab = sealed.rfind('\t');
    if (lastTab == std::string_view::npos || sealed.size() - lastTab - 1 != 8) return std::nullopt;
    uint32_t sum = 0;
    if (!ParseNumber(sealed.substr(lastTab + 1), sum, 16)) return std::nullopt;
    const std::string_view body = sealed.substr(0, lastTab);
    if (Fnv1a(body) != sum) return std::nullopt;
    return body;
}

Fields SplitFields(std::string_view line) {
    Fields fields;
    size_t start = 0;
    for (;;) {
        if (fields.count == fields.at.size()) return Fields{};
        const size_t tab = line.find('\t', start);
        fields.at[fields.count++] = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

std::string EncodeRecord(const JournalRecord& r) {
    switch (r.type) {
        case JournalRecord::Run:
            return Seal(Head(r.type, r.run) + "\t" + static_cast<char>(r.kind) + "\t" + std::to_string(r.writer.pid) +
                        "\t" + std::to_string(r.writer.started) + "\t" + r.target);
        case JournalRecord::Request:
            return Seal(Head(r.type, r.run) + "\t" + std::to_string(r.mode) + "\t" + r.flags + "\t" +
                        (r.number ? std::to_string(r.number) : std::string()));
        case JournalRecord::Named:
            return Seal(Head(r.type, r.run) + "\t" + std::to_string(r.number) + "\t" + EscapedPath(r.path));
        case JournalRecord::Folder:
            return Seal(Head(r.type, r.run) + "\t" + std::to_string(r.seq) + "\t" + EscapedPath(r.path) + "\t" +
                        EscapedPath(r.tempPath) + "\t" + EscapedPath(r.newPath));
        case JournalRecord::Done:
            return Seal(Head(r.type, r.run) + "\t" + std::to_string(r.seq) + "\t" + static_cast<char>(r.outcome) +
                        "\t" + EscapedPath(r.path));
        case JournalRecord::End:
            return Seal(Head(r.type, r.run) + "\t" + static_cast<char>(r.end) + "\t" + std::to_string(r.number));
        case JournalRecord::Segment:
            return Seal(std::string(kMagic) + "\tS\t" + std::to_string(r.number));
        case JournalRecord::Drop:
            return Seal(Head(r.type, r.run));
        case JournalRecord::Cut:
        default:
            return Seal(std::string(kMagic) + "\tC\t-");
    }
}

DecodedRecord DecodeRecord(std::string_view line, bool paths) {
    const auto body = Unseal(line);
    if (!body) return {std::nullopt, RecordFault::Unsealed};
    const Fields f = SplitFields(*body);
    const bool escaped = f.size() >= 3 && f[0] == kMagic;
    if (f.size() < 3 || (!escaped && f[0] != kFormerMagic) || f[1].size() != 1 || f[2].empty())
        return {std::nullopt, RecordFault::Malformed};
    JournalRecord r;
    r.type = static_cast<JournalRecord::Type>(f[1][0]);
    r.run = std::string(f[2]);
    std::string buffers[3];
    // A path field, unescaped and checked; decoded only when `paths`.
    auto path = [&](size_t i, std::wstring& into) -> std::optional<std::string_view> {
        const auto bytes = PathBytes(f[i], escaped, buffers[i - 4]);
        if (!bytes || !ValidUtf8(*bytes)) return std::nullopt;
        if (paths && !WideText(*bytes, into)) return std::nullopt;
        return bytes;
    };
    bool ok = false;
    switch (r.type) {
        case JournalRecord::Run:
            ok = f.size() == 7 && f[3].size() == 1 && (f[3][0] == 'R' || f[3][0] == 'U') &&
                 ParseNumber(f[4], r.writer.pid) && ParseNumber(f[5], r.writer.started);
            r.kind = ok ? static_cast<RunKind>(f[3][0]) : RunKind::Run;
            if (ok) r.target = std::string(f[6]);
            break;
        case JournalRecord::Request:
            ok = f.size() == 6 && ParseNumber(f[3], r.mode) && r.mode >= 0 &&
                 (f[5].empty() || ParseNumber(f[5], r.number));
            if (ok) r.flags = std::string(f[4]);
            break;
        case JournalRecord::Named: {
            if (f.size() != 5 || !ParseNumber(f[3], r.number) || r.number == 0) break;
            const auto bytes = path(4, r.path);
            ok = bytes && FullPath(*bytes) && bytes->find('/') == std::string_view::npos && !HasDotPart(*bytes);
            break;
        }
        case JournalRecord::Folder: {
            if (f.size() != 7 || !ParseNumber(f[3], r.seq) || r.seq == 0) break;
            const auto old = path(4, r.path), temp = path(5, r.tempPath), fresh = path(6, r.newPath);
            if (!old || !temp || !fresh) break;
            if (!PlausibleMove(*old, *temp, *fresh)) return {std::nullopt, RecordFault::Implausible};
            ok = true;
            break;
        }
        case JournalRecord::Done:
            ok = f.size() == 6 && ParseNumber(f[3], r.seq) && r.seq != 0 && f[4].size() == 1 && IsOutcome(f[4][0]) &&
                 path(5, r.path).has_value();
            r.outcome = ok ? static_cast<JournalOutcome>(f[4][0]) : JournalOutcome::Open;
            break;
        case JournalRecord::End:
            ok = f.size() == 5 && f[3].size() == 1 && IsRunEnd(f[3][0]) && ParseNumber(f[4], r.number);
            r.end = ok ? static_cast<RunEnd>(f[3][0]) : RunEnd::Open;
            break;
        case JournalRecord::Cut:
            ok = f.size() == 3 && f[2] == "-";
            r.run.clear();
            break;
        case JournalRecord::Segment:
            ok = f.size() == 3 && ParseNumber(f[2], r.number) && r.number != 0 && r.number <= UINT32_MAX;
            r.run.clear();
            break;
        case JournalRecord::Drop:
            ok = f.size() == 3;
            break;
    }
    if (!ok) return {std::nullopt, RecordFault::Malformed};
    return {std::move(r), RecordFault::None};
}

std::vector<std::wstring> PathsInDamagedLine(std::string_view line) {
    std::vector<std::wstring> found;
    for (size_t start = 0; start <= line.size();) {
        size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) tab = line.size();
        std::string buffer;
        const auto bytes = PathBytes(line.substr(start, tab - start), true, buffer);
        std::wstring path;
        if (bytes && FullPath(*bytes) && WideText(*bytes, path)) found.push_back(std::move(path));
        start = tab + 1;
    }
    return found;
}

std::string RunRecord(const std::string& run, RunKind kind, const ProcessStamp& writer, const std::string& target) {
    JournalRecord r;
    r.type = JournalRecord::Run;
    r.run = run;
    r.kind = kind;
    r.writer = writer;
    r.target = target;
    return EncodeRecord(r);
}

std::string FolderRecord(const std::string& run,
                         uint32_t seq,
                         const std::wstring& oldPath,
                         const std::wstring& tempPath,
                         const std::wstring& newPath) {
    JournalRecord r;
    r.type = JournalRecord::Folder;
    r.run = run;
    r.seq = seq;
    r.path = oldPath;
    r.tempPath = tempPath;
    r.newPath = newPath;
    return EncodeRecord(r);
}

std::string DoneRecord(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where) {
    JournalRecord r;
    r.type = JournalRecord::Done;
    r.run = run;
    r.seq = seq;
    r.outcome = outcome;
    r.path = where;
    return EncodeRecord(r);
}

std::string CutRecord() {
    return EncodeRecord(JournalRecord{});
}

std::string RequestRecords(const std::string& run, const RunRequest& request) {
    JournalRecord r;
    r.type = JournalRecord::Request;
    r.run = run;
    r.mode = request.mode;
    r.flags = request.flags;
    r.number = request.total;
    std::string bytes = EncodeRecord(r);
    r.type = JournalRecord::Named;
    for (size_t i = 0; i < request.targets.size(); ++i) {
        r.number = i + 1;
        r.path = request.targets[i];
        bytes += EncodeRecord(r);
    }
    return bytes;
}

std::string EndRecord(const std::string& run, RunEnd end, uint64_t reached) {
    JournalRecord r;
    r.type = JournalRecord::End;
    r.run = run;
    r.end = end;
    r.number = reached;
    return EncodeRecord(r);
}

std::string SegmentRecord(uint32_t number) {
    JournalRecord r;
    r.type = JournalRecord::Segment;
    r.number = number;
    return EncodeRecord(r);
}

std::string DropRecord(const std::string& run) {
    JournalRecord r;
    r.type = JournalRecord::Drop;
    r.run = run;
    return EncodeRecord(r);
}

}  // namespace kelvaro
