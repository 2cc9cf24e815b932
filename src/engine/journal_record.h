#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/journal_store.h"

namespace kelvaro {

// Where a folder was when its record was closed.
enum class JournalOutcome : char {
    Open = 0,         // no outcome recorded: the run was cut short
    New = 'N',        // under its new name
    Old = 'O',        // under its old name
    Temp = 'T',       // under its temporary name
    Elsewhere = 'W',  // somewhere else, named by `where`
    Unknown = '?',    // nowhere to be found
};

enum class RunKind : char { Run = 'R', Undo = 'U' };

// How a run ended. A run without an end was killed, or written by a version
// of the program that recorded no ends.
enum class RunEnd : char {
    Open = 0,
    Done = 'D',     // every folder tried
    Stopped = 'S',  // Cancel, Ctrl+C, or a record that could not be written
    Killed = 'K',   // found without an end by the recovery at a later start
};

// One line of the journal, decoded. Which fields hold something depends on
// the type; the others stay as they are.
struct JournalRecord {
    enum Type : char {
        Run = 'R',      // a run begins: kind, writer, target (the run an undo takes back or a resume finishes)
        Request = 'Q',  // what the run was asked to do: mode, flags, total
        Named = 'P',    // a folder named in the request: index (from 1), path
        Folder = 'F',   // a folder is about to be renamed: seq, old, temp and new path
        Done = 'D',     // where that folder ended: seq, outcome, where
        End = 'E',      // how the run ended: end, reached
        Cut = 'C',      // the line before was cut short by a writer that was killed
        Segment = 'S',  // the records from here on stand in segment `number` of the journal
        Drop = 'X',     // the run is no longer kept: its records, wherever they stand, are passed over
    } type = Cut;
    std::string run;
    RunKind kind = RunKind::Run;
    ProcessStamp writer;
    std::string target;
    int16_t mode = -1;
    std::string flags;
    uint64_t number = 0;  // the request's total, the named folder's index, or the folders an end reached
    uint32_t seq = 0;
    std::wstring path, tempPath, newPath;  // Named: path; Folder: old, temp, new; Done: where
    JournalOutcome outcome = JournalOutcome::Open;
    RunEnd end = RunEnd::Open;
};

// The journal is UTF-8 text, one record per line, each line ended by LF,
// fields separated by TAB, the last field a checksum (FNV-1a of the bytes
// before its TAB, eight hex digits):
//
//   K2J2 R run kind pid started target       K2J2 F run seq old temp new
//   K2J2 Q run mode flags total              K2J2 D run seq outcome where
//   K2J2 P run index path                    K2J2 E run end reached
//   K2J2 C -                                 K2J2 S number
//   K2J2 X run
//
// In a path, '%', TAB, LF and CR are written as %25, %09, %0A and %0D, so
// that any name the file system holds comes back as it was. Earlier versions
// wrote K2J1 records with the paths as they are; both are read.
std::string EncodeRecord(const JournalRecord& record);

// Why a line is not a record.
enum class RecordFault : uint8_t {
    None,
    Unsealed,     // no checksum, or a wrong one: damaged, or cut short by a kill
    Malformed,    // sealed, but its fields are not those of a record of its type
    Implausible,  // a folder record no run of this program could have written
};

// Decodes one line (without its LF). With `paths` false the paths are only
// checked to be UTF-8 and left empty: enough to follow runs and folders.
struct DecodedRecord {
    std::optional<JournalRecord> record;
    RecordFault fault = RecordFault::None;
};
DecodedRecord DecodeRecord(std::string_view line, bool paths = true);

// The full paths a damaged line seems to name (one that decodes no more),
// read as leniently as possible: where to look for what it stood for.
std::vector<std::wstring> PathsInDamagedLine(std::string_view line);

// A line longer than this is no record: damage, whatever follows it.
inline constexpr size_t kLongestRecord = 1 << 20;

// What a run was asked to do: the mode, its flags and the folders named (for
// a run of every depth, the roots only: never the folders below them).
struct RunRequest {
    int16_t mode = -1;
    std::string flags;   // one letter each, see kHiraganaFlag
    uint64_t total = 0;  // the folders to do; 0 when not known beforehand
    std::vector<std::wstring> targets;
    bool Has(char flag) const { return flags.find(flag) != std::string::npos; }
};
// Half-width conversion turns hiragana into katakana too.
inline constexpr char kHiraganaFlag = 'H';
// Every named folder stands for itself and all folders below it.
inline constexpr char kEveryDepthFlag = 'S';
// With kEveryDepthFlag: hidden and system folders are walked too.
inline constexpr char kHiddenFlag = 'A';

// The records builders: each gives one whole line with its LF.
std::string RunRecord(const std::string& run, RunKind kind, const ProcessStamp& writer, const std::string& target);
std::string FolderRecord(const std::string& run,
                         uint32_t seq,
                         const std::wstring& oldPath,
                         const std::wstring& tempPath,
                         const std::wstring& newPath);
std::string DoneRecord(const std::string& run, uint32_t seq, JournalOutcome outcome, const std::wstring& where);
std::string CutRecord();
// The request of a run: one record for the mode and flags, one for each named folder.
std::string RequestRecords(const std::string& run, const RunRequest& request);
std::string EndRecord(const std::string& run, RunEnd end, uint64_t reached);
std::string SegmentRecord(uint32_t number);
std::string DropRecord(const std::string& run);

// Sealing: `body` with a TAB, its checksum and LF after it; and back.
std::string Seal(std::string body);
std::optional<std::string_view> Unseal(std::string_view sealed);
// The fields of a line between TABs; none when there are more than eight.
struct Fields {
    std::array<std::string_view, 8> at;
    size_t count = 0;
    bool empty() const { return count == 0; }
    size_t size() const { return count; }
    std::string_view operator[](size_t i) const { return at[i]; }
};
Fields SplitFields(std::string_view line);

std::string Utf8Text(const std::wstring& text);
bool WideText(std::string_view bytes, std::wstring& text);

}  // namespace kelvaro
