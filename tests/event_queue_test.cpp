// How every driver holds the events it read until the core takes them.

#include "screen/window/event_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using screen::driver::Event;
using screen::driver::EventKind;
using screen::window::EventQueue;

std::vector<Event> taken(EventQueue& queue) {
  std::vector<Event> events;
  queue.take(events);
  return events;
}

TEST(EventQueue, OnlyTheLastOfARunOfMotionsIsKept) {
  EventQueue queue;
  queue.push({EventKind::enter, 1, 1});
  queue.push({EventKind::motion, 2, 2});
  queue.push({EventKind::motion, 3, 4});
  queue.push({EventKind::press, 0, 0, 1});
  queue.push({EventKind::motion, 5, 5});
  const std::vector<Event> events = taken(queue);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].kind, EventKind::enter);
  EXPECT_EQ(events[1].x, 3);
  EXPECT_EQ(events[1].y, 4);
  EXPECT_EQ(events[2].kind, EventKind::press);
  EXPECT_EQ(events[3].x, 5);
  EXPECT_TRUE(queue.empty());
}

// A flood is bounded, yet the loss of the connection after it still reaches the core, which
// would otherwise wait on a desktop that is gone.
TEST(EventQueue, AFloodIsBoundedButTheLossOfTheDesktopIsKept) {
  EventQueue queue;
  for (std::size_t i = 0; i < 2 * EventQueue::most; ++i) queue.push({EventKind::wheel, 0, 0, 0, 1});
  queue.push({EventKind::lost});
  const std::vector<Event> events = taken(queue);
  EXPECT_EQ(events.size(), EventQueue::most + 1);
  EXPECT_EQ(events.back().kind, EventKind::lost);
}

}  // namespace
