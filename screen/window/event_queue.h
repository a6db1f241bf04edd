#pragma once
// The events a driver has read for the core's next look, oldest first, held the same way by
// every driver: a motion right after a motion replaces it (only where the pointer is now
// counts), and a flood beyond a bound is dropped, except the loss of the connection, which
// is always kept.

#include <cstddef>
#include <vector>

#include "screen/window/driver.h"

namespace screen::window {

class EventQueue {
 public:
  void push(driver::Event event);

  // Appends what is queued to `events` and empties the queue.
  void take(std::vector<driver::Event>& events);

  bool empty() const { return events_.empty(); }

  static constexpr std::size_t most = 4096;

 private:
  std::vector<driver::Event> events_;
};

}  // namespace screen::window
