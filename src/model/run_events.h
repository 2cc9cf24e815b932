#pragma once
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/line_sink.h"
#include "operations/folder_queue.h"

namespace kelvaro {

// What a run's walk tells the windows, in order, from whichever thread it
// runs on: the history's lines, the changed-folder list's changes, the entry
// in hand, the entries done and the names followed below a renamed folder.
// The thread that made it applies them (Deliver); the walk's thread only
// queues them, and says so (`waiting`) once until they are delivered.
class RunEvents {
public:
    // What the events act on, on the thread that made them.
    struct Target {
        ILineSink& history;
        ILineSink& changed;
        std::function<void(size_t index)> entry;  // the walk reached this entry
        std::function<void(size_t index)> done;   // this entry was done
        std::function<void(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase)> follow;
    };
    RunEvents(Target target, std::function<void()> waiting)
        : target_(std::move(target)), waiting_(std::move(waiting)), owner_(std::this_thread::get_id()) {}

    // Sinks that queue the lines and changes they are given.
    ILineSink& History() { return history_; }
    ILineSink& Changed() { return changed_; }
    void Entry(size_t index) { Push({Kind::Entry, index}); }
    void Done(size_t index) { Push({Kind::Done, index}); }
    void Follow(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) {
        Push({Kind::Follow, first, from, to, exactCase});
    }
    // On the owner's thread: applies what is queued; elsewhere: says that events wait.
    // True on the owner's thread.
    bool Flush();
    // Applies what is queued. Only on the thread that made the events.
    void Deliver();

private:
    enum class Kind : uint8_t { Line, Added, Moved, Removed, Entry, Done, Follow };
    struct Event {
        Event(Kind kind, size_t index, std::wstring text = {}, std::wstring to = {}, bool exactCase = false)
            : kind(kind), index(index), text(std::move(text)), to(std::move(to)), exactCase(exactCase) {}
        Kind kind;
        size_t index = 0;
        std::wstring text, to;
        bool exactCase = false;
    };
    class Sink final : public ILineSink {
    public:
        Sink(RunEvents& events, bool changed) : events_(events), changed_(changed) {}
        void AddLine(const std::wstring& text) override {
            events_.Push({changed_ ? Kind::Added : Kind::Line, 0, text});
        }
        void Moved(const std::wstring& from, const std::wstring& to) override {
            if (!changed_) return ILineSink::Moved(from, to);
            events_.Push({Kind::Moved, 0, from, to});
        }
        void Removed(const std::wstring& path) override {
            if (changed_) events_.Push({Kind::Removed, 0, path});
        }

    private:
        RunEvents& events_;
        bool changed_;
    };
    void Push(Event event);

    Target target_;
    std::function<void()> waiting_;
    std::thread::id owner_;
    std::mutex mutex_;
    std::vector<Event> queue_;
    std::atomic<bool> told_{false};  // the owner was told that events wait and has not delivered them yet
    Sink history_{*this, false}, changed_{*this, true};
};

// The folders of a walk, copied from the list the windows show; a folder
// followed below a renamed one is followed in that list too, by an event.
class MirroredFolders final : public IFolderQueue {
public:
    MirroredFolders(const IFolderQueue& shown, RunEvents& events) : events_(events) {
        for (size_t i = 0; i < shown.Count(); ++i) batch_.paths.push_back(shown.Text(i));
    }
    size_t Count() const override { return batch_.Count(); }
    const std::wstring& Text(size_t index) const override { return batch_.Text(index); }
    void FollowRenamed(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) override {
        batch_.FollowRenamed(first, from, to, exactCase);
        events_.Follow(first, from, to, exactCase);
    }

private:
    FolderBatch batch_;
    RunEvents& events_;
};

}  // namespace kelvaro
