#include "model/run_driver.h"

#include <algorithm>
#include <utility>

#include "engine/catalog.h"
#include "operations/undo.h"
#include "engine/rename_dir.h"

namespace kelvaro {
namespace {

// Gives the window its way to a run's events for as long as they live,
// whatever the walk throws.
class EventsInUse {
public:
    EventsInUse(RunEvents*& slot, RunEvents& events) : slot_(slot) { slot_ = &events; }
    ~EventsInUse() { slot_ = nullptr; }
    EventsInUse(const EventsInUse&) = delete;
    EventsInUse& operator=(const EventsInUse&) = delete;

private:
    RunEvents*& slot_;
};

}  // namespace

RunDriver::RunDriver(AppState& state, IRunView& view, Renamer renamer, RenameJournal* journal)
    : state_(state), view_(view), renamer_(std::move(renamer)), journal_(journal) {}

void RunDriver::Start() {
    running_ = true;
    view_.SetRunning(true);
    state_.history.Refresh();
}

void RunDriver::Finish() {
    const bool stopped = state_.stopRequested || (journal_ && journal_->Failed());
    state_.history.AddLine(ResAllText(stopped ? AText::StoppedLine : AText::AllFinishedLine));
    state_.stopRequested = false;
    view_.SetRunning(false);
    running_ = false;
    view_.RefreshFolders();
    view_.UpdateButtons();
}

RunEvents::Target RunDriver::EventTarget(size_t& top) {
    TargetList& targets = state_.targets;
    return {state_.history, state_.changed,
            [this, &top, &targets](size_t j) {
                top = j;
                targets.SetTopIndex(j);
                view_.ShowEntry(j);
            },
            [&targets](size_t j) { targets.SetSelected(j, false); },
            [&targets](size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) {
                targets.FollowRenamed(first, from, to, exactCase);
            }};
}

void RunDriver::DeliverEvents() {
    if (!events_) return;
    events_->Deliver();
    view_.PaintProgress();
}

void RunDriver::Run(int16_t mode, const std::vector<bool>& leftOut) {
    if (running_) return;
    Start();
    TargetList& targets = state_.targets;
    targets.SelectAll();

    size_t top = 0;  // the entry shown at the top last
    {
        // Folders put back into the list from a run cut short finish that run.
        const std::string resumes = std::exchange(state_.resumes, {});
        // The walk may run on a thread of its own: it tells the lists what
        // it does through the events, and walks a copy of the target list.
        RunEvents events(EventTarget(top), [this] { view_.EventsWaiting(); });
        const EventsInUse inUse(events_, events);
        MirroredFolders folders(targets, events);
        const RunSession* session = nullptr;
        TargetWalk hooks;
        hooks.before = [&](size_t j) {
            events.Entry(j);
            if (events.Flush()) view_.ProcessPendingInput();
            return !state_.stopRequested && !session->Refused();
        };
        hooks.after = [&](size_t j, const FolderOutcome& outcome) {
            if (outcome.Done()) events.Done(j);
        };
        hooks.leftOut = leftOut;
        hooks.newPathOf = PlannedNewPaths(mode, state_.settings.hiraganaToKatakana);
        hooks.tellsCaseApart = [&](const std::wstring& dir) { return view_.TellsCaseApart(dir); };
        // A record that cannot be written ends the run: the rest stays in the list.
        const RunRequest request = TargetRequest(mode, state_.settings.hiraganaToKatakana);
        WalkEnd end;
        view_.RunWork([&] {
            // The wait for another copy's turn happens here too, off the
            // window's thread; only the question goes to the window.
            RunSession run(journal_, events.History(), RunKind::Run, resumes, [this] {
                bool goOn = false;
                if (!state_.stopRequested) view_.OnWindowThread([&] { goOn = view_.GoOnUnrecorded(); });
                return goOn;
            });
            session = &run;
            run.Request(request, &folders, leftOut);
            end = run.Walk(
                folders,
                [&](const std::wstring& path) { return renamer_(path, mode, events.History(), events.Changed()); },
                hooks);
        });
        events.Deliver();
        state_.history.AddLine(WalkSummaryLine(end));
    }

    // That entry stays at the top once the done ones above it are gone: after
    // Cancel it is the first folder the run left untouched.
    size_t topAfter = 0;
    for (size_t i = 0; i < top; ++i)
        if (targets.Selected(i)) ++topAfter;
    targets.RemoveWhere(false);
    targets.SelectClear();
    if (!targets.Empty()) targets.SetTopIndex(std::min(topAfter, targets.Count() - 1));
    Finish();
}

void RunDriver::WalkWithEvents(const std::function<void(RunEvents& events)>& work) {
    size_t top = 0;
    RunEvents events(EventTarget(top), [this] { view_.EventsWaiting(); });
    const EventsInUse inUse(events_, events);
    view_.RunWork([&] { work(events); });
    events.Deliver();
}

void RunDriver::Undo(const RenameServices& services) {
    if (running_) return;
    Start();
    WalkWithEvents([&](RunEvents& events) {
        const RenameServices told{services.fs,      events.History(),  events.Changed(),   services.hiraganaToKatakana,
                                  services.journal, services.listings, services.wholePaths};
        UndoLastRun(told, [&] {
            if (events.Flush()) view_.ProcessPendingInput();
            return !state_.stopRequested;
        });
    });
    Finish();
}

void RunDriver::Recover(const std::function<void(ILineSink& history)>& work) {
    if (running_) return;
    running_ = true;
    view_.SetRunning(true);
    WalkWithEvents([&](RunEvents& events) { work(events.History()); });
    state_.stopRequested = false;
    view_.SetRunning(false);
    running_ = false;
    view_.UpdateButtons();
}

}  // namespace kelvaro
