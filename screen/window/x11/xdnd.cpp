// Files dropped onto the X11 window: the target's side of XDND (version 5). The drag source
// names its types; on the drop we ask for text/uri-list, read it with a size limit and hand
// the files to the core, which decides what a drop means. Positions are answered once a
// pass, however many came, and a source that never hands its files over is told the drop
// failed after a while.

#include <X11/Xatom.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "screen/window/deadline.h"
#include "screen/window/uri_list.h"
#include "screen/window/x11/x11.h"

namespace screen::x11_window {

namespace {

constexpr long most_bytes = 1 << 20;  // a list of files far longer than any drop of levels
constexpr int most_types = 64;

void send_to_source(Atom type, long l1, long l4) {
  Record& d = record;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = d.drag.source;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(d.window);
  e.xclient.data.l[1] = l1;
  e.xclient.data.l[4] = l4;
  if (type == d.atoms.xdnd_finished) e.xclient.data.l[2] = l4;  // the action taken
  XSendEvent(d.display, d.drag.source, False, NoEventMask, &e);
}

// Whether the source offers text/uri-list: among the three types of its XdndEnter, or in
// its XdndTypeList where it has more.
bool offers_files(const XClientMessageEvent& e) {
  Record& d = record;
  const Atom wanted = d.atoms.text_uri_list;
  if ((e.data.l[1] & 1) == 0)
    return Atom(e.data.l[2]) == wanted || Atom(e.data.l[3]) == wanted ||
           Atom(e.data.l[4]) == wanted;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(d.display, d.drag.source, d.atoms.xdnd_type_list, 0, most_types, False,
                         XA_ATOM, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && type == XA_ATOM && format == 32) {
    const auto* types = reinterpret_cast<const long*>(data);
    found = std::find(types, types + std::min<unsigned long>(count, most_types), long(wanted)) !=
            types + std::min<unsigned long>(count, most_types);
  }
  if (data != nullptr) XFree(data);
  return found;
}

void finish(bool accepted) {
  Record& d = record;
  send_to_source(d.atoms.xdnd_finished, accepted ? 1 : 0,
                 accepted ? long(d.atoms.xdnd_action_copy) : long(None));
  d.drag = {};
}

}  // namespace

bool handle_client_message(const XClientMessageEvent& e) {
  Record& d = record;
  const Atoms& a = d.atoms;
  const Atom type = e.message_type;
  if (type != a.xdnd_enter && type != a.xdnd_position && type != a.xdnd_leave &&
      type != a.xdnd_drop)
    return false;
  if (e.format != 32) return true;
  const auto source = Window(e.data.l[0]);
  if (type == a.xdnd_enter) {
    d.drag = {};
    d.drag.source = source;
    d.drag.offers_files = offers_files(e);
    return true;
  }
  if (source == None || source != d.drag.source || d.drag.dropped) return true;
  if (type == a.xdnd_position) {
    d.drag.status_due = true;
  } else if (type == a.xdnd_leave) {
    d.drag = {};
  } else if (!d.drag.offers_files) {
    finish(false);
  } else {
    d.drag.dropped = true;
    d.drag.given_up_at = std::chrono::steady_clock::now() + window::dropped_list_wait;
    XConvertSelection(d.display, a.xdnd_selection, a.text_uri_list, a.drop_property, d.window,
                      Time(e.data.l[2]));
  }
  return true;
}

void handle_selection(const XSelectionEvent& e) {
  Record& d = record;
  if (!d.drag.dropped || e.requestor != d.window || e.selection != d.atoms.xdnd_selection) return;
  bool accepted = false;
  if (e.property != None) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // Read and deleted at once; a list longer than the limit (or sent in pieces) is refused.
    if (XGetWindowProperty(d.display, d.window, e.property, 0, most_bytes / 4, True,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && type == d.atoms.text_uri_list && format == 8 && after == 0) {
      std::vector<std::string> files;
      const std::string_view text(reinterpret_cast<const char*>(data), count);
      if (window::parse_uri_list(text, files) && !files.empty()) {
        d.events.push({.kind = driver::EventKind::drop, .files = std::move(files)});
        accepted = true;
      }
    }
    if (data != nullptr) XFree(data);
    if (after > 0) XDeleteProperty(d.display, d.window, e.property);
  }
  finish(accepted);
}

void answer_drag() {
  Record& d = record;
  const Atoms& a = d.atoms;
  if (d.drag.dropped && std::chrono::steady_clock::now() >= d.drag.given_up_at) finish(false);
  if (!d.drag.status_due || d.drag.dropped) return;
  d.drag.status_due = false;
  // Accepted anywhere over the window, as a copy; positions keep coming (empty rectangle).
  send_to_source(a.xdnd_status, d.drag.offers_files ? 1 : 0,
                 d.drag.offers_files ? long(a.xdnd_action_copy) : long(None));
}

int drag_wait_ms() {
  const Record& d = record;
  return d.drag.dropped ? window::milliseconds_until(d.drag.given_up_at) : -1;
}

}  // namespace screen::x11_window
