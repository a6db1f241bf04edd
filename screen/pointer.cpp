#include "screen/pointer.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "screen/state.h"

namespace screen {

using detail::state;

int get_pointer(int& x, int& y, int& wheel, int& buttons) {
  detail::Screen& s = state();
  std::lock_guard g(s.lock);
  detail::PointerState& p = s.pointer;
  if (!s.open || !p.active || !p.inside) {
    x = y = wheel = buttons = -1;
    s.pointer_seen = s.pointer_changes;
    return 1;
  }
  x = p.x;
  y = p.y;
  wheel = p.wheel;
  buttons = p.buttons | p.pressed_since_poll;
  // A press already released is reported held this once; the next poll differs, so it is due
  // at once.
  const bool released_unseen = (p.pressed_since_poll & ~p.buttons) != 0;
  s.pointer_seen = s.pointer_changes - (released_unseen ? 1 : 0);
  p.pressed_since_poll = 0;
  return 0;
}

bool take_dropped_file(std::string& path) {
  detail::Screen& s = state();
  std::lock_guard g(s.lock);
  if (!s.drop_waiting) return false;
  s.drop_waiting = false;
  path = std::move(s.dropped);
  s.dropped.clear();
  return true;
}

bool wait_for_pointer_change(int ms) {
  detail::Screen& s = state();
  std::unique_lock g(s.lock);
  if (!s.service.joinable()) return s.pointer_changes != s.pointer_seen;
  if (ms < 0) {
    s.pointer_changed.wait(g, [&] { return s.pointer_changes != s.pointer_seen; });
    return true;
  }
  return s.pointer_changed.wait_for(g, std::chrono::milliseconds(ms),
                                    [&] { return s.pointer_changes != s.pointer_seen; });
}

namespace {

void sleep_for(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// True when a key was queued since the previous call.
bool key_queued_since_last_check() {
  detail::Screen& s = state();
  std::lock_guard g(s.lock);
  const bool queued = s.keys_queued != s.keys_seen;
  s.keys_seen = s.keys_queued;
  return queued;
}

}  // namespace

void sleep_ms(int ms) {
  if (ms == -1) {
    while (!key_queued_since_last_check()) sleep_for(50);
  } else if (ms >= 100) {
    while (ms > 50) {
      if (key_queued_since_last_check()) return;
      sleep_for(50);
      ms -= 50;
    }
    sleep_for(ms);
  } else if (ms >= 1) {
    sleep_for(ms);
  }
}

}  // namespace screen
