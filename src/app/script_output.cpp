#include "app/script_output.h"

#include <array>
#include <cstring>

#include "engine/catalog.h"

namespace kelvaro {

namespace {

constexpr std::array<const char*, 19> kCodeNames = {"RENAME",     "SAME",      "KEEP_LONG", "KEEP_LONG8",    "BAD_NAME",
                                                    "NOT_FOUND",  "EXISTS",    "CLASH",     "TOO_LONG",      "RENAMED",
                                                    "FAILED",     "NOT_RUN",   "UNDONE",    "SKIPPED",       "NO_SHORT",
                                                    "OWN_FOLDER", "TEMP_NAME", "DUPLICATE", "WINDOWS_FOLDER"};

std::wstring Field(const std::wstring& text) {
    std::wstring field = text;
    for (auto& c : field)
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    return field;
}

// A note as a field of its own: without the leading blank and mark the history puts before it.
std::wstring Unmarked(const std::wstring& text) {
    const size_t start = text.find_first_not_of(L"\u3000\u203B");
    return start == std::wstring::npos ? text : text.substr(start);
}

std::wstring NoteText(KText number) {
    return Unmarked(ResKelvaroText(number));
}

}  // namespace

const char* FolderCodeName(FolderCode code) {
    return kCodeNames.at(static_cast<size_t>(code));
}

FolderCode CodeOf(PlanState state) {
    // The plan's states come first in FolderCode, in the same order; a later one keeps the codes after them.
    if (state == PlanState::NoShortName) return FolderCode::NoShort;
    if (state == PlanState::OwnFolder) return FolderCode::OwnFolder;
    if (state == PlanState::TempName) return FolderCode::TempName;
    if (state == PlanState::WindowsFolder) return FolderCode::WindowsFolder;
    // Every way of finding no short name in mode 3 is one code; the reason tells which.
    if (state == PlanState::FolderNoShortName || state == PlanState::ShortNameUnreadable) return FolderCode::NoShort;
    return static_cast<FolderCode>(static_cast<uint8_t>(state));
}

std::vector<std::wstring> PlanNotes(const PlanEntry& entry) {
    std::vector<std::wstring> notes;
    if (entry.limit != LengthLimit::None) notes.push_back(Unmarked(LengthLimitText(entry.limit)));
    if (entry.belowRenamed) notes.push_back(NoteText(KText::BelowRenamedNote));
    if (entry.clashWith != kNoEntry && entry.state != PlanState::BatchClash)
        notes.push_back(NoteText(KText::ListClashNote));
    return notes;
}

std::wstring TsvHeader() {
    return L"code\tpath\tnew_path\treason\tnote";
}

std::wstring TsvLine(const FolderLine& line) {
    const char* code = FolderCodeName(line.code);
    std::wstring text(code, code + strlen(code));
    text += L'\t' + Field(line.path) + L'\t' + Field(line.newPath) + L'\t' + Field(line.reason) + L'\t';
    for (size_t i = 0; i < line.notes.size(); ++i) text += (i ? L"; " : L"") + Field(line.notes[i]);
    return text;
}

FolderLine PlanFolderLine(const PlanEntry& entry) {
    return {CodeOf(entry.state), entry.path, entry.newPath, PlanStateText(entry.state), PlanNotes(entry)};
}

FolderLine RunFolderLine(const PlanEntry& entry, const FolderOutcome& outcome, bool unlisted) {
    FolderLine line = PlanFolderLine(entry);
    if (outcome.Done()) {
        line.code = entry.state == PlanState::InForm ? FolderCode::Same : FolderCode::Renamed;
        line.newPath = outcome.newPath;
        if (line.code == FolderCode::Renamed) line.reason.clear();
    } else if (PlanDone(entry.state) || outcome.state == FolderState::Failed || outcome.state == FolderState::LeftTemp ||
               outcome.state == FolderState::Misplaced) {
        // Planned to be renamed, or tried after all (the other folder of a clash failed): what became of it.
        line.code = FolderCode::Failed;
        std::vector<std::wstring> lines = OutcomeLines(outcome);
        if (unlisted) lines.insert(lines.begin(), ResKelvaroText(KText::UnlistedLine));
        line.reason = JoinedReason(lines);
    }
    return line;
}

std::wstring PlanLine(const PlanEntry& entry) {
    std::wstring line = PlanStateText(entry.state);
    line += L'\t';
    line += entry.path;
    // The new path and each note are fields of their own, never glued to a path.
    const std::vector<std::wstring> notes = PlanNotes(entry);
    const bool renamed = !entry.newPath.empty() && entry.newPath != entry.path;
    if (renamed || !notes.empty()) line += L'\t' + (renamed ? entry.newPath : std::wstring());
    for (const auto& note : notes) line += L'\t' + note;
    return line;
}

FolderLine UndoFolderLine(const FolderOutcome& outcome, bool back) {
    return {back ? FolderCode::Undone : FolderCode::Skipped,
            outcome.path,
            outcome.newPath,
            back ? L"" : JoinedReason(OutcomeLines(outcome)),
            {}};
}

}  // namespace kelvaro
