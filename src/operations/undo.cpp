#include "operations/undo.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "engine/catalog.h"
#include "engine/folder_listings.h"
#include "engine/path_text.h"
#include "operations/run_history.h"

namespace kelvaro {

size_t UndoLastRun(const RenameServices& services, const UndoHooks& hooks) {
    ILineSink& history = services.history;
    RenameJournal* journal = services.journal;
    if (!journal) return 0;
    if (journal->LastRunUnrecorded()) {
        history.AddLine(ResKelvaroText(KText::LastRunUnrecordedLine));
        return 0;
    }
    IJournalStore& store = journal->Store();
    // Planned under the turn: no other copy's run slips in between. The plan
    // holds the numbers of the folders to take back, newest first; their
    // paths are read from the end of the journal as the undo goes, so that a
    // run of any size is never held whole.
    if (!journal->TakeTurn()) {
        // Given up (nothing touched), or a journal that cannot record the undo.
        if (!journal->GaveUp()) history.AddLine(ResKelvaroText(KText::JournalNotWritableLine));
        return 0;
    }
    JournalDamage damage;
    UndoPlan plan;
    {
        auto light = ReadRunsWithoutPaths(store, &damage);
        if (!light) {
            journal->EndRun();
            history.AddLine(ResKelvaroText(KText::JournalUnreadableLine));
            return 0;
        }
        plan = PlanUndo(std::move(*light));
    }
    std::vector<uint32_t> seqs;
    seqs.reserve(plan.folders.size());
    for (const JournalFolder& folder : plan.folders) seqs.push_back(folder.seq);
    plan.folders = {};
    if (hooks.planned) hooks.planned(seqs.size());
    // The planned folders in order, with their paths: `each` gives false to
    // stop. A folder's newest record holds its paths (one written ahead may
    // have been written again), and records written ahead stand before the
    // records of the folders renamed meanwhile: a folder read before its turn
    // waits for it.
    size_t next = 0;
    std::unordered_set<uint32_t> planned(seqs.begin(), seqs.end()), read;
    std::unordered_map<uint32_t, JournalFolder> early;
    auto eachPlanned = [&](const std::function<bool(JournalFolder &&)>& each) {
        const auto end = store.Size();
        return end && ForEachFolderBackward(store, *end, plan.run, [&](JournalFolder&& folder) {
                   if (!read.insert(folder.seq).second || !planned.count(folder.seq)) return true;
                   early.emplace(folder.seq, std::move(folder));
                   for (auto it = early.end(); next < seqs.size() && (it = early.find(seqs[next])) != early.end();) {
                       JournalFolder taken = std::move(it->second);
                       early.erase(it);
                       ++next;
                       if (!each(std::move(taken))) return false;
                   }
                   return next < seqs.size();
               });
    };
    auto leftOut = [&](JournalFolder&& folder) {
        if (!hooks.notReached) return false;  // nobody asks: the reading ends
        hooks.notReached(folder);
        return true;
    };
    // Only a run known to be the newest is taken back: damaged lines after it
    // may be a newer run's records.
    if (damage.lines > 0 && (seqs.empty() || damage.After(plan.index))) {
        if (hooks.notReached) eachPlanned(leftOut);
        journal->EndRun();
        history.AddLine(ResKelvaroText(KText::DamagedUndoLine));
        ReportDamage(history, damage);
        history.AddLine(ResKelvaroText(KText::LaterRunsUndoableLine));
        return seqs.size();
    }
    if (seqs.empty()) {
        journal->EndRun();
        history.AddLine(ResKelvaroText(KText::NothingToUndoLine));
        return 0;
    }
    history.AddLine(ResKelvaroText(KText::UndoHeadLine));
    ReportDamage(history, damage);
    RecordedRun recorded(journal, history, RunKind::Undo, plan.run);
    if (recorded.Stopped()) return seqs.size();
    RunCounts counts;
    size_t tried = 0;
    bool stopped = false;
    FolderListings listings(services.fs);
    // Folders of the run that stay under their new names (their old names
    // taken, or the system refused): what lies below them is found there.
    std::vector<std::pair<std::wstring, std::wstring>> stayed;  // old path -> path now
    auto follow = [&](std::wstring& path) {
        for (const auto& [old, now] : stayed)
            if (path.size() > old.size() && path[old.size()] == L'\\' && path.compare(0, old.size(), old) == 0) {
                path = now + path.substr(old.size());
                return;
            }
    };
    auto undoOne = [&](JournalFolder&& folder) {
        follow(folder.newPath);
        follow(folder.oldPath);
        if (stopped) return leftOut(std::move(folder));
        if (hooks.before && !hooks.before(folder)) {
            stopped = true;
            counts.notReached = seqs.size() - tried;
            return leftOut(std::move(folder));
        }
        ++tried;
        const std::wstring& current = folder.newPath;
        history.AddLine(FolderHeading(current, services.wholePaths));
        FolderOutcome outcome;
        const std::wstring stored = listings.Stored(current);
        if (stored != LastPathName(current)) {
            outcome.state = FolderState::Gone;
            if (!stored.empty()) outcome.where = ParentWithSeparator(current) + stored;
        } else if (const std::wstring taken = listings.Stored(folder.oldPath); !taken.empty() && taken != stored) {
            // The old name is taken unless it names this very folder (a change of case only).
            outcome.state = FolderState::Taken;
            stayed.emplace_back(folder.oldPath, current);
        } else {
            const MoveOutcome moved = MoveThroughTemp(services.fs, journal, current, folder.oldPath, folder.seq);
            if (moved.result == MoveOutcome::Moved) listings.Moved(current, folder.oldPath);
            if (moved.result == MoveOutcome::Refused) stayed.emplace_back(folder.oldPath, current);
            outcome = OutcomeOfMove(moved, current, folder.oldPath);
        }
        outcome.path = current;
        outcome.newPath = folder.oldPath;
        WriteOutcome(history, services.changed, outcome);
        ++(outcome.state == FolderState::Renamed ? counts.renamed : counts.notRenamed);
        if (hooks.after) hooks.after(folder, outcome);
        if (journal->Failed()) {
            history.AddLine(ResKelvaroText(KText::RecordingStoppedLine));
            counts.notReached = seqs.size() - tried;
            stopped = true;
        }
        return true;
    };
    // The folders read and not yet taken back: their records are written
    // ahead of them, a batch at a flush, as a run writes its own.
    std::deque<JournalFolder> coming;
    const LookaheadScope lookahead(journal, [&](size_t most) {
        std::vector<PlannedMove> planned;
        for (size_t k = 1; k < coming.size() && planned.size() < most; ++k) {
            JournalFolder folder = coming[k];
            follow(folder.newPath);
            follow(folder.oldPath);
            planned.push_back({std::move(folder.newPath), std::move(folder.oldPath), folder.seq});
        }
        return planned;
    });
    auto takeFirst = [&] {
        JournalFolder folder = std::move(coming.front());
        const bool goOn = undoOne(std::move(folder));
        coming.pop_front();
        return goOn;
    };
    eachPlanned([&](JournalFolder&& folder) {
        coming.push_back(std::move(folder));
        return coming.size() <= kAheadMost || takeFirst();
    });
    while (!coming.empty())
        if (!takeFirst()) coming.clear();
    // The journal could not be read to its start: the rest stays as it is.
    if (!stopped && next < seqs.size()) {
        history.AddLine(ResKelvaroText(KText::JournalUnreadableLine));
        counts.notReached = seqs.size() - tried;
        stopped = true;
    }
    // An undo that goes through every folder takes the run back, skipped folders and all.
    if (!journal->Failed()) journal->End(tried == seqs.size() ? RunEnd::Done : RunEnd::Stopped, tried);
    if (hooks.counted) hooks.counted(counts);
    history.AddLine(UndoSummaryLine(counts));
    return counts.notRenamed + counts.notReached;
}

size_t UndoLastRun(const RenameServices& services, const std::function<bool()>& keepGoing) {
    UndoHooks hooks;
    if (keepGoing) hooks.before = [&](const JournalFolder&) { return keepGoing(); };
    return UndoLastRun(services, hooks);
}

}  // namespace kelvaro
