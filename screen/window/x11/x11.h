#pragma once
// The X11 window driver's own record, shared by its files only. Spoken through Xlib: the
// library the launcher has always reached X through, whose input and drag-and-drop
// conventions (XDND, ICCCM selections, XKB's detectable auto-repeat) are documented in its
// terms, and which every desktop distribution installs with X itself. Every call on the
// window's connection comes from the service thread; wake() and window_id() may come from any
// thread, and show_box() runs on the program thread over a connection of its own.

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "screen/window/driver.h"
#include "screen/window/event_queue.h"
#include "screen/window/scaler.h"
#include "screen/window/shared_value.h"

struct _xEvent;  // an event as the wire carries it (Xlib's internal headers)

namespace screen::x11_window {

struct Atoms {
  Atom wm_protocols, wm_delete_window, wm_state, net_wm_name, utf8_string, net_wm_icon, net_wm_pid,
      net_wm_state, net_wm_state_fullscreen, net_wm_state_maximized_vert,
      net_wm_state_maximized_horz, net_wm_state_hidden, net_workarea, net_supported,
      net_supporting_wm_check, net_active_window, xdnd_aware, xdnd_enter, xdnd_position,
      xdnd_status, xdnd_leave, xdnd_drop, xdnd_finished, xdnd_selection, xdnd_type_list,
      xdnd_action_copy, text_uri_list, drop_property;
};

// The drag over the window, if one is under way.
struct Drag {
  Window source = None;
  bool offers_files = false;  // the source offers text/uri-list
  bool status_due = false;    // positions came since the last XdndStatus
  bool dropped = false;       // waiting for the selection's contents, until `given_up_at`
  std::chrono::steady_clock::time_point given_up_at{};
};

// A rectangle of the window, empty when right <= left.
struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// The window's pixels: an image of the window's size, in shared memory where the server
// offers it.
struct Buffer {
  XImage* image = nullptr;
  XShmSegmentInfo shm{};
  bool shared = false;
  std::vector<std::uint32_t> own;  // the pixels when not shared
  scale::Point size{};
};

struct Record {
  Display* display = nullptr;
  int screen = 0;
  Window root = None;
  Window window = None;
  Visual* visual = nullptr;
  int depth = 0;
  Colormap colormap = None;
  Cursor arrow = None;
  GC gc = nullptr;
  Atoms atoms{};
  bool window_manager = false;  // one runs and speaks EWMH's full screen
  bool shm_offered = false;
  bool saver_suspended = false;
  int trapped_errors = -1;  // protocol errors since trap_errors(), or -1 when not trapping
  // Xlib's own converters of the wire's events, one per core event type, which intake.cpp's
  // hook calls before it decides what may be queued.
  std::array<Bool (*)(Display*, XEvent*, _xEvent*), GenericEvent> converters{};

  scale::Point page{};         // the page's size
  double scale = 1;            // the window's scale
  scale::Point size{};         // the window's size as last configured
  bool resized = false;        // configured to a new size this pass: one buffer, one repaint
  Area exposed;                // to paint again at the end of this pass
  bool state_changed = false;  // _NET_WM_STATE or WM_STATE changed this pass
  bool geometry_lost = false;  // a flood crowded out a configure, map or unmap
  bool pointer_lost = false;   // a flood crowded out a crossing or a motion
  window::Scaler scaler;
  Buffer buffer;

  bool mapped = false;
  bool asked_full_screen = false;
  bool state_full_screen = false;  // as _NET_WM_STATE last said
  bool focused = true;
  bool minimised = false;
  bool maximised = false;    // as _NET_WM_STATE last said, until we take it back
  bool return_held = false;  // Return is down: a further press is the key repeating
  scale::Point last_pointer{-1 << 30, -1 << 30};  // the page point last reported
  Drag drag;
  window::EventQueue events;         // translated, not yet taken
  window::Shared<std::uint64_t> id;  // `window` for dialogs on the program thread; 0: none
};

extern Record record;

// window.cpp
void update_size_hints(bool fixed);
// Protocol errors are passed over (a window that has gone is no reason to end); between these
// two calls they are counted, for a request that may fail (attaching shared memory).
void trap_errors();
bool errors_trapped();
void read_window_state();  // after _NET_WM_STATE or WM_STATE changed

// present.cpp: the buffer for the window's current size, painted whole and shown.
bool fit_buffer();
void set_palette(const std::array<Rgb, 256>& palette);
void present(const std::uint8_t* page, int width, int first, int last);
void show_area(int x, int y, int width, int height);
void free_buffer();

// intake.cpp: from open on, Xlib queues only what believed() and a bound on the queue let in.
void bound_intake();
// What any client can send us with XSendEvent: believed for client messages and selections,
// which come no other way, and for exposures and property changes, which cost a repaint or
// a look at the truth; never for size, focus, mapping or input.
bool believed(const XEvent& e);

// input.cpp
void handle(XEvent& e);
// What this pass's events left to do, done once: the buffer for the last size, the exposed
// area painted, the window state read, the drag answered; then everything sent is flushed.
void end_pass();
// Reads events until the window is mapped, at most `milliseconds`; what they said waits for
// take_events.
void wait_for_map(int milliseconds);
void take_events(std::vector<driver::Event>& events);
void wait_for_event(int milliseconds);

// xdnd.cpp: a drag's messages and the selection that carries its files; false for others.
bool handle_client_message(const XClientMessageEvent& e);
void handle_selection(const XSelectionEvent& e);
// The XdndStatus owed for this pass's positions, and XdndFinished for a drop whose files
// have not come in time. The milliseconds until then, or -1 when nothing waits.
void answer_drag();
int drag_wait_ms();

// box.cpp: a message box over the window, on a connection of its own.
bool show_box(const std::string& text, const std::string& caption);

}  // namespace screen::x11_window
