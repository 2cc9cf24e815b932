#include "model/run_events.h"

namespace kelvaro {

void RunEvents::Push(Event event) {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(event));
}

bool RunEvents::Flush() {
    if (std::this_thread::get_id() == owner_) {
        Deliver();
        return true;
    }
    if (!told_.exchange(true) && waiting_) waiting_();
    return false;
}

void RunEvents::Deliver() {
    std::vector<Event> events;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        events.swap(queue_);
        told_ = false;
    }
    for (const Event& e : events) {
        switch (e.kind) {
            case Kind::Line:
                target_.history.AddLine(e.text);
                break;
            case Kind::Added:
                target_.changed.AddLine(e.text);
                break;
            case Kind::Moved:
                target_.changed.Moved(e.text, e.to);
                break;
            case Kind::Removed:
                target_.changed.Removed(e.text);
                break;
            case Kind::Entry:
                if (target_.entry) target_.entry(e.index);
                break;
            case Kind::Done:
                if (target_.done) target_.done(e.index);
                break;
            case Kind::Follow:
                if (target_.follow) target_.follow(e.index, e.text, e.to, e.exactCase);
                break;
        }
    }
}

}  // namespace kelvaro
