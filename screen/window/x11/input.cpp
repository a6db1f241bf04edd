// The X11 window's events, translated for the core, and the wait for them.

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "screen/window/deadline.h"
#include "screen/window/linux/wake_linux.h"
#include "screen/window/x11/x11.h"

namespace screen::x11_window {

namespace {

// Events handled in one pass: a flood is taken in slices, with the page shown and the
// screen's lock let go between them (intake.cpp bounds what waits meanwhile).
constexpr int most_events_per_pass = 256;

using driver::Event;
using driver::EventKind;

// The page pixel under a window pixel's centre.
scale::Point page_point(int x, int y) {
  return window::page_point(record.scaler.placement(), x + 0.5, y + 0.5);
}

// A motion first where the pointer is not where it was last reported.
void moved_to(int x, int y) {
  Record& d = record;
  const scale::Point p = page_point(x, y);
  if (p == d.last_pointer) return;
  d.last_pointer = p;
  d.events.push({.kind = EventKind::motion, .x = p.x, .y = p.y});
}

// X's buttons as the core counts them: 1 left, 3 right, 2 middle, 8 and 9 the extra ones.
int button_bit(unsigned button) {
  switch (button) {
    case Button1:
      return 1;
    case Button3:
      return 2;
    case Button2:
      return 4;
    case 8:
      return 8;
    case 9:
      return 16;
    default:
      return 0;
  }
}

void button(const XButtonEvent& e, bool down) {
  Record& d = record;
  moved_to(e.x, e.y);
  if (e.button == Button4 || e.button == Button5) {  // the wheel: a press per step
    if (down) d.events.push({.kind = EventKind::wheel, .step = e.button == Button4 ? 1 : -1});
    return;
  }
  const int bit = button_bit(e.button);
  if (bit == 0) return;
  // A press means the player is using the window, whatever its focus was: the core takes it
  // as focused and shown again, and so do we.
  if (down) {
    d.focused = true;
    d.minimised = false;
  }
  d.events.push({.kind = down ? EventKind::press : EventKind::release, .button = bit});
}

// Alt+Enter, once per press: with detectable auto-repeat a held key sends presses alone.
void key(XKeyEvent& e, bool down) {
  Record& d = record;
  const KeySym sym = XLookupKeysym(&e, 0);
  if (sym != XK_Return && sym != XK_KP_Enter) return;
  const bool repeat = down && d.return_held;
  d.return_held = down;
  if (down && !repeat && (e.state & Mod1Mask) != 0)
    d.events.push({.kind = EventKind::full_screen_key});
}

// Focus that the window really got or lost: not moves inside it, not a grab's passing
// focus. Where the focus follows the pointer (PointerRoot, where it falls back without a
// window manager) the window gets it as the pointer comes in; it loses it as the pointer
// leaves, where a button held across the edge stays held: that FocusOut is passed over.
void focus(const XFocusChangeEvent& e, bool in) {
  Record& d = record;
  if (e.mode == NotifyGrab || e.mode == NotifyUngrab || e.detail == NotifyInferior ||
      (e.detail == NotifyPointer && !in) || e.detail == NotifyPointerRoot ||
      e.detail == NotifyDetailNone)
    return;
  if (in == d.focused) return;
  d.focused = in;
  d.events.push({.kind = EventKind::focus, .on = in});
}

// The last size of a pass wins: one buffer and one repaint for a burst of them.
void configured(const XConfigureEvent& e) {
  Record& d = record;
  if (e.width == d.size.x && e.height == d.size.y) return;
  d.size = {e.width, e.height};
  d.resized = true;
}

void exposed(const XExposeEvent& e) {
  Area& a = record.exposed;
  const Area more{e.x, e.y, e.x + e.width, e.y + e.height};
  if (more.right <= more.left || more.bottom <= more.top) return;
  if (a.right <= a.left) {
    a = more;
    return;
  }
  a = {std::min(a.left, more.left), std::min(a.top, more.top), std::max(a.right, more.right),
       std::max(a.bottom, more.bottom)};
}

void mapped() {
  Record& d = record;
  // Without a window manager no one else gives the window the keyboard, each time it is
  // mapped (another client may unmap and map it).
  if (!d.mapped && !d.window_manager)
    XSetInputFocus(d.display, d.window, RevertToPointerRoot, CurrentTime);
  d.mapped = true;
}

}  // namespace

void handle(XEvent& e) {
  Record& d = record;
  if (!believed(e)) return;
  switch (e.type) {
    case Expose:
      exposed(e.xexpose);
      break;
    case ConfigureNotify:
      if (e.xconfigure.window == d.window) configured(e.xconfigure);
      break;
    case MapNotify:
      if (e.xmap.window == d.window) mapped();
      break;
    case UnmapNotify:
      if (e.xunmap.window == d.window) d.mapped = false;
      break;
    case PropertyNotify:
      if (e.xproperty.atom == d.atoms.net_wm_state || e.xproperty.atom == d.atoms.wm_state)
        d.state_changed = true;
      break;
    case FocusIn:
    case FocusOut:
      focus(e.xfocus, e.type == FocusIn);
      break;
    case EnterNotify: {
      const scale::Point p = page_point(e.xcrossing.x, e.xcrossing.y);
      d.last_pointer = p;
      d.events.push({.kind = EventKind::enter, .x = p.x, .y = p.y});
      break;
    }
    case LeaveNotify:
      d.events.push({.kind = EventKind::leave});
      break;
    case MotionNotify:
      moved_to(e.xmotion.x, e.xmotion.y);
      break;
    case ButtonPress:
    case ButtonRelease:
      button(e.xbutton, e.type == ButtonPress);
      break;
    case KeyPress:
    case KeyRelease:
      key(e.xkey, e.type == KeyPress);
      break;
    case ClientMessage:
      if (e.xclient.message_type == d.atoms.wm_protocols && e.xclient.format == 32 &&
          Atom(e.xclient.data.l[0]) == d.atoms.wm_delete_window)
        d.events.push({.kind = EventKind::close_request});
      else
        handle_client_message(e.xclient);
      break;
    case SelectionNotify:
      handle_selection(e.xselection);
      break;
    case MappingNotify:
      XRefreshKeyboardMapping(&e.xmapping);
      break;
    default:
      break;
  }
}

void end_pass() {
  Record& d = record;
  // Sizes and mappings a flood crowded out, asked once the queue holds nothing older.
  if (d.geometry_lost && XEventsQueued(d.display, QueuedAlready) == 0) {
    d.geometry_lost = false;
    XWindowAttributes now{};
    if (XGetWindowAttributes(d.display, d.window, &now)) {
      d.mapped = now.map_state != IsUnmapped;
      d.exposed = {0, 0, now.width, now.height};
      d.resized = d.resized || now.width != d.size.x || now.height != d.size.y;
      d.size = {now.width, now.height};
    }
  }
  // Where the pointer is, when a flood crowded out its crossings: in the window or not.
  if (d.pointer_lost && XEventsQueued(d.display, QueuedAlready) == 0) {
    d.pointer_lost = false;
    Window root = None, child = None;
    int root_x = 0, root_y = 0, x = 0, y = 0;
    unsigned buttons = 0;
    const bool here =
        XQueryPointer(d.display, d.window, &root, &child, &root_x, &root_y, &x, &y, &buttons) != 0;
    if (here && x >= 0 && y >= 0 && x < d.size.x && y < d.size.y) {
      const scale::Point p = page_point(x, y);
      d.last_pointer = p;
      d.events.push({.kind = EventKind::enter, .x = p.x, .y = p.y});
    } else {
      d.events.push({.kind = EventKind::leave});
    }
  }
  if (d.resized) {
    d.resized = false;
    d.exposed = {};
    fit_buffer();  // paints all
  }
  const Area a = d.exposed;
  d.exposed = {};
  if (a.right > a.left) show_area(a.left, a.top, a.right - a.left, a.bottom - a.top);
  if (d.state_changed) {
    d.state_changed = false;
    read_window_state();
  }
  answer_drag();
  XFlush(d.display);
}

void take_events(std::vector<driver::Event>& events) {
  Record& d = record;
  if (d.display == nullptr) return;
  // The connection is read only once Xlib's queue is empty.
  for (int n = 0; n < most_events_per_pass; ++n) {
    if (XEventsQueued(d.display, QueuedAlready) == 0 &&
        XEventsQueued(d.display, QueuedAfterReading) == 0)
      break;
    XEvent e;
    XNextEvent(d.display, &e);
    handle(e);
  }
  end_pass();
  d.events.take(events);
}

void wait_for_event(int milliseconds) {
  Record& d = record;
  if (d.display == nullptr) return;
  // Events already read from the connection wait in Xlib's queue, where poll cannot see them.
  if (XPending(d.display) > 0 || !d.events.empty()) return;
  // A drop waiting for its files is given up in time.
  milliseconds = window::sooner(milliseconds, drag_wait_ms());
  pollfd fds[2] = {{ConnectionNumber(d.display), POLLIN, 0},
                   {window::wake_descriptor(), POLLIN, 0}};
  if (poll(fds, 2, milliseconds < 0 ? -1 : milliseconds) > 0 && (fds[1].revents & POLLIN) != 0)
    window::take_wakes();
}

void wait_for_map(int milliseconds) {
  Record& d = record;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!d.mapped) {
    while (!d.mapped && XPending(d.display) > 0) {
      XEvent e;
      XNextEvent(d.display, &e);
      handle(e);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (d.mapped || left.count() <= 0) break;
    pollfd fd{ConnectionNumber(d.display), POLLIN, 0};
    poll(&fd, 1, int(left.count()) + 1);
  }
  end_pass();
}

}  // namespace screen::x11_window
