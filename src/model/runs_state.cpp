#include "model/runs_state.h"

#include <windows.h>

#include <cwchar>

#include "engine/catalog.h"
#include "engine/disk_paths.h"
#include "engine/folder_rules.h"
#include "operations/run_history.h"

namespace kelvaro {

std::wstring LocalTimeText(uint64_t fileTime) {
    FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)}, local{};
    SYSTEMTIME time{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return {};
    wchar_t text[32];
    swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
    return text;
}

namespace {

// How a run ended that no undo touched: killed or stopped, and how far it got;
// nothing for a run that went through all its folders.
std::wstring EndText(const JournalRun& run, const RunProgress& progress, bool underWay) {
    if (run.end == RunEnd::Done) return {};
    if (run.end == RunEnd::Open && underWay) return ResKelvaroText(KText::RunningState);
    const bool stopped = run.end == RunEnd::Stopped;
    if (progress.total > 0)
        return FillIn(ResKelvaroText(stopped ? KText::StoppedRunState : KText::KilledRunState),
                      {progress.total, progress.reached});
    return FillIn(ResKelvaroText(stopped ? KText::StoppedWalkState : KText::KilledWalkState), {progress.reached});
}

}  // namespace

void RunsState::Compute(const std::vector<JournalRun>& runs, const Running& running) {
    rows_.clear();
    const UndoPlan undo = PlanUndo(runs);
    undoCount_ = undo.folders.size();
    resume_ = PlanResume(runs);
    auto underWay = [&](const JournalRun& run) { return run.end == RunEnd::Open && running && running(run.writer); };
    for (size_t i = runs.size(); i-- > 0;) {
        const JournalRun& run = runs[i];
        if (run.kind != RunKind::Run) continue;
        const RunProgress progress = ProgressOf(run);
        // The undos of this run: the folders they took back, and the last of them.
        uint64_t restored = 0;
        const JournalRun* lastUndo = nullptr;
        for (size_t k = i + 1; k < runs.size(); ++k) {
            if (runs[k].kind != RunKind::Undo || runs[k].target != run.id) continue;
            lastUndo = &runs[k];
            for (const JournalFolder& folder : runs[k].folders) restored += folder.outcome == JournalOutcome::New;
        }
        Row row;
        row.time = LocalTimeText(run.Started());
        row.mode = run.request && run.request->mode < ModeCount() ? ModeCaption(run.request->mode)
                                                                 : ResKelvaroText(KText::NoModeRecorded);
        row.folders = std::to_wstring(progress.renamed);
        if (progress.renamed > 0 && TakenBack(runs, i))
            row.state = ResKelvaroText(KText::TakenBackState);
        else if (lastUndo && lastUndo->end == RunEnd::Open && !underWay(*lastUndo))
            row.state = FillIn(ResKelvaroText(KText::KilledUndoState), {progress.renamed, restored});
        else if (restored > 0)
            row.state = ResKelvaroText(KText::PartlyTakenBackState);
        else
            row.state = EndText(run, progress, underWay(run));
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
