// The core's window rules: what the driver's events mean for the pointer state, the window's
// activation, the close request, drops and full screen, applied in the order they came.

#include <string>

#include "screen/state.h"
#include "screen/window/driver.h"

namespace screen {

namespace detail {

namespace {

void changed(Screen& s) {
  ++s.pointer_changes;
}

void set_inside(Screen& s, bool inside) {
  if (s.pointer.inside != inside) changed(s);
  s.pointer.inside = inside;
}

// Positions are kept as unsigned 16-bit values, as the pointer state has always held them.
void move_to(Screen& s, int x, int y) {
  PointerState& p = s.pointer;
  if (p.x != (x & 0xFFFF) || p.y != (y & 0xFFFF)) changed(s);
  p.x = x & 0xFFFF;
  p.y = y & 0xFFFF;
}

void set_activation(Screen& s) {
  PointerState& p = s.pointer;
  p.active = s.window.focused && !s.window.minimised;
  p.buttons = 0;
  p.pressed_since_poll = 0;
  changed(s);
}

void apply(Screen& s, const driver::Event& e) {
  using driver::EventKind;
  PointerState& p = s.pointer;
  // Where the pointer is goes first: every event says whether it is over the page, which it
  // is inside the page's rectangle while over the window or held there by a pressed button.
  if (e.kind == EventKind::motion || e.kind == EventKind::enter) {
    s.last_x = e.x;
    s.last_y = e.y;
  }
  if (e.kind == EventKind::enter) s.window.entered = true;
  if (e.kind == EventKind::leave) s.window.entered = false;
  if (e.kind == EventKind::enter || e.kind == EventKind::leave || e.kind == EventKind::press ||
      e.kind == EventKind::full_screen_key)
    s.window.desktop_may_switch = true;
  const bool in_page = s.last_x >= 0 && s.last_y >= 0 && s.last_x < s.width && s.last_y < s.height;
  set_inside(s, in_page && (s.window.entered || p.buttons != 0));
  switch (e.kind) {
    case EventKind::motion:
    case EventKind::enter:
      move_to(s, e.x, e.y);
      break;
    case EventKind::press:
      // A press in the window means the player is using it, however the desktop lost its
      // focus or said it was minimised.
      if (!p.active) {
        s.window.focused = true;
        s.window.minimised = false;
        set_activation(s);
      }
      p.buttons |= e.button;
      p.pressed_since_poll |= e.button;
      changed(s);
      break;
    case EventKind::release:
      if ((p.buttons & e.button) != 0) changed(s);
      p.buttons &= ~e.button;
      // Released outside, the pointer is no longer held over the page.
      set_inside(s, in_page && s.window.entered);
      break;
    case EventKind::wheel:
      if (e.step == 0) break;
      p.wheel += e.step > 0 ? 1 : -1;
      changed(s);
      break;
    case EventKind::focus:
      s.window.focused = e.on;
      set_activation(s);
      break;
    case EventKind::minimised:
      s.window.minimised = e.on;
      set_activation(s);
      break;
    case EventKind::close_request:
      ++s.keys_queued;
      break;
    case EventKind::drop:
      // One file installs as if chosen; several at once are not a choice.
      if (e.files.size() != 1) break;
      s.dropped = e.files.front();
      s.drop_waiting = true;
      changed(s);
      break;
    case EventKind::maximise:
      // A desktop that repeats or keeps answering opposite states cannot make the window flip
      // on its own: once per player action at most.
      if (!s.window.desktop_may_switch) break;
      s.window.desktop_may_switch = false;
      [[fallthrough]];
    case EventKind::full_screen_key:
      // Both switch between the window and full screen; a refusal leaves the display as it is.
      s.driver->set_full_screen(!s.driver->full_screen());
      break;
    case EventKind::lost:
      driver::connection_lost();
    case EventKind::leave:
      break;
  }
}

}  // namespace

void apply_window_events(Screen& s) {
  s.events.clear();
  if (s.driver != nullptr) s.driver->take_events(s.events);
  for (const driver::Event& e : s.events) apply(s, e);
  s.events.clear();
}

}  // namespace detail

}  // namespace screen
