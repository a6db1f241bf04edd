#pragma once
// The Wayland driver's own record: one window on one connection, reset to the start by
// close(). Only the service thread touches it.

#include <wayland-client.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "screen/window/driver.h"
#include "screen/window/event_queue.h"
#include "screen/window/scaler.h"

struct libdecor;
struct libdecor_frame;
struct wl_cursor_theme;
struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;
struct zxdg_decoration_manager_v1;
struct zxdg_toplevel_decoration_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;

namespace screen::wayland_window {

// An output the compositor offers; the wl_output's user data points here.
struct Output {
  wl_output* output = nullptr;
  std::uint32_t name = 0;
  int scale = 1;
  scale::Point mode{};   // its current mode in pixels, as the window sees it (turned)
  bool turned = false;   // shown a quarter turn round: the mode's sides swap
  bool entered = false;  // the window shows on it
};

// One shared-memory buffer of the window's size.
struct Buffer {
  wl_buffer* buffer = nullptr;
  std::uint32_t* pixels = nullptr;
  bool busy = false;    // the compositor still reads it
  bool whole = true;    // everything must be painted before it is shown
  int stale_first = 0;  // page rows changed since it was last painted
  int stale_last = -1;
};

struct Offer {
  wl_data_offer* offer = nullptr;
  bool uri_list = false;
  bool over_page = false;  // the drag entered the window's own surface
};

// What the compositor last asked of the toplevel, taken on the surface's configure.
struct Asked {
  int width = 0, height = 0;
  bool full = false, maximised = false;
  bool tiled = false;  // against a neighbour or the output's edge: the size is the compositor's
};

// Who draws the title bar, as the compositor answered.
enum class DecorationMode { unanswered, client_side, server_side };

struct Record {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  std::uint32_t compositor_version = 0;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  std::uint32_t seat_name = 0;
  xdg_wm_base* shell = nullptr;
  zxdg_decoration_manager_v1* decoration_manager = nullptr;
  wp_viewporter* viewporter = nullptr;
  wp_fractional_scale_manager_v1* fractional_manager = nullptr;
  wl_data_device_manager* data_manager = nullptr;
  std::list<Output> outputs;  // entries stay where they are while their output lasts
  int unanswered = 0;         // round trips whose answer has not come yet

  // The window.
  wl_surface* surface = nullptr;
  xdg_surface* shell_surface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  zxdg_toplevel_decoration_v1* decoration = nullptr;
  DecorationMode decoration_mode = DecorationMode::unanswered;
  libdecor* decor = nullptr;
  libdecor_frame* frame = nullptr;
  wp_viewport* viewport = nullptr;
  wp_fractional_scale_v1* fractional = nullptr;
  bool configured = false;
  bool deciding = false;               // the toplevel waits to hear who draws its title bar
  bool full = false;                   // the compositor shows the window full screen
  bool asked_full = false;             // we asked for it
  bool asking_full = false;            // and have not heard back
  bool maximised = false;              // the compositor's last word: maximised
  bool configure_due = false;          // a configure came in this pass
  std::uint32_t configure_serial = 0;  // its serial, to acknowledge (0: acknowledged)
  bool layout_due = false;             // scale or area changed in this pass
  bool tiled = false;                  // the compositor tiles the window at a size of its own
  scale::Point area{};                 // full screen or tiled: the logical size the compositor gave
  int preferred_units = 0;             // fractional scale in 120ths, 0 until the compositor says
  int preferred_integer = 0;           // the compositor's preferred buffer scale, 0 until it says
  std::string title;                   // in UTF-8
  Asked asked;                         // by the last toplevel configure
  Asked due;                           // by the last configure of this pass, applied by settle()

  // Presentation.
  scale::Point page{};
  window::Scaler scaler;
  scale::Point buffer_size{};
  int buffer_scale = 1;         // set_buffer_scale's value (1 with a viewport)
  double pixels_per_point = 1;  // buffer pixels per surface point
  std::array<Buffer, 2> buffers{};
  void* pool_memory = nullptr;
  std::size_t pool_bytes = 0;
  bool show_due = false;  // rows wait for a buffer the compositor gives back

  // Input.
  wl_pointer* pointer = nullptr;
  wl_keyboard* keyboard = nullptr;
  wl_touch* touch = nullptr;
  bool pointer_inside = false;  // the pointer is over the window's own surface
  bool discrete_this_frame = false;
  bool left_alt = false, right_alt = false;
  bool touching = false;
  std::int32_t touch_id = 0;
  std::uint32_t pointer_serial = 0;
  wl_surface* cursor_surface = nullptr;
  wl_cursor_theme* cursor_theme = nullptr;
  int cursor_scale = 0;

  // Drop.
  wl_data_device* data_device = nullptr;
  Offer pending_offer;                                    // announced, not yet over the window
  Offer dragged;                                          // over the window
  Offer dropped;                                          // dropped: its list is being read
  int drop_fd = -1;                                       // the dropped list arrives here
  std::chrono::steady_clock::time_point drop_deadline{};  // or is given up then
  std::string drop_text;
  bool drop_too_long = false;

  bool lost = false;
  window::EventQueue events;
  bool no_title_bar = false;   // the window would have none
  std::string titled_failure;  // why the last try with a title bar failed, if not for that
};

extern Record record;

// The record a listener was added with: its `data`.
inline Record& record_of(void* data) {
  return *static_cast<Record*>(data);
}

// connection.cpp
bool connect(std::string& error);
void disconnect();
// Reads and handles what the compositor sent, waiting at most `milliseconds` (-1: no limit)
// for something to arrive. False when the connection is gone.
bool pump(int milliseconds);
// Handles events until `done` holds or `milliseconds` passed; false on a timeout or loss.
bool pump_until(bool (*done)(const Record&), int milliseconds);
void report_lost();
void push(const driver::Event& event);
// The entry of an output the driver bound; nullptr for one bound by another (libdecor binds
// its own) or one already gone.
Output* output_entry(wl_output* output);

// present.cpp
void set_palette(const std::array<Rgb, 256>& palette);
void present(const std::uint8_t* page, int width, int first, int last);
// The effective scale changed, or the area: the layout is done at the end of the pass.
void relayout();
// New buffers at the size the scale and area ask for (bounded by the outputs), all repainted;
// nothing when they are as they were.
void lay_out();
// Paints what is stale into a free buffer and shows it; later if none is free.
void show();
void free_buffers();

// input.cpp
void seat_capabilities(std::uint32_t capabilities);
void release_input();
void cursor_scale_changed();

// drop.cpp
// Listens for drags, once there are a seat and a data device manager (again after the seat
// was replaced).
void start_drop_device();
void read_drop();
// Milliseconds until a dropped list still coming is given up (0: now), -1 with none coming.
int drop_time_left();
// Gives up a dropped list that did not come in time: the source hears the drop was not taken.
void give_up_drop();
void release_drop();

// window.cpp
// What the pass brought, applied once at its end: the last configure, then the layout, so
// that a burst of configures and scales costs one reallocation and one repaint.
void settle();
// The integer scale of the outputs the window shows on (or of all outputs before it shows).
int output_scale();

}  // namespace screen::wayland_window
