// A hostile X client for the end-to-end tests: sends a window what any program on the same
// display may send it, then ends once the server has taken it all.
//   gorvex-x-hostile focus-out WINDOW        a synthetic FocusOut
//   gorvex-x-hostile configure WINDOW W H N  N synthetic ConfigureNotify, 1 x 1 and W x H by
//                                            turns, the last one W x H
//   gorvex-x-hostile resize WINDOW W H N     N real resizes, the same way
//   gorvex-x-hostile remap WINDOW            unmaps and maps the window again
//   gorvex-x-hostile positions WINDOW N      a drag entering, then N XdndPosition
//   gorvex-x-hostile messages WINDOW N       N client messages of a type no one knows

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

Display* display = nullptr;

void send(Window to, long mask, XEvent& e) {
  e.xany.window = to;
  XSendEvent(display, to, False, mask, &e);
}

XEvent client_message(Window to, const char* type) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = to;
  e.xclient.message_type = XInternAtom(display, type, False);
  e.xclient.format = 32;
  return e;
}

// Flushed every so often: Xlib's buffer stays small, and the server reads while we write.
void flush_every(long i) {
  if (i % 4096 == 0) XFlush(display);
}

void focus_out(Window w) {
  XEvent e{};
  e.xfocus.type = FocusOut;
  e.xfocus.mode = NotifyNormal;
  e.xfocus.detail = NotifyNonlinear;
  send(w, FocusChangeMask, e);
}

void configure(Window w, int width, int height, long count) {
  XEvent e{};
  e.xconfigure.type = ConfigureNotify;
  for (long i = count - 1; i >= 0; --i) {  // alternately 1 x 1, the last one W x H
    e.xconfigure.window = e.xconfigure.event = w;
    e.xconfigure.width = i % 2 == 1 ? 1 : width;
    e.xconfigure.height = i % 2 == 1 ? 1 : height;
    send(w, StructureNotifyMask, e);
    flush_every(i);
  }
}

// Real resizes, as a client may make them where no window manager redirects them.
void resize(Window w, int width, int height, long count) {
  for (long i = count - 1; i >= 0; --i) {  // alternately 1 x 1, the last one W x H
    XResizeWindow(display, w, i % 2 == 1 ? 1 : unsigned(width), i % 2 == 1 ? 1 : unsigned(height));
    flush_every(i);
  }
}

void remap(Window w) {
  XUnmapWindow(display, w);
  XSync(display, False);
  XMapWindow(display, w);
}

// The drag's source is the root window: the target's answers go to no client.
void positions(Window w, long count) {
  const Window root = DefaultRootWindow(display);
  XEvent enter = client_message(w, "XdndEnter");
  enter.xclient.data.l[0] = long(root);
  enter.xclient.data.l[1] = 5L << 24;
  enter.xclient.data.l[2] = long(XInternAtom(display, "text/uri-list", False));
  send(w, NoEventMask, enter);
  XEvent position = client_message(w, "XdndPosition");
  position.xclient.data.l[0] = long(root);
  position.xclient.data.l[4] = long(XInternAtom(display, "XdndActionCopy", False));
  for (long i = 0; i < count; ++i) {
    position.xclient.data.l[2] = (i % 500) << 16 | (i % 400);
    send(w, NoEventMask, position);
    flush_every(i);
  }
  XEvent leave = client_message(w, "XdndLeave");
  leave.xclient.data.l[0] = long(root);
  send(w, NoEventMask, leave);
}

void messages(Window w, long count) {
  XEvent e = client_message(w, "GORVEX_NOISE");
  for (long i = 0; i < count; ++i) {
    e.xclient.data.l[0] = i;
    send(w, NoEventMask, e);
    flush_every(i);
  }
}

int usage() {
  std::fputs(
      "usage: gorvex-x-hostile focus-out|configure|resize|remap|positions|messages WINDOW ...\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string what = argv[1];
  const auto w = Window(std::strtoul(argv[2], nullptr, 0));
  const auto number = [&](int i) { return i < argc ? std::strtol(argv[i], nullptr, 0) : -1; };
  display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("gorvex-x-hostile: cannot open the display\n", stderr);
    return 1;
  }
  if (what == "focus-out") {
    focus_out(w);
  } else if (what == "configure" && number(5) >= 0) {
    configure(w, int(number(3)), int(number(4)), number(5));
  } else if (what == "resize" && number(5) >= 0) {
    resize(w, int(number(3)), int(number(4)), number(5));
  } else if (what == "remap") {
    remap(w);
  } else if (what == "positions" && number(3) >= 0) {
    positions(w, number(3));
  } else if (what == "messages" && number(3) >= 0) {
    messages(w, number(3));
  } else {
    XCloseDisplay(display);
    return usage();
  }
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
