#include "screen/pointer.h"

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
    return 1;
  }
  x = p.x;
  y = p.y;
  wheel = p.wheel;
  buttons = p.buttons | p.pressed_since_poll;
  p.pressed_since_poll = 0;
  return 0;
}

namespace {

void sleep_for(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// True when a key was queued since the previous call.
bool key_queued_since_last_check() {
  static unsigned seen = 0;
  detail::Screen& s = state();
  std::lock_guard g(s.lock);
  const bool queued = s.key_serial != seen;
  seen = s.key_serial;
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

void inside(bool is_inside) {
  state().pointer.inside = is_inside;
}

void moved(int x, int y) {
  state().pointer.x = x & 0xFFFF;
  state().pointer.y = y & 0xFFFF;
}

void pressed(int button_bit) {
  state().pointer.buttons |= button_bit;
  state().pointer.pressed_since_poll |= button_bit;
}

void released(int button_bit) {
  state().pointer.buttons &= ~button_bit;
}

void wheel(int step) {
  state().pointer.wheel += step > 0 ? 1 : -1;
}

void activation(bool active) {
  detail::PointerState& p = state().pointer;
  p.active = active;
  p.buttons = 0;
  p.pressed_since_poll = 0;
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
