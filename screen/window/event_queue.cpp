#include "screen/window/event_queue.h"

#include <utility>

namespace screen::window {

void EventQueue::push(driver::Event event) {
  using driver::EventKind;
  if (event.kind == EventKind::motion && !events_.empty() &&
      events_.back().kind == EventKind::motion) {
    events_.back() = std::move(event);
    return;
  }
  if (events_.size() < most || event.kind == EventKind::lost) events_.push_back(std::move(event));
}

void EventQueue::take(std::vector<driver::Event>& events) {
  for (driver::Event& event : events_) events.push_back(std::move(event));
  events_.clear();
}

}  // namespace screen::window
