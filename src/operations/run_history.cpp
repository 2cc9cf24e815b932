#include "operations/run_history.h"

#include <algorithm>
#include <set>

#include "engine/catalog.h"
#include "operations/resume.h"

namespace kelvaro {
namespace {

// What a run renamed, and an undo takes back: a folder under its new name, or
// one the file system stored under a name of its own (a share that keeps
// names its way).
bool TakenAway(const JournalFolder& folder) {
    return folder.outcome == JournalOutcome::New || folder.outcome == JournalOutcome::Elsewhere;
}

// The number of the last named folder a run without an end is done with:
// the records after it are of folders in hand or written ahead.
uint64_t LastDone(const JournalRun& run) {
    uint64_t last = 0;
    for (const JournalFolder& folder : run.folders)
        if (folder.outcome != JournalOutcome::Open) last = std::max<uint64_t>(last, folder.seq);
    return last;
}

}  // namespace

void ReportDamage(ILineSink& history, const JournalDamage& damage) {
    if (damage.lines > 0)
        history.AddLine(ResKelvaroText(KText::SkippedRecordsLine) + std::to_wstring(damage.lines) +
                        ResKelvaroText(KText::SkippedRecordsUnit));
}

RunProgress ProgressOf(const JournalRun& run) {
    RunProgress progress;
    for (const JournalFolder& folder : run.folders) progress.renamed += TakenAway(folder);
    progress.reached = run.end == RunEnd::Open ? LastDone(run) : run.reached;
    if (!run.request || run.request->Has(kEveryDepthFlag)) return progress;
    progress.total = run.request->total ? run.request->total : run.request->targets.size();
    progress.notReached = progress.total > progress.reached ? progress.total - progress.reached : 0;
    return progress;
}

namespace {

// The folders of `runs[index]` that an undo has taken back, and whether one
// went through all of them.
std::set<uint32_t> Restored(const std::vector<JournalRun>& runs, size_t index, bool* finished = nullptr) {
    std::set<uint32_t> restored;
    if (finished) *finished = false;
    for (const auto& undo : runs) {
        if (undo.kind != RunKind::Undo || undo.target != runs[index].id) continue;
        if (finished && undo.end == RunEnd::Done) *finished = true;
        for (const auto& folder : undo.folders)
            if (folder.outcome == JournalOutcome::New) restored.insert(folder.seq);
    }
    return restored;
}

// The folders of `runs[index]` still to take back, newest first; moved out of
// the runs when they are not const.
template <typename Runs>
std::vector<JournalFolder> StillRenamed(Runs& runs, size_t index, bool* finished = nullptr) {
    const std::set<uint32_t> restored = Restored(runs, index, finished);
    std::vector<JournalFolder> folders;
    auto& all = runs[index].folders;
    for (size_t k = all.size(); k-- > 0;)
        if (TakenAway(all[k]) && !restored.count(all[k].seq)) folders.push_back(std::move(all[k]));
    return folders;
}

// Where a folder of a run went, when it moved: under its new name, its
// temporary one, or somewhere else (empty for a run read without paths).
const std::wstring* MovedTo(const JournalFolder& folder) {
    switch (folder.outcome) {
        case JournalOutcome::New:
            return &folder.newPath;
        case JournalOutcome::Temp:
            return &folder.tempPath;
        case JournalOutcome::Elsewhere:
            return &folder.where;
        default:
            return nullptr;
    }
}

}  // namespace

bool LeftRenamedSince(const std::vector<JournalRun>& runs, size_t index) {
    // The run's own folders under their new names are what the undo takes back.
    for (const JournalFolder& folder : runs[index].folders)
        if (MovedTo(folder) && folder.outcome != JournalOutcome::New) return true;
    for (size_t i = index + 1; i < runs.size(); ++i) {
        if (runs[i].kind != RunKind::Run) continue;
        const std::set<uint32_t> restored = Restored(runs, i);
        for (const JournalFolder& folder : runs[i].folders)
            if (MovedTo(folder) && !restored.count(folder.seq)) return true;
    }
    return false;
}

std::vector<std::pair<std::wstring, std::wstring>> MovesFrom(const std::vector<JournalRun>& runs,
                                                             size_t index,
                                                             std::unordered_map<uint32_t, size_t>& placeOf) {
    std::vector<std::pair<std::wstring, std::wstring>> moves;
    for (size_t i = index; i < runs.size(); ++i)
        for (const JournalFolder& folder : runs[i].folders) {
            const std::wstring* to = MovedTo(folder);
            if (!to || to->empty() || *to == folder.oldPath) continue;
            if (i == index) placeOf[folder.seq] = moves.size();
            moves.emplace_back(folder.oldPath, *to);
        }
    return moves;
}

bool TakenBack(const std::vector<JournalRun>& runs, size_t index) {
    bool finished = false;
    return StillRenamed(runs, index, &finished).empty() || finished;
}

namespace {

bool RenamedAny(const JournalRun& run) {
    return std::any_of(run.folders.begin(), run.folders.end(), TakenAway);
}

template <typename Runs>
UndoPlan PlanUndoOf(Runs& runs) {
    // A run an undo went through is taken back, also when that undo had to
    // skip a folder; the one before it is next. What earlier undos of a run
    // already took back stays as it is. Only the ten newest runs that renamed
    // something can be taken back, however many other runs stand between them.
    size_t renaming = 0;
    for (size_t i = runs.size(); i-- > 0 && renaming < kJournalRuns;) {
        // A run whose run record is damaged may be an undo: never taken back.
        if (runs[i].kind != RunKind::Run || runs[i].orphan || !RenamedAny(runs[i])) continue;
        ++renaming;
        bool finished = false;
        std::vector<JournalFolder> folders = StillRenamed(runs, i, &finished);
        if (!finished && !folders.empty()) return {runs[i].id, std::move(folders), i};
    }
    return {};
}

}  // namespace

UndoPlan PlanUndo(const std::vector<JournalRun>& runs) {
    return PlanUndoOf(runs);
}

UndoPlan PlanUndo(std::vector<JournalRun>&& runs) {
    return PlanUndoOf(runs);
}

std::optional<std::vector<JournalRun>> ReadRunsWithoutPaths(IJournalStore& store, JournalDamage* damage) {
    return ParseJournal(store, damage, [](const std::string&) { return false; });
}

std::optional<std::vector<JournalRun>> ReadRuns(IJournalStore& store, JournalDamage* damage) {
    // First every run without the paths of its folders, then again with the
    // paths of the run an undo would take back and the run a resume would
    // finish: of a journal of large runs only those are held whole.
    auto light = ReadRunsWithoutPaths(store, damage);
    if (!light) return std::nullopt;
    std::string undo, resume;
    if (const UndoPlan plan = PlanUndo(*light); !plan.folders.empty()) undo = plan.run;
    if (const auto plan = PlanResume(*light)) resume = plan->run;
    if (undo.empty() && resume.empty()) return light;
    light.reset();
    // A resume follows the folders renamed since by the runs after it too.
    bool fromResume = false;
    return ParseJournal(store, damage, [&](const std::string& run) {
        fromResume = fromResume || (!resume.empty() && run == resume);
        return run == undo || fromResume;
    });
}

std::vector<JournalRun> ReadRuns(RenameJournal& journal) {
    return ReadRuns(journal.Store()).value_or(std::vector<JournalRun>{});
}

size_t FoldersToUndo(RenameJournal& journal) {
    const auto light = ReadRunsWithoutPaths(journal.Store());
    return light ? PlanUndo(*light).folders.size() : 0;
}

}  // namespace kelvaro
