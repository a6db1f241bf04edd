// The window: a toplevel with a title bar from the compositor (xdg-decoration) or from
// libdecor, its configuration (size, full screen, maximised) and the Linux desktop table.

#include <unistd.h>

#include <dirent.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/cp1251.h"
#include "fractional-scale-v1-client-protocol.h"
#include "screen/window/linux/wake_linux.h"
#include "screen/window/wayland/loaded.h"
#include "screen/window/wayland/wayland.h"
#include "viewporter-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#ifndef GORVEX_LIBDECOR_PLUGINS
#define GORVEX_LIBDECOR_PLUGINS "/usr/lib/libdecor/plugins-1"
#endif

namespace screen::wayland_window {

namespace {

constexpr char app_id[] = "gorvex-launcher";
constexpr int first_configure_ms = 5000;

// libdecor's calls: only made for a frame libdecor made, so the library is there.
const Decor& decor() {
  return *decor_library();
}

void apply(const Asked& wanted) {
  // Maximised means full screen to the launcher; the window itself stays as it is. Only the
  // state's coming counts: a compositor that repeats it, or answers every unset with it,
  // asks nothing new.
  if (wanted.maximised && !record.maximised) {
    driver::Event event;
    event.kind = driver::EventKind::maximise;
    push(event);
    if (record.frame != nullptr)
      decor().frame_unset_maximized(record.frame);
    else if (record.toplevel != nullptr)
      xdg_toplevel_unset_maximized(record.toplevel);
  }
  record.maximised = wanted.maximised;
  record.asking_full = false;  // the compositor has had its say since
  record.full = wanted.full;
  record.tiled = wanted.tiled && !wanted.full;
  const bool sized = (wanted.full || wanted.tiled) && wanted.width > 0 && wanted.height > 0;
  record.area =
      sized ? scale::Point{std::min(wanted.width, 1 << 14), std::min(wanted.height, 1 << 14)}
            : record.page;
  record.configured = true;
  relayout();
}

// The plain toplevel.

void surface_configure(void* data, xdg_surface*, std::uint32_t serial) {
  Record& r = record_of(data);
  r.due = r.asked;
  r.configure_serial = serial;
  r.configure_due = true;
}
constexpr xdg_surface_listener surface_listener = [] {
  xdg_surface_listener on{};
  on.configure = surface_configure;
  return on;
}();

void toplevel_configure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                        wl_array* states) {
  Asked& asked = record_of(data).asked;
  asked = Asked{width, height};
  const auto* at = static_cast<const std::uint32_t*>(states->data);
  for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
    if (at[i] == XDG_TOPLEVEL_STATE_FULLSCREEN) asked.full = true;
    if (at[i] == XDG_TOPLEVEL_STATE_MAXIMIZED) asked.maximised = true;
    if (at[i] >= XDG_TOPLEVEL_STATE_TILED_LEFT && at[i] <= XDG_TOPLEVEL_STATE_TILED_BOTTOM)
      asked.tiled = true;
  }
}
void toplevel_close(void*, xdg_toplevel*) {
  driver::Event event;
  event.kind = driver::EventKind::close_request;
  push(event);
}
void toplevel_bounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void toplevel_capabilities(void*, xdg_toplevel*, wl_array*) {}
constexpr xdg_toplevel_listener toplevel_listener = [] {
  xdg_toplevel_listener on{};
  on.configure = toplevel_configure;
  on.close = toplevel_close;
  on.configure_bounds = toplevel_bounds;
  on.wm_capabilities = toplevel_capabilities;
  return on;
}();

void decoration_configure(void* data, zxdg_toplevel_decoration_v1*, std::uint32_t mode) {
  record_of(data).decoration_mode = mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE
                                        ? DecorationMode::server_side
                                        : DecorationMode::client_side;
}
constexpr zxdg_toplevel_decoration_v1_listener decoration_listener = [] {
  zxdg_toplevel_decoration_v1_listener on{};
  on.configure = decoration_configure;
  return on;
}();

void make_plain(bool ask_for_title_bar) {
  record.shell_surface = xdg_wm_base_get_xdg_surface(record.shell, record.surface);
  xdg_surface_add_listener(record.shell_surface, &surface_listener, &record);
  record.toplevel = xdg_surface_get_toplevel(record.shell_surface);
  xdg_toplevel_add_listener(record.toplevel, &toplevel_listener, &record);
  xdg_toplevel_set_title(record.toplevel, record.title.c_str());
  xdg_toplevel_set_app_id(record.toplevel, app_id);
  xdg_toplevel_set_min_size(record.toplevel, record.page.x, record.page.y);
  // No largest size: a fixed one would grey out the maximise button, which means full screen.
  if (ask_for_title_bar && record.decoration_manager != nullptr) {
    record.decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(
        record.decoration_manager, record.toplevel);
    zxdg_toplevel_decoration_v1_add_listener(record.decoration, &decoration_listener, &record);
    zxdg_toplevel_decoration_v1_set_mode(record.decoration,
                                         ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
  }
  wl_surface_commit(record.surface);
}

// libdecor's toplevel.

// libdecor takes its listeners' tables as writable, yet only reads them (a write would fault
// on the read-only table, never pass unseen).
template <typename Calls>
Calls* handed_to_libdecor(const Calls& calls) {
  return const_cast<Calls*>(&calls);
}

void decor_error(libdecor*, libdecor_error, const char*) {
  report_lost();
}
constexpr libdecor_interface decor_interface = [] {
  libdecor_interface calls{};
  calls.error = decor_error;
  return calls;
}();

void frame_configure(libdecor_frame* frame, libdecor_configuration* configuration, void* data) {
  Record& r = record_of(data);
  libdecor_window_state window_state = LIBDECOR_WINDOW_STATE_NONE;
  Asked wanted;
  if (decor().configuration_get_window_state(configuration, &window_state)) {
    wanted.full = (window_state & LIBDECOR_WINDOW_STATE_FULLSCREEN) != 0;
    wanted.maximised = (window_state & LIBDECOR_WINDOW_STATE_MAXIMIZED) != 0;
    wanted.tiled = (window_state &
                    (LIBDECOR_WINDOW_STATE_TILED_LEFT | LIBDECOR_WINDOW_STATE_TILED_RIGHT |
                     LIBDECOR_WINDOW_STATE_TILED_TOP | LIBDECOR_WINDOW_STATE_TILED_BOTTOM)) != 0;
  }
  if (!decor().configuration_get_content_size(configuration, frame, &wanted.width, &wanted.height))
    wanted.width = wanted.height = 0;
  const bool sized = (wanted.full || wanted.tiled) && wanted.width > 0 && wanted.height > 0;
  libdecor_state* content =
      decor().state_new(sized ? wanted.width : r.page.x, sized ? wanted.height : r.page.y);
  decor().frame_commit(frame, content, configuration);
  decor().state_free(content);
  r.due = wanted;
  r.configure_serial = 0;  // acknowledged by libdecor
  r.configure_due = true;
}
void frame_close(libdecor_frame*, void*) {
  toplevel_close(nullptr, nullptr);
}
void frame_commit(libdecor_frame*, void* data) {
  wl_surface_commit(record_of(data).surface);
}
void frame_dismiss_popup(libdecor_frame*, const char*, void*) {}
constexpr libdecor_frame_interface frame_interface = [] {
  libdecor_frame_interface calls{};
  calls.configure = frame_configure;
  calls.close = frame_close;
  calls.commit = frame_commit;
  calls.dismiss_popup = frame_dismiss_popup;
  return calls;
}();

bool make_decorated(std::string& error) {
  record.decor = decor().make(record.display, handed_to_libdecor(decor_interface));
  if (record.decor == nullptr) {
    error = "libdecor cannot start";
    return false;
  }
  record.frame =
      decor().decorate(record.decor, record.surface, handed_to_libdecor(frame_interface), &record);
  if (record.frame == nullptr) {
    error = "libdecor cannot make a title bar";
    return false;
  }
  decor().frame_set_title(record.frame, record.title.c_str());
  decor().frame_set_app_id(record.frame, app_id);
  decor().frame_set_min_content_size(record.frame, record.page.x, record.page.y);
  // Resizable as libdecor sees it, so that its maximise button works (and means full screen);
  // a size asked by dragging an edge is answered with the page's own.
  decor().frame_map(record.frame);
  return true;
}

// Whether a folder holds one of libdecor's plugins.
bool holds_a_plugin(const char* folder) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() > 3 && name.substr(name.size() - 3) == ".so") found = true;
  }
  closedir(dir);
  return found;
}

// Whether libdecor is there, with a plugin to draw with: without one it opens the window
// without a title bar and says nothing.
bool libdecor_can_draw() {
  if (decor_library() == nullptr) return false;
  const char* own = std::getenv("LIBDECOR_PLUGIN_DIR");
  return holds_a_plugin(own != nullptr && *own != '\0' ? own : GORVEX_LIBDECOR_PLUGINS);
}

// The surface.

void surface_enter(void*, wl_surface*, wl_output* output) {
  if (Output* known = output_entry(output)) known->entered = true;
  relayout();
}
void surface_leave(void*, wl_surface*, wl_output* output) {
  if (Output* known = output_entry(output)) known->entered = false;
  relayout();
}
// The preferred scale came with libwayland 1.22; with older headers the surface is bound at
// version 4, which never sends it.
#ifdef WL_SURFACE_PREFERRED_BUFFER_SCALE_SINCE_VERSION
void surface_preferred_scale(void* data, wl_surface*, std::int32_t factor) {
  record_of(data).preferred_integer = std::clamp(factor, 1, 16);
  relayout();
}
void surface_preferred_transform(void*, wl_surface*, std::uint32_t) {}
#endif
constexpr wl_surface_listener window_surface_listener = [] {
  wl_surface_listener on{};
  on.enter = surface_enter;
  on.leave = surface_leave;
#ifdef WL_SURFACE_PREFERRED_BUFFER_SCALE_SINCE_VERSION
  on.preferred_buffer_scale = surface_preferred_scale;
  on.preferred_buffer_transform = surface_preferred_transform;
#endif
  return on;
}();

void preferred_scale(void* data, wp_fractional_scale_v1*, std::uint32_t units) {
  record_of(data).preferred_units = int(std::clamp(units, 120u, 16u * 120u));
  relayout();
}
constexpr wp_fractional_scale_v1_listener fractional_listener = [] {
  wp_fractional_scale_v1_listener on{};
  on.preferred_scale = preferred_scale;
  return on;
}();

void make_surface() {
  record.surface = wl_compositor_create_surface(record.compositor);
  wl_surface_add_listener(record.surface, &window_surface_listener, &record);
  if (record.fractional_manager != nullptr && record.viewporter != nullptr) {
    record.viewport = wp_viewporter_get_viewport(record.viewporter, record.surface);
    record.fractional = wp_fractional_scale_manager_v1_get_fractional_scale(
        record.fractional_manager, record.surface);
    wp_fractional_scale_v1_add_listener(record.fractional, &fractional_listener, &record);
  }
}

void destroy_window() {
  free_buffers();
  if (record.frame != nullptr) decor().frame_unref(record.frame);
  if (record.decor != nullptr) decor().unref(record.decor);
  if (record.decoration != nullptr) zxdg_toplevel_decoration_v1_destroy(record.decoration);
  if (record.toplevel != nullptr) xdg_toplevel_destroy(record.toplevel);
  if (record.shell_surface != nullptr) xdg_surface_destroy(record.shell_surface);
  if (record.fractional != nullptr) wp_fractional_scale_v1_destroy(record.fractional);
  if (record.viewport != nullptr) wp_viewport_destroy(record.viewport);
  if (record.surface != nullptr) wl_surface_destroy(record.surface);
  record.frame = nullptr;
  record.decor = nullptr;
  record.decoration = nullptr;
  record.toplevel = nullptr;
  record.shell_surface = nullptr;
  record.fractional = nullptr;
  record.viewport = nullptr;
  record.surface = nullptr;
  record.configured = false;
  record.configure_due = false;
  record.layout_due = false;
  record.maximised = false;
  record.asking_full = false;
  record.decoration_mode = DecorationMode::unanswered;
  for (Output& output : record.outputs) output.entered = false;
}

bool wait_for_first_configure(std::string& error) {
  if (pump_until([](const Record& r) { return r.configured; }, first_configure_ms)) return true;
  error = record.lost ? "the Wayland compositor closed the connection"
                      : "the Wayland compositor did not show the window within 5 s";
  return false;
}

}  // namespace

bool open_window(int width, int height, std::string_view title, bool last_resort,
                 std::string& error) {
  record.page = {width, height};
  record.area = record.page;
  record.scaler.start(record.page);
  record.title = cp1251::to_utf8(title);
  make_surface();
  if (record.decoration_manager != nullptr) {
    record.deciding = true;
    make_plain(true);
    const bool shown = wait_for_first_configure(error);
    record.deciding = false;
    if (!shown) return false;
    if (record.decoration_mode == DecorationMode::server_side) {
      relayout();
      return true;
    }
    // The compositor wants us to draw the title bar: a new toplevel, through libdecor.
    destroy_window();
    make_surface();
  }
  if (libdecor_can_draw()) return make_decorated(error) && wait_for_first_configure(error);
  if (!last_resort) {
    error = "no title bars on this Wayland desktop";
    record.no_title_bar = true;
    return false;
  }
  std::fprintf(stderr,
               "gorvex-launcher: the window has no title bar; install "
               "libdecor-0-plugin-1-cairo (or libdecor-0-plugin-1-gtk) for one\n");
  make_plain(false);
  if (!wait_for_first_configure(error)) return false;
  relayout();
  return true;
}

// Opens the window; `last_resort`: with no title bar to be had, one without is better than
// none (the player is then told on stderr).
bool open(int width, int height, std::string_view title, bool last_resort, std::string& error) {
  if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
    error = "bad window size";
    return false;
  }
  // Only a missing title bar is worth a second try without one.
  if (last_resort && !record.titled_failure.empty()) {
    error = record.titled_failure;
    record.titled_failure.clear();
    return false;
  }
  const bool opened = connect(error) && open_window(width, height, title, last_resort, error);
  if (!opened) {
    const bool title_bar_missing = record.no_title_bar;
    release_drop();
    release_input();
    destroy_window();
    disconnect();
    if (!last_resort && !title_bar_missing) record.titled_failure = error;
    return false;
  }
  start_drop_device();
  settle();
  wl_display_flush(record.display);
  return true;
}

void set_title(std::string_view title) {
  record.title = cp1251::to_utf8(title);
  if (record.frame != nullptr)
    decor().frame_set_title(record.frame, record.title.c_str());
  else if (record.toplevel != nullptr)
    xdg_toplevel_set_title(record.toplevel, record.title.c_str());
}

// Asks and returns at once: the compositor's configure shows the answer, and one that never
// answers holds nothing up.
bool set_full_screen(bool on) {
  if (record.surface == nullptr) return false;
  record.asked_full = on;
  record.asking_full = true;
  if (record.frame != nullptr) {
    if (on)
      decor().frame_set_fullscreen(record.frame, nullptr);
    else
      decor().frame_unset_fullscreen(record.frame);
  } else if (on) {
    xdg_toplevel_set_fullscreen(record.toplevel, nullptr);
  } else {
    xdg_toplevel_unset_fullscreen(record.toplevel);
  }
  wl_display_flush(record.display);
  return true;
}

// Full screen as asked while the compositor has not answered yet, else as it shows it.
bool full_screen() {
  return record.asked_full && (record.asking_full || record.full);
}

void settle() {
  if (record.configure_due) {
    record.configure_due = false;
    if (record.configure_serial != 0 && record.shell_surface != nullptr)
      xdg_surface_ack_configure(record.shell_surface, record.configure_serial);
    record.configure_serial = 0;
    apply(record.due);
  }
  if (record.layout_due) lay_out();
}

void take_events(std::vector<driver::Event>& events) {
  record.events.take(events);
}

void wait_for_event(int milliseconds) {
  if (record.display == nullptr) return;
  if (record.decor != nullptr) decor().dispatch(record.decor, 0);
  pump(record.events.empty() ? milliseconds : 0);
}

void wake() {
  window::wake_waits();
}

void close() {
  if (record.display == nullptr) return;
  release_drop();
  release_input();
  destroy_window();
  disconnect();
}

bool open_titled(int width, int height, std::string_view title, std::string& error) {
  return open(width, height, title, false, error);
}

bool open_untitled(int width, int height, std::string_view title, std::string& error) {
  return open(width, height, title, true, error);
}

bool at_hand() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  return display != nullptr && *display != '\0';
}

int output_scale() {
  int entered = 0, any = 1;
  for (const Output& output : record.outputs) {
    any = std::max(any, output.scale);
    if (output.entered) entered = std::max(entered, output.scale);
  }
  return entered > 0 ? entered : any;
}

}  // namespace screen::wayland_window

namespace screen::driver {

namespace w = wayland_window;

const Driver wayland_driver = {
    .name = "wayland",
    .at_hand = w::at_hand,
    .open = w::open_titled,
    .set_title = w::set_title,
    .set_palette = w::set_palette,
    .present = w::present,
    .take_events = w::take_events,
    .wait_for_event = w::wait_for_event,
    .wake = w::wake,
    .set_full_screen = w::set_full_screen,
    .full_screen = w::full_screen,
    .close = w::close,
};

const Driver wayland_untitled_driver = [] {
  Driver untitled = wayland_driver;
  untitled.open = w::open_untitled;
  return untitled;
}();

}  // namespace screen::driver
