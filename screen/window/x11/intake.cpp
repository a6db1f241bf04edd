// What Xlib may queue for the window. Xlib reads the connection for as long as the server
// has more, so a client flooding the window would fill Xlib's queue faster than any pass
// empties it. Every event is looked at as Xlib reads it, through the library's own hook
// for converting events: synthetic ones that could move or blind the window never enter,
// and once a flood has filled the queue to its bound only input and the answer to our
// request for a drop's files enter; what the rest would have said is noted, and asked of
// the server again once the flood has passed.

#include "screen/window/x11/x11.h"
// Last: the header of Xlib's hooks defines min and max as macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace screen::x11_window {

namespace {

constexpr int most_queued = 4096;

bool always_enters(int type) {
  return type == ButtonPress || type == ButtonRelease || type == KeyPress || type == KeyRelease ||
         type == SelectionNotify;
}

// Runs inside Xlib, with the display locked: it may note things in the record, never call
// Xlib.
Bool admit(Display* display, XEvent* out, xEvent* wire) {
  const int type = wire->u.u.type & 0x7F;
  if (type >= GenericEvent || !record.converters[std::size_t(type)](display, out, wire))
    return False;
  if (!believed(*out)) return False;
  if (display->qlen < most_queued || always_enters(type)) return True;
  Record& d = record;
  switch (type) {
    case Expose:
      d.exposed = {0, 0, d.size.x, d.size.y};
      break;
    case PropertyNotify:
      d.state_changed = true;
      break;
    case ConfigureNotify:
    case MapNotify:
    case UnmapNotify:
      d.geometry_lost = true;
      break;
    case EnterNotify:
    case LeaveNotify:
    case MotionNotify:
      d.pointer_lost = true;
      break;
    default:
      break;
  }
  return False;
}

}  // namespace

bool believed(const XEvent& e) {
  switch (e.type) {
    case ConfigureNotify:
    case MapNotify:
    case UnmapNotify:
    case FocusIn:
    case FocusOut:
    case EnterNotify:
    case LeaveNotify:
    case MotionNotify:
    case ButtonPress:
    case ButtonRelease:
    case KeyPress:
    case KeyRelease:
      return !e.xany.send_event;
    default:
      return true;
  }
}

void bound_intake() {
  Display* display = record.display;
  for (int type = KeyPress; type < GenericEvent; ++type) {
    // The hook returns the converter it replaces: Xlib's own, kept for admit to call.
    record.converters[std::size_t(type)] = XESetWireToEvent(display, type, admit);
  }
}

}  // namespace screen::x11_window
