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

    // Handling one event, for the scope's lifetime (events nest): items held
    // by it wait until the scope ends, whether the event ends normally or by
    // an exception.
    class Handling {
    public:
        explicit Handling(EventQueue& q) : q_(q) { q_.running_.push_back(q_.nextEventId_++); }
        ~Handling() { q_.running_.pop_back(); }
        Handling(const Handling&) = delete;
        Handling& operator=(const Handling&) = delete;

    private:
        EventQueue& q_;
    };

    // One running event loop, counted for the scope's lifetime.
    class Loop {
    public:
        explicit Loop(EventQueue& q) : q_(q) { ++q_.loops_; }
        ~Loop() { --q_.loops_; }
        Loop(const Loop&) = delete;
        Loop& operator=(const Loop&) = delete;

    private:
        EventQueue& q_;
    };
    // Number of event loops running now (nested loops count each).
    int loopDepth() const { return loops_; }

private:
    struct Pending {
        std::function<void()> run;
        int heldBy;  // id of the event it waits for, 0 for none
    };
    std::deque<Pending> queue_;
    std::vector<int> running_;  // ids of the events being handled, outermost first
    int nextEventId_ = 1;
    int loops_ = 0;
};

}  // namespace uirt

#endif  // UIRT_EVENT_QUEUE_H
