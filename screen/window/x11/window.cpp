// The X11 window: the connection, the window with its properties, its title, and full screen.

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/scrnsaver.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "base/cp1251.h"
#include "screen/window/linux/wake_linux.h"
#include "screen/window/window_icon.h"
#include "screen/window/x11/x11.h"
#include "screen/window/x_scale.h"

namespace screen::x11_window {

namespace {

// Xlib's own handler exits from whichever thread saw the connection go, running exit
// handlers while the other thread draws: the core ends the launcher at once instead.
int display_lost(Display*) {
  driver::connection_lost();
}

int protocol_error(Display*, XErrorEvent*) {
  if (record.trapped_errors >= 0) ++record.trapped_errors;
  return 0;
}

void intern_atoms(Display* display, Atoms& atoms) {
  static constexpr std::array names = {"WM_PROTOCOLS",
                                       "WM_DELETE_WINDOW",
                                       "WM_STATE",
                                       "_NET_WM_NAME",
                                       "UTF8_STRING",
                                       "_NET_WM_ICON",
                                       "_NET_WM_PID",
                                       "_NET_WM_STATE",
                                       "_NET_WM_STATE_FULLSCREEN",
                                       "_NET_WM_STATE_MAXIMIZED_VERT",
                                       "_NET_WM_STATE_MAXIMIZED_HORZ",
                                       "_NET_WM_STATE_HIDDEN",
                                       "_NET_WORKAREA",
                                       "_NET_SUPPORTED",
                                       "_NET_SUPPORTING_WM_CHECK",
                                       "_NET_ACTIVE_WINDOW",
                                       "XdndAware",
                                       "XdndEnter",
                                       "XdndPosition",
                                       "XdndStatus",
                                       "XdndLeave",
                                       "XdndDrop",
                                       "XdndFinished",
                                       "XdndSelection",
                                       "XdndTypeList",
                                       "XdndActionCopy",
                                       "text/uri-list",
                                       "GORVEX_DROP"};
  static_assert(names.size() * sizeof(Atom) == sizeof(Atoms));
  std::array<Atom, names.size()> found{};
  XInternAtoms(display, const_cast<char**>(names.data()), int(names.size()), False, found.data());
  std::copy(found.begin(), found.end(), reinterpret_cast<Atom*>(&atoms));
}

// Up to `most` 32-bit items of a window's property of `type`, as Xlib hands them: longs.
std::vector<long> long_property(Window w, Atom property, Atom type, long most) {
  Record& d = record;
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> out;
  if (XGetWindowProperty(d.display, w, property, 0, most, False, type, &actual, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && actual == type && format == 32) {
    const auto* items = reinterpret_cast<const long*>(data);
    out.assign(items, items + std::min<unsigned long>(count, std::size_t(most)));
  }
  if (data != nullptr) XFree(data);
  return out;
}

// A window manager that speaks EWMH's full screen: its check window names itself.
bool manager_offers_full_screen() {
  Record& d = record;
  const std::vector<long> check =
      long_property(d.root, d.atoms.net_supporting_wm_check, XA_WINDOW, 1);
  if (check.empty()) return false;
  const std::vector<long> self =
      long_property(Window(check[0]), d.atoms.net_supporting_wm_check, XA_WINDOW, 1);
  if (self.empty() || self[0] != check[0]) return false;
  const std::vector<long> supported = long_property(d.root, d.atoms.net_supported, XA_ATOM, 4096);
  return std::find(supported.begin(), supported.end(), long(d.atoms.net_wm_state_fullscreen)) !=
         supported.end();
}

// The usable part of the screen: the window manager's work area, else the whole screen.
scale::Point work_area() {
  Record& d = record;
  const std::vector<long> area = long_property(d.root, d.atoms.net_workarea, XA_CARDINAL, 4);
  if (area.size() == 4 && area[2] > 0 && area[3] > 0) return {int(area[2]), int(area[3])};
  return {DisplayWidth(d.display, d.screen), DisplayHeight(d.display, d.screen)};
}

// A visual of 8-bit red, green and blue, as the buffer's 0x00RRGGBB pixels are.
bool find_visual(std::string& error) {
  Record& d = record;
  XVisualInfo info{};
  if (!XMatchVisualInfo(d.display, d.screen, 24, TrueColor, &info) || info.red_mask != 0xFF0000 ||
      info.green_mask != 0xFF00 || info.blue_mask != 0xFF) {
    error = "the X server offers no 24-bit TrueColor visual";
    return false;
  }
  d.visual = info.visual;
  d.depth = info.depth;
  d.colormap = info.visual == DefaultVisual(d.display, d.screen)
                   ? DefaultColormap(d.display, d.screen)
                   : XCreateColormap(d.display, d.root, info.visual, AllocNone);
  return true;
}

// The icon as _NET_WM_ICON wants it: width, height, then ARGB pixels in longs.
void set_icon() {
  Record& d = record;
  const int n = window_icon_size;
  std::vector<long> icon(2 + std::size_t(n) * std::size_t(n));
  icon[0] = icon[1] = n;
  for (std::size_t i = 0; i < std::size_t(n) * std::size_t(n); ++i) {
    const unsigned char* p = window_icon_rgba + i * 4;
    icon[2 + i] = long(std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 |
                       std::uint32_t(p[1]) << 8 | p[2]);
  }
  XChangeProperty(d.display, d.window, d.atoms.net_wm_icon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(icon.data()), int(icon.size()));
}

// Class, protocols, process, input hints, drops: what stays for the window's life.
void set_properties() {
  Record& d = record;
  char name[] = "gorvex-launcher";
  XClassHint class_hint{name, name};
  XWMHints wm_hints{};
  wm_hints.flags = InputHint | StateHint;
  wm_hints.input = True;
  wm_hints.initial_state = NormalState;
  XSetWMProperties(d.display, d.window, nullptr, nullptr, nullptr, 0, nullptr, &wm_hints,
                   &class_hint);
  Atom protocols[] = {d.atoms.wm_delete_window};
  XSetWMProtocols(d.display, d.window, protocols, 1);
  const long pid = long(getpid());
  XChangeProperty(d.display, d.window, d.atoms.net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  const long xdnd_version = 5;
  XChangeProperty(d.display, d.window, d.atoms.xdnd_aware, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&xdnd_version), 1);
  set_icon();
  update_size_hints(true);
}

// The window's corner for `size`, centred on the screen.
scale::Point centred(scale::Point size) {
  Record& d = record;
  return {(DisplayWidth(d.display, d.screen) - size.x) / 2,
          (DisplayHeight(d.display, d.screen) - size.y) / 2};
}

scale::Point windowed_size() {
  const window::Placement p = window::windowed(record.page, record.scale);
  return {p.width, p.height};
}

// Asks the window manager to add or remove states of our window.
void ask_state(bool add, Atom first, Atom second) {
  Record& d = record;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = d.window;
  e.xclient.message_type = d.atoms.net_wm_state;
  e.xclient.format = 32;
  e.xclient.data.l[0] = add ? 1 : 0;
  e.xclient.data.l[1] = long(first);
  e.xclient.data.l[2] = long(second);
  e.xclient.data.l[3] = 1;  // a normal application
  XSendEvent(d.display, d.root, False, SubstructureNotifyMask | SubstructureRedirectMask, &e);
}

void release() {
  Record& d = record;
  free_buffer();
  if (d.gc != nullptr) XFreeGC(d.display, d.gc);
  if (d.arrow != None) XFreeCursor(d.display, d.arrow);
  d.id.store(0);
  if (d.window != None) XDestroyWindow(d.display, d.window);
  if (d.colormap != None && d.colormap != DefaultColormap(d.display, d.screen))
    XFreeColormap(d.display, d.colormap);
  XCloseDisplay(d.display);
  record = Record{};
}

}  // namespace

Record record;

void trap_errors() {
  record.trapped_errors = 0;
}

bool errors_trapped() {
  const bool any = record.trapped_errors > 0;
  record.trapped_errors = -1;
  return any;
}

void update_size_hints(bool fixed) {
  Record& d = record;
  XSizeHints* hints = XAllocSizeHints();
  if (hints == nullptr) return;
  const scale::Point size = windowed_size();
  hints->flags = PPosition | PSize;
  hints->width = size.x;
  hints->height = size.y;
  if (fixed) {
    hints->flags |= PMinSize | PMaxSize;
    hints->min_width = hints->max_width = size.x;
    hints->min_height = hints->max_height = size.y;
  }
  XSetWMNormalHints(d.display, d.window, hints);
  XFree(hints);
}

void read_window_state() {
  Record& d = record;
  const std::vector<long> states = long_property(d.window, d.atoms.net_wm_state, XA_ATOM, 64);
  const auto has = [&](Atom a) {
    return std::find(states.begin(), states.end(), long(a)) != states.end();
  };
  const std::vector<long> wm_state = long_property(d.window, d.atoms.wm_state, d.atoms.wm_state, 1);
  const bool minimised =
      has(d.atoms.net_wm_state_hidden) || (!wm_state.empty() && wm_state[0] == IconicState);
  if (minimised != d.minimised) {
    d.minimised = minimised;
    d.events.push({.kind = driver::EventKind::minimised, .on = minimised});
  }
  // The maximise button: the window keeps its size, the core decides what it means.
  const bool maximised =
      has(d.atoms.net_wm_state_maximized_vert) || has(d.atoms.net_wm_state_maximized_horz);
  if (maximised && !d.maximised) {
    ask_state(false, d.atoms.net_wm_state_maximized_vert, d.atoms.net_wm_state_maximized_horz);
    d.events.push({.kind = driver::EventKind::maximise});
  }
  d.maximised = maximised;
  const bool full = has(d.atoms.net_wm_state_fullscreen);
  if (full != d.state_full_screen) {  // the manager's word, whoever asked
    d.state_full_screen = full;
    d.asked_full_screen = full;
    if (!full) update_size_hints(true);
  }
}

void set_title(std::string_view title) {
  Record& d = record;
  if (d.window == None) return;
  std::string utf8 = cp1251::to_utf8(title);
  XChangeProperty(d.display, d.window, d.atoms.net_wm_name, d.atoms.utf8_string, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), int(utf8.size()));
  // WM_NAME for older tools: Latin-1 where the title fits it, else compound text.
  char* list[] = {utf8.data()};
  XTextProperty text{};
  if (Xutf8TextListToTextProperty(d.display, list, 1, XStdICCTextStyle, &text) >= Success) {
    XSetWMName(d.display, d.window, &text);
    XFree(text.value);
  }
  XFlush(d.display);
}

bool open(int width, int height, std::string_view title, std::string& error) {
  Record& d = record;
  // Message boxes speak to the server from the program thread, over their own connection.
  XInitThreads();
  XSetErrorHandler(protocol_error);
  d.display = XOpenDisplay(nullptr);
  if (d.display == nullptr) {
    error = "the X server does not answer";
    return false;
  }
  XSetIOErrorHandler(display_lost);
  bound_intake();
  d.screen = DefaultScreen(d.display);
  d.root = RootWindow(d.display, d.screen);
  if (!find_visual(error)) {
    release();
    return false;
  }
  intern_atoms(d.display, d.atoms);
  d.window_manager = manager_offers_full_screen();
  // Asked of the server first: libXext complains on stderr about an extension it lacks.
  int opcode = 0, first_event = 0, first_error = 0;
  d.shm_offered = XQueryExtension(d.display, "MIT-SHM", &opcode, &first_event, &first_error) &&
                  XShmQueryExtension(d.display);
  d.page = {width, height};
  d.scaler.start(d.page);
  const double desktop = window::scale_of_percent(
      window::desktop_percent(std::getenv("GDK_SCALE"), XResourceManagerString(d.display)));
  d.scale = window::fitting_scale(desktop, work_area(), d.page);
  d.size = windowed_size();
  const scale::Point corner = centred(d.size);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = 0;
  attributes.border_pixel = 0;
  attributes.colormap = d.colormap;
  attributes.event_mask = ExposureMask | StructureNotifyMask | PropertyChangeMask |
                          FocusChangeMask | EnterWindowMask | LeaveWindowMask | PointerMotionMask |
                          ButtonPressMask | ButtonReleaseMask | KeyPressMask | KeyReleaseMask;
  d.window = XCreateWindow(d.display, d.root, corner.x, corner.y, unsigned(d.size.x),
                           unsigned(d.size.y), 0, d.depth, InputOutput, d.visual,
                           CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
  d.gc = XCreateGC(d.display, d.window, 0, nullptr);
  if (window::wake_descriptor() < 0) {
    error = "no eventfd for waking the window's thread";
    release();
    return false;
  }
  if (!fit_buffer()) {
    error = "no window buffer of " + std::to_string(d.size.x) + " x " + std::to_string(d.size.y);
    release();
    return false;
  }
  set_properties();
  set_title(title);
  XMapRaised(d.display, d.window);
  XFlush(d.display);  // the server maps while the rest is set up
  d.id.store(d.window);
  d.arrow = XCreateFontCursor(d.display, XC_left_ptr);
  XDefineCursor(d.display, d.window, d.arrow);
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(d.display, True, &detectable);
  // The screen saver stays off while the launcher is open, where the server has one to
  // suspend (asked first, as libXss complains on stderr about one it lacks).
  d.saver_suspended =
      XQueryExtension(d.display, "MIT-SCREEN-SAVER", &opcode, &first_event, &first_error);
  if (d.saver_suspended) XScreenSaverSuspend(d.display, True);
  // What is presented from now on shows at once: the window is on the screen, or a window
  // manager has kept it back for longer than a player waits.
  wait_for_map(1000);
  return true;
}

bool set_full_screen(bool on) {
  Record& d = record;
  if (d.window == None) return false;
  if (on == d.asked_full_screen) return true;
  d.asked_full_screen = on;
  if (on) update_size_hints(false);
  if (d.window_manager) {
    ask_state(on, d.atoms.net_wm_state_fullscreen, None);
  } else if (on) {  // no one to ask: the window covers the screen itself
    XMoveResizeWindow(d.display, d.window, 0, 0, unsigned(DisplayWidth(d.display, d.screen)),
                      unsigned(DisplayHeight(d.display, d.screen)));
    XRaiseWindow(d.display, d.window);
  } else {
    const scale::Point size = windowed_size(), corner = centred(size);
    XMoveResizeWindow(d.display, d.window, corner.x, corner.y, unsigned(size.x), unsigned(size.y));
    update_size_hints(true);
  }
  XFlush(d.display);
  return true;
}

bool full_screen() {
  return record.asked_full_screen;
}

void close() {
  Record& d = record;
  if (d.display == nullptr) return;
  if (d.saver_suspended) XScreenSaverSuspend(d.display, False);
  release();
}

std::uint64_t window_id() {
  return record.id.load();
}

// X is there when DISPLAY names it, and is the desktop of any session that is not Wayland's.
bool at_hand() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (display != nullptr && *display != '\0') || wayland == nullptr || *wayland == '\0';
}

void wake() {
  window::wake_waits();
}

}  // namespace screen::x11_window

namespace screen::driver {

namespace x = x11_window;

const Driver x11_driver = {
    .name = "x11",
    .at_hand = x::at_hand,
    .open = x::open,
    .set_title = x::set_title,
    .set_palette = x::set_palette,
    .present = x::present,
    .take_events = x::take_events,
    .wait_for_event = x::wait_for_event,
    .wake = x::wake,
    .set_full_screen = x::set_full_screen,
    .full_screen = x::full_screen,
    .close = x::close,
    .window_id = x::window_id,
    .show_box = x::show_box,
};

}  // namespace screen::driver
