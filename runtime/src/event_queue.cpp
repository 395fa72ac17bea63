// The queue of pending events: which item may run next.
#include "event_queue.h"

#include <algorithm>

namespace uirt {

bool EventQueue::take(std::function<void()>& run) {
    auto it = queue_.begin();
    while (it != queue_.end() && it->heldBy != 0 &&
           std::find(running_.begin(), running_.end(), it->heldBy) != running_.end())
        ++it;
    if (it == queue_.end()) return false;
    run = std::move(it->run);
    queue_.erase(it);
    return true;
}

}  // namespace uirt
