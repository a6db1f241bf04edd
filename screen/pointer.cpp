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
  const bool queued = s.key_serial != s.key_serial_seen;
  s.key_serial_seen = s.key_serial;
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

namespace events {

namespace {
void changed() {
  ++state().pointer_changes;
}
}  // namespace

void inside(bool is_inside) {
  detail::PointerState& p = state().pointer;
  if (p.inside != is_inside) changed();
  p.inside = is_inside;
}

void moved(int x, int y) {
  detail::PointerState& p = state().pointer;
  if (p.x != (x & 0xFFFF) || p.y != (y & 0xFFFF)) changed();
  p.x = x & 0xFFFF;
  p.y = y & 0xFFFF;
}

void dropped(std::string_view path) {
  state().dropped = path;
  state().drop_waiting = true;
  changed();
}

void pressed(int button_bit) {
  state().pointer.buttons |= button_bit;
  state().pointer.pressed_since_poll |= button_bit;
  changed();
}

void released(int button_bit) {
  if ((state().pointer.buttons & button_bit) != 0) changed();
  state().pointer.buttons &= ~button_bit;
}

void wheel(int step) {
  state().pointer.wheel += step > 0 ? 1 : -1;
  changed();
}

void activation(bool active) {
  detail::PointerState& p = state().pointer;
  p.active = active;
  p.buttons = 0;
  p.pressed_since_poll = 0;
  changed();
}

void close_requested() {
  detail::Screen& s = state();
  if (s.key_count == int(s.keys.size())) {
    std::copy(s.keys.begin() + 1, s.keys.end(), s.keys.begin());
    --s.key_count;
  }
  s.keys[std::size_t(s.key_count++)] = key_window_close;
  ++s.key_serial;
}

int buttons() {
  return state().pointer.buttons;
}

}  // namespace events

}  // namespace screen
