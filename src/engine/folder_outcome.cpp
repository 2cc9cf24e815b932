#include "engine/folder_outcome.h"

#include "engine/catalog.h"
#include "engine/path_text.h"
#include "engine/line_sink.h"

namespace kelvaro {

std::wstring FolderHeading(const std::wstring& path, bool wholePath) {
    return L"[ " + (wholePath ? path : DirNameAbbrev(path)) + L" ]";
}

std::vector<std::wstring> OutcomeLines(const FolderOutcome& outcome) {
    std::vector<std::wstring> lines;
    auto line = [&](KText text) { lines.push_back(ResKelvaroText(text)); };
    auto indented = [&](const std::wstring& text) { lines.push_back(L"\u3000" + text); };
    switch (outcome.state) {
        case FolderState::Renamed:
            line(KText::RenamedLine);
            indented(L"[ " + LastPathName(outcome.newPath) + L" ]");
            line(KText::RenamedToLine);
            break;
        case FolderState::Unchanged:
            line(KText::UnchangedLine);
            break;
        case FolderState::Gone:
            line(KText::UndoGoneLine);
            break;
        case FolderState::Taken:
            line(KText::UndoTakenLine);
            break;
        case FolderState::Refused:
            switch (outcome.verdict) {
                case PlanState::KeptLong:
                    line(KText::KeptLongLine);
                    break;
                case PlanState::KeptEightLong:
                    line(KText::KeptEightLongLine);
                    break;
                case PlanState::NoShortName:
                    line(KText::NoShortNameLine);
                    break;
                case PlanState::FolderNoShortName:
                    line(KText::FolderNoShortNameLine);
                    break;
                case PlanState::ShortNameUnreadable:
                    line(KText::NotRenamedLine);
                    lines.insert(lines.end(), outcome.reasons.begin(), outcome.reasons.end());
                    break;
                default:
                    line(KText::NotRenamedLine);
                    indented(PlanStateText(outcome.verdict));
                    if (outcome.verdict == PlanState::TooLong) lines.push_back(LengthLimitText(outcome.limit));
                    break;
            }
            break;
        case FolderState::Failed:
        case FolderState::LeftTemp:
        case FolderState::Misplaced:
        case FolderState::Unrecorded:
            line(KText::NotRenamedLine);
            lines.insert(lines.end(), outcome.reasons.begin(), outcome.reasons.end());
            if (outcome.state == FolderState::Unrecorded) line(KText::NotRecordedLine);
            if (outcome.state == FolderState::LeftTemp || outcome.state == FolderState::Misplaced) {
                if (outcome.where.empty())
                    line(KText::WhereaboutsUnknownLine);
                else
                    indented(L"[ " + LastPathName(outcome.where) + L" ]");
            }
            break;
    }
    return lines;
}

std::wstring JoinedReason(const std::vector<std::wstring>& lines) {
    std::wstring reason;
    for (const std::wstring& line : lines) {
        const size_t start = line.find_first_not_of(L"\u3000 ");
        if (start == std::wstring::npos) continue;
        if (!reason.empty()) reason += L' ';
        reason += line.substr(start);
    }
    return reason;
}

void WriteOutcome(ILineSink& history, ILineSink& changed, const FolderOutcome& outcome) {
    for (const std::wstring& line : OutcomeLines(outcome)) history.AddLine(line);
    switch (outcome.state) {
        case FolderState::Renamed:
            changed.Moved(outcome.path, outcome.newPath);
            break;
        case FolderState::Unchanged:
            changed.AddLine(outcome.newPath);
            break;
        case FolderState::LeftTemp:
        case FolderState::Misplaced:
            changed.Removed(outcome.path);
            break;
        case FolderState::Gone:
            // Nothing answers to that name any more: the changed-folder list drops it.
            if (outcome.where.empty()) changed.Removed(outcome.path);
            break;
        default:
            break;
    }
}

}  // namespace kelvaro
