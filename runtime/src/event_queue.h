// The queue of keys, clicks and deferred calls waiting to run, and the
// nesting of the events being handled, as both backends keep them.
#ifndef UIRT_EVENT_QUEUE_H
#define UIRT_EVENT_QUEUE_H

#include <deque>
#include <functional>
#include <vector>

namespace uirt {

class EventQueue {
public:
    // Queues an item that may run at the next chance.
    void post(std::function<void()> run) { queue_.push_back(Pending{std::move(run), 0}); }
    // Queues an item that waits until the innermost event being handled now
    // has completely finished (a deferred call); with none, like post.
    void postHeld(std::function<void()> run) {
        queue_.push_back(Pending{std::move(run), running_.empty() ? 0 : running_.back()});
    }
    bool empty() const { return queue_.empty(); }
    // Moves the oldest item that may run now into run; false when there is none.
    bool take(std::function<void()>& run);

    // The start and the end of handling an event; events nest.
    void begin() { running_.push_back(nextEventId_++); }
    void end() { running_.pop_back(); }

private:
    struct Pending {
        std::function<void()> run;
        int heldBy;  // id of the event it waits for, 0 for none
    };
    std::deque<Pending> queue_;
    std::vector<int> running_;  // ids of the events being handled, outermost first
    int nextEventId_ = 1;
};

}  // namespace uirt

#endif  // UIRT_EVENT_QUEUE_H
