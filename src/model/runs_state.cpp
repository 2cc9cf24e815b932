#include "model/runs_state.h"

#include <windows.h>

#include <cwchar>

#include "engine/catalog.h"
#include "engine/disk_paths.h"
#include "engine/folder_rules.h"

namespace kelvaro {

std::wstring LocalTimeText(uint64_t fileTime) {
    FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)}, local{};
    SYSTEMTIME time{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return {};
    wchar_t text[32];
    swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
    return text;
}

void RunsState::Compute(const std::vector<JournalRun>& runs) {
    rows_.clear();
    const UndoPlan undo = PlanUndo(runs);
    undoCount_ = undo.folders.size();
    resume_ = PlanResume(runs);
    for (size_t i = runs.size(); i-- > 0;) {
        const JournalRun& run = runs[i];
        if (run.kind != RunKind::Run) continue;
        const RunProgress progress = ProgressOf(run);
        Row row;
        row.time = LocalTimeText(run.Started());
        row.mode = run.request && run.request->mode < kModeCount ? ModeCaption(run.request->mode)
                                                                 : ResKelvaroText(KText::NoModeRecorded);
        row.folders = std::to_wstring(progress.renamed);
        if (progress.renamed > 0 && TakenBack(runs, i))
            row.state = ResKelvaroText(KText::TakenBackState);
        else if (undo.run == run.id && undo.folders.size() < progress.renamed)
            row.state = ResKelvaroText(KText::PartlyTakenBackState);
        else if (resume_ && resume_->run == run.id)
            row.state = FillIn(ResKelvaroText(KText::CutShortState), {resume_->request.targets.size()});
        rows_.push_back(std::move(row));
    }
}

bool FitsTargetList(const ResumePlan& plan) {
    return !plan.request.Has(kEveryDepthFlag) && plan.request.targets.size() <= TargetList::kCapacity;
}

size_t ResumeIntoTargets(TargetList& targets, std::string& resumes, IFileSystem& fs, const ResumePlan& plan) {
    DirNameResolver names(fs);
    const size_t before = targets.Count();
    for (const auto& path : plan.request.targets)
        if (!targets.AddFromOutside(names, path)) break;  // the list is full: it said so
    resumes = plan.run;
    return targets.Count() - before;
}

}  // namespace kelvaro
