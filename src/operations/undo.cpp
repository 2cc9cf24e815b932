#include "operations/undo.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "engine/catalog.h"
#include "engine/folder_listings.h"
#include "engine/path_text.h"
#include "operations/run_history.h"
#include "operations/run_session.h"

namespace kelvaro {

namespace {

// Moves in the order they were made: replayed over a path as it stood
// before one of them, they give where that path lies after all of them.
class MoveTimeline {
public:
    explicit MoveTimeline(std::vector<std::pair<std::wstring, std::wstring>> moves) {
        for (auto& [from, to] : moves) Add(std::move(from), std::move(to));
    }
    void Add(std::wstring from, std::wstring to) {
        byFrom_[from].push_back(moves_.size());
        moves_.emplace_back(std::move(from), std::move(to));
    }
    // Where the move at `at` took its folder.
    const std::wstring& To(size_t at) const { return moves_[at].second; }
    // Where `path`, as it stood before the move at `at`, lies after every
    // move from there on (the folders above it moved, the path follows).
    std::wstring Replay(std::wstring path, size_t at) const {
        for (;;) {
            // The first move from `at` on of a folder above the path.
            size_t next = moves_.size();
            for (size_t cut = path.find(L'\\'); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1)) {
                const auto found = byFrom_.find(path.substr(0, cut));
                if (found == byFrom_.end()) continue;
                const auto place = std::lower_bound(found->second.begin(), found->second.end(), at);
                if (place != found->second.end()) next = std::min(next, *place);
            }
            if (next == moves_.size()) return path;
            const auto& [from, to] = moves_[next];
            path = to + path.substr(from.size());
            at = next + 1;
        }
    }

private:
    std::vector<std::pair<std::wstring, std::wstring>> moves_;
    std::unordered_map<std::wstring, std::vector<size_t>> byFrom_;
};

// One undo of the newest run not yet taken back: planned under the journal's
// turn, then its folders read from the end of the journal as it goes (a run
// of any size is never held whole) and taken back one by one.
class Undo {
public:
    Undo(const RenameServices& services, const UndoHooks& hooks)
        : services_(services),
          hooks_(hooks),
          history_(services.history),
          journal_(*services.journal),
          listings_(services.fs) {}
    // Whether there is a run to take back; said in the history when there is none.
    bool Plan();
    // Takes the planned folders back; the folders not taken back.
    size_t Run();
    size_t Planned() const { return seqs_.size(); }

private:
    bool EachPlanned(const std::function<bool(JournalFolder&&)>& each);
    bool LeftOut(JournalFolder&& folder) {
        if (!hooks_.notReached) return false;  // nobody asks: the reading ends
        hooks_.notReached(folder);
        return true;
    }
    // Below a folder that stays under its new name, what lies there is found there.
    void Follow(std::wstring& path) const {
        for (const auto& [old, now] : stayed_)
            if (path.size() > old.size() && path[old.size()] == L'\\' && path.compare(0, old.size(), old) == 0) {
                path = now + path.substr(old.size());
                return;
            }
    }
    // Where the folder lies now and where it goes back to.
    void Locate(JournalFolder& folder) const {
        if (!timeline_) {
            Follow(folder.newPath);
            Follow(folder.oldPath);
            return;
        }
        const auto place = placeOf_.find(folder.seq);
        if (place == placeOf_.end()) return;
        // From where the run's own move took it: its new name, or where the
        // file system stored it otherwise.
        folder.newPath = timeline_->Replay(timeline_->To(place->second), place->second + 1);
        folder.oldPath = ParentWithSeparator(folder.newPath) + LastPathName(folder.oldPath);
    }
    void ReadRenamedSince(const std::vector<JournalRun>& light);
    bool UndoOne(JournalFolder&& folder);
    // Ends the undo before its last folder: the rest are not reached.
    void Stop() {
        session_->Stop();
        counts_.notReached = seqs_.size() - session_->Reached();
    }
    FolderOutcome TakeBack(const JournalFolder& folder);

    const RenameServices& services_;
    const UndoHooks& hooks_;
    ILineSink& history_;
    RenameJournal& journal_;
    FolderListings listings_;
    JournalDamage damage_;
    UndoPlan plan_;
    std::vector<uint32_t> seqs_;  // the folders to take back, newest first
    // Reading: the next planned folder due, those read, those read before their turn.
    size_t next_ = 0;
    std::unordered_set<uint32_t> planned_, read_;
    std::unordered_map<uint32_t, JournalFolder> early_;
    // Folders of the run that stay under their new names (their old names
    // taken, or the system refused): old path -> path now.
    std::vector<std::pair<std::wstring, std::wstring>> stayed_;
    // When a later run left a folder renamed: every move since the run's
    // first (this undo's own included), and the place of each of its folders there.
    std::optional<MoveTimeline> timeline_;
    std::unordered_map<uint32_t, size_t> placeOf_;
    RunSession* session_ = nullptr;  // while the folders are taken back
    RunCounts counts_;
};

bool Undo::Plan() {
    // Planned under the turn: no other copy's run slips in between.
    if (!journal_.TakeTurn()) {
        // Given up (nothing touched), or a journal that cannot record the undo.
        if (!journal_.GaveUp()) history_.AddLine(ResKelvaroText(KText::JournalNotWritableLine));
        return false;
    }
    {
        auto light = ReadRunsWithoutPaths(journal_.Store(), &damage_);
        if (!light) {
            journal_.EndRun();
            history_.AddLine(ResKelvaroText(KText::JournalUnreadableLine));
            return false;
        }
        plan_ = PlanUndo(std::move(*light));
        ReadRenamedSince(*light);
    }
    for (const JournalFolder& folder : plan_.folders) seqs_.push_back(folder.seq);
    plan_.folders = {};
    planned_ = {seqs_.begin(), seqs_.end()};
    if (hooks_.planned) hooks_.planned(seqs_.size());
    // Only a run known to be the newest is taken back: damaged lines after it
    // may be a newer run's records.
    if (damage_.lines > 0 && (seqs_.empty() || damage_.After(plan_.index))) {
        if (hooks_.notReached) EachPlanned([this](JournalFolder&& folder) { return LeftOut(std::move(folder)); });
        journal_.EndRun();
        history_.AddLine(ResKelvaroText(KText::DamagedUndoLine));
        ReportDamage(history_, damage_);
        history_.AddLine(ResKelvaroText(KText::LaterRunsUndoableLine));
        return false;
    }
    if (seqs_.empty()) {
        journal_.EndRun();
        history_.AddLine(ResKelvaroText(KText::NothingToUndoLine));
        return false;
    }
    return true;
}

// A later run's folder left under its new name (its old name was taken when
// its run was taken back, say), or a folder of the run left elsewhere, moved
// what the planned run recorded below it, and paths recorded since may name
// other folders: then where each folder lies is found by replaying every
// move since. Rare: only then are the paths of the run and the runs after it
// read (and the run held whole).
void Undo::ReadRenamedSince(const std::vector<JournalRun>& light) {
    if (plan_.folders.empty() || plan_.index >= light.size() || !LeftRenamedSince(light, plan_.index)) return;
    std::set<std::string> since;
    for (size_t i = plan_.index; i < light.size(); ++i) since.insert(light[i].id);
    JournalDamage ignored;  // told once, by the first reading
    const auto runs =
        ParseJournal(journal_.Store(), &ignored, [&](const std::string& run) { return since.count(run) != 0; });
    if (!runs || runs->size() != light.size()) return;
    timeline_.emplace(MovesFrom(*runs, plan_.index, placeOf_));
}

// The planned folders in order, with their paths: `each` gives false to
// stop. A folder's newest record holds its paths (one written ahead may
// have been written again), and records written ahead stand before the
// records of the folders renamed meanwhile: a folder read before its turn
// waits for it.
bool Undo::EachPlanned(const std::function<bool(JournalFolder&&)>& each) {
    IJournalStore& store = journal_.Store();
    const auto end = store.Size();
    return end && ForEachFolderBackward(store, *end, plan_.run, [&](JournalFolder&& folder) {
               if (!read_.insert(folder.seq).second || !planned_.count(folder.seq)) return true;
               early_.emplace(folder.seq, std::move(folder));
               for (auto it = early_.end(); next_ < seqs_.size() && (it = early_.find(seqs_[next_])) != early_.end();) {
                   JournalFolder taken = std::move(it->second);
                   early_.erase(it);
                   ++next_;
                   if (!each(std::move(taken))) return false;
               }
               return next_ < seqs_.size();
           });
}

// Where one folder ends: still under its new name when that is gone or its
// old name is taken, else moved back through its temporary name.
FolderOutcome Undo::TakeBack(const JournalFolder& folder) {
    const std::wstring& current = folder.newPath;
    FolderOutcome outcome;
    const std::wstring stored = listings_.Stored(current);
    if (stored != LastPathName(current)) {
        outcome.state = FolderState::Gone;
        if (!stored.empty()) outcome.where = ParentWithSeparator(current) + stored;
    } else if (const std::wstring taken = listings_.Stored(folder.oldPath); !taken.empty() && taken != stored) {
        // The old name is taken unless it names this very folder (a change of case only).
        outcome.state = FolderState::Taken;
        stayed_.emplace_back(folder.oldPath, current);
    } else {
        const MoveOutcome moved = MoveThroughTemp(services_.fs, &journal_, current, folder.oldPath, folder.seq);
        if (moved.result == MoveOutcome::Moved) listings_.Moved(current, folder.oldPath);
        if (moved.result == MoveOutcome::Refused) stayed_.emplace_back(folder.oldPath, current);
        outcome = OutcomeOfMove(moved, current, folder.oldPath);
    }
    outcome.path = current;
    outcome.newPath = folder.oldPath;
    return outcome;
}

bool Undo::UndoOne(JournalFolder&& folder) {
    Locate(folder);
    if (session_->Stopped()) return LeftOut(std::move(folder));
    if (hooks_.before && !hooks_.before(folder)) {
        Stop();
        return LeftOut(std::move(folder));
    }
    history_.AddLine(FolderHeading(folder.newPath, services_.wholePaths));
    // The journal keeps the numbers the folders had in the run taken back.
    const FolderOutcome outcome = session_->Folder([&] { return TakeBack(folder); }, false);
    WriteOutcome(history_, services_.changed, outcome);
    ++(outcome.state == FolderState::Renamed ? counts_.renamed : counts_.notRenamed);
    if (timeline_ && outcome.state == FolderState::Renamed) timeline_->Add(folder.newPath, folder.oldPath);
    if (hooks_.after) hooks_.after(folder, outcome);
    if (session_->JournalFailed()) Stop();
    return true;
}

size_t Undo::Run() {
    history_.AddLine(ResKelvaroText(KText::UndoHeadLine));
    ReportDamage(history_, damage_);
    RunSession session(&journal_, history_, RunKind::Undo, plan_.run);
    if (session.Refused()) return seqs_.size();
    session_ = &session;
    // The folders read and not yet taken back: their records are written
    // ahead of them, a batch at a flush, as a run writes its own.
    std::deque<JournalFolder> coming;
    const LookaheadScope lookahead(&journal_, [&](size_t most) {
        std::vector<PlannedMove> moves;
        for (size_t k = 1; k < coming.size() && moves.size() < most; ++k) {
            JournalFolder folder = coming[k];
            Locate(folder);
            moves.push_back({std::move(folder.newPath), std::move(folder.oldPath), folder.seq});
        }
        return moves;
    });
    auto takeFirst = [&] {
        const bool goOn = UndoOne(std::move(coming.front()));
        coming.pop_front();
        return goOn;
    };
    EachPlanned([&](JournalFolder&& folder) {
        coming.push_back(std::move(folder));
        return coming.size() <= kAheadMost || takeFirst();
    });
    while (!coming.empty())
        if (!takeFirst()) coming.clear();
    // The journal could not be read to its start: the rest stays as it is.
    if (!session.Stopped() && next_ < seqs_.size()) {
        history_.AddLine(ResKelvaroText(KText::JournalUnreadableLine));
        Stop();
    }
    // An undo that goes through every folder takes the run back, skipped folders and all.
    session.End();
    session_ = nullptr;
    if (hooks_.counted) hooks_.counted(counts_);
    history_.AddLine(UndoSummaryLine(counts_));
    return counts_.notRenamed + counts_.notReached;
}

}  // namespace

size_t UndoLastRun(const RenameServices& services, const UndoHooks& hooks) {
    if (!services.journal) return 0;
    if (services.journal->LastRunUnrecorded()) {
        services.history.AddLine(ResKelvaroText(KText::LastRunUnrecordedLine));
        return 0;
    }
    Undo undo(services, hooks);
    if (!undo.Plan()) return undo.Planned();
    return undo.Run();
}

size_t UndoLastRun(const RenameServices& services, const std::function<bool()>& keepGoing) {
    UndoHooks hooks;
    if (keepGoing) hooks.before = [&](const JournalFolder&) { return keepGoing(); };
    return UndoLastRun(services, hooks);
}

}  // namespace kelvaro
