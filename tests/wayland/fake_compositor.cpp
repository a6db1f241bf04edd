// A compositor of the tests' own on libwayland-server. It starts the real launcher on a socket
// of its own (WAYLAND_SOCKET) and sends it what a hostile desktop could send: configure storms,
// sticky and alternating states, selections naming the dragged offer, globals that come and
// go, absurd scales. Every case ends with a click on the page's EXIT button, which must end the
// launcher with status 0, and the launcher's peak memory under a bound.
//
//   gorvex-fake-compositor LAUNCHER CASE      status 0 when the case holds

#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-server.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fractional-scale-v1-server-protocol.h"
#include "viewporter-server-protocol.h"
#include "xdg-decoration-unstable-v1-server-protocol.h"
#include "xdg-shell-server-protocol.h"

namespace {

constexpr int page_width = 640, page_height = 480;
constexpr int exit_x = 39, exit_y = 467;  // the middle of the EXIT button, in page pixels
constexpr int output_width = 1024, output_height = 768;  // in points
constexpr long peak_bound_kb = 64 * 1024;
constexpr int wait_ms = 20000;

bool failed = false;
void fail(const std::string& why) {
  std::fprintf(stderr, "FAIL: %s\n", why.c_str());
  failed = true;
}

struct Surface {
  wl_resource* resource = nullptr;
  wl_resource* pending = nullptr;  // the buffer attached since the last commit
  bool attached = false;
  int pending_scale = 1, scale = 1;
  int pending_view_w = -1, pending_view_h = -1, view_w = -1, view_h = -1;
  int width = 0, height = 0;  // the last buffer shown
  int commits = 0, size_changes = 0;
};

// Everything the compositor knows; one launcher per run.
struct World {
  wl_display* display = nullptr;
  wl_client* client = nullptr;
  pid_t child = -1;
  bool exited = false;
  int status = 0;

  std::vector<Surface*> surfaces;
  Surface* window = nullptr;
  wl_resource* xdg_surface = nullptr;
  wl_resource* toplevel = nullptr;
  wl_resource* wm_base = nullptr;
  wl_resource* fractional = nullptr;
  bool configured_once = false;
  std::uint32_t last_configure = 0, last_ack = 0;
  std::uint32_t last_ping = 0, last_pong = 0;

  wl_global* seat = nullptr;
  wl_global* output = nullptr;
  int output_scale = 1;
  std::vector<wl_resource*> seats, pointers, outputs, data_devices;
  wl_resource* pointer_of_seat_global = nullptr;  // a pointer from the current seat global
  wl_resource* cursor_surface = nullptr;
  std::map<std::string, int> binds;

  int set_fullscreen = 0, unset_fullscreen = 0, unset_maximized = 0;
  std::function<void()> on_unset_maximized;
  int receives = 0;
};
World world;

void forget(std::vector<wl_resource*>& list, wl_resource* resource) {
  for (auto it = list.begin(); it != list.end(); ++it)
    if (*it == resource) {
      list.erase(it);
      return;
    }
}

void destroy(wl_client*, wl_resource* resource) {
  wl_resource_destroy(resource);
}

// --- Surfaces ---

Surface* surface_of(wl_resource* resource) {
  return static_cast<Surface*>(wl_resource_get_user_data(resource));
}

void surface_gone(wl_resource* resource) {
  Surface* surface = surface_of(resource);
  for (auto it = world.surfaces.begin(); it != world.surfaces.end(); ++it)
    if (*it == surface) {
      world.surfaces.erase(it);
      break;
    }
  if (world.window == surface) world.window = nullptr;
  if (world.cursor_surface == resource) world.cursor_surface = nullptr;
  delete surface;
}

void send_configure(int width, int height, std::vector<std::uint32_t> states);

void surface_attach(wl_client*, wl_resource* resource, wl_resource* buffer, std::int32_t,
                    std::int32_t) {
  Surface* surface = surface_of(resource);
  surface->pending = buffer;
  surface->attached = true;
}
void surface_damage(wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t,
                    std::int32_t) {}
void surface_frame(wl_client* client, wl_resource*, std::uint32_t id) {
  wl_resource* callback = wl_resource_create(client, &wl_callback_interface, 1, id);
  wl_callback_send_done(callback, 0);
  wl_resource_destroy(callback);
}
void surface_region(wl_client*, wl_resource*, wl_resource*) {}
void surface_commit(wl_client*, wl_resource* resource) {
  Surface* surface = surface_of(resource);
  surface->scale = surface->pending_scale;
  surface->view_w = surface->pending_view_w;
  surface->view_h = surface->pending_view_h;
  if (surface->attached && surface->pending != nullptr) {
    if (wl_shm_buffer* shm = wl_shm_buffer_get(surface->pending)) {
      const int w = wl_shm_buffer_get_width(shm), h = wl_shm_buffer_get_height(shm);
      if (w != surface->width || h != surface->height) ++surface->size_changes;
      surface->width = w;
      surface->height = h;
    }
    wl_buffer_send_release(surface->pending);
  }
  surface->attached = false;
  surface->pending = nullptr;
  ++surface->commits;
  // The first commit of a toplevel asks for its first configure.
  if (surface == world.window && world.toplevel != nullptr && !world.configured_once) {
    world.configured_once = true;
    send_configure(0, 0, {});
  }
}
void surface_transform(wl_client*, wl_resource*, std::int32_t) {}
void surface_scale(wl_client*, wl_resource* resource, std::int32_t scale) {
  surface_of(resource)->pending_scale = scale;
}
void surface_offset(wl_client*, wl_resource*, std::int32_t, std::int32_t) {}

const struct wl_surface_interface surface_calls = [] {
  struct wl_surface_interface on {};
  on.destroy = destroy;
  on.attach = surface_attach;
  on.damage = surface_damage;
  on.frame = surface_frame;
  on.set_opaque_region = surface_region;
  on.set_input_region = surface_region;
  on.commit = surface_commit;
  on.set_buffer_transform = surface_transform;
  on.set_buffer_scale = surface_scale;
  on.damage_buffer = surface_damage;
  on.offset = surface_offset;
  return on;
}();

void region_box(wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
const struct wl_region_interface region_calls = [] {
  struct wl_region_interface on {};
  on.destroy = destroy;
  on.add = region_box;
  on.subtract = region_box;
  return on;
}();

void create_surface(wl_client* client, wl_resource* compositor, std::uint32_t id) {
  wl_resource* resource =
      wl_resource_create(client, &wl_surface_interface, wl_resource_get_version(compositor), id);
  auto* surface = new Surface;
  surface->resource = resource;
  world.surfaces.push_back(surface);
  wl_resource_set_implementation(resource, &surface_calls, surface, surface_gone);
}
void create_region(wl_client* client, wl_resource*, std::uint32_t id) {
  wl_resource* resource = wl_resource_create(client, &wl_region_interface, 1, id);
  wl_resource_set_implementation(resource, &region_calls, nullptr, nullptr);
}
const struct wl_compositor_interface compositor_calls = [] {
  struct wl_compositor_interface on {};
  on.create_surface = create_surface;
  on.create_region = create_region;
  return on;
}();

// --- The shell ---

void send_configure(int width, int height, std::vector<std::uint32_t> states) {
  if (world.toplevel == nullptr || world.xdg_surface == nullptr) return;
  wl_array array;
  wl_array_init(&array);
  for (std::uint32_t s : states) *static_cast<std::uint32_t*>(wl_array_add(&array, sizeof s)) = s;
  xdg_toplevel_send_configure(world.toplevel, width, height, &array);
  wl_array_release(&array);
  world.last_configure = wl_display_next_serial(world.display);
  xdg_surface_send_configure(world.xdg_surface, world.last_configure);
}

void toplevel_gone(wl_resource*) {
  world.toplevel = nullptr;
}
void toplevel_parent(wl_client*, wl_resource*, wl_resource*) {}
void toplevel_text(wl_client*, wl_resource*, const char*) {}
void toplevel_menu(wl_client*, wl_resource*, wl_resource*, std::uint32_t, std::int32_t,
                   std::int32_t) {}
void toplevel_move(wl_client*, wl_resource*, wl_resource*, std::uint32_t) {}
void toplevel_resize(wl_client*, wl_resource*, wl_resource*, std::uint32_t, std::uint32_t) {}
void toplevel_size(wl_client*, wl_resource*, std::int32_t, std::int32_t) {}
void toplevel_nothing(wl_client*, wl_resource*) {}
void toplevel_unset_maximized(wl_client*, wl_resource*) {
  ++world.unset_maximized;
  if (world.on_unset_maximized) world.on_unset_maximized();
}
void toplevel_set_fullscreen(wl_client*, wl_resource*, wl_resource*) {
  ++world.set_fullscreen;
}
void toplevel_unset_fullscreen(wl_client*, wl_resource*) {
  ++world.unset_fullscreen;
}
const struct xdg_toplevel_interface toplevel_calls = [] {
  struct xdg_toplevel_interface on {};
  on.destroy = destroy;
  on.set_parent = toplevel_parent;
  on.set_title = toplevel_text;
  on.set_app_id = toplevel_text;
  on.show_window_menu = toplevel_menu;
  on.move = toplevel_move;
  on.resize = toplevel_resize;
  on.set_max_size = toplevel_size;
  on.set_min_size = toplevel_size;
  on.set_maximized = toplevel_nothing;
  on.unset_maximized = toplevel_unset_maximized;
  on.set_fullscreen = toplevel_set_fullscreen;
  on.unset_fullscreen = toplevel_unset_fullscreen;
  on.set_minimized = toplevel_nothing;
  return on;
}();

void xdg_surface_gone(wl_resource*) {
  world.xdg_surface = nullptr;
}
void get_toplevel(wl_client* client, wl_resource* resource, std::uint32_t id) {
  world.toplevel =
      wl_resource_create(client, &xdg_toplevel_interface, wl_resource_get_version(resource), id);
  wl_resource_set_implementation(world.toplevel, &toplevel_calls, nullptr, toplevel_gone);
  world.xdg_surface = resource;
  world.window = static_cast<Surface*>(wl_resource_get_user_data(resource));
  world.configured_once = false;
}
void get_popup(wl_client*, wl_resource*, std::uint32_t, wl_resource*, wl_resource*) {}
void window_geometry(wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t,
                     std::int32_t) {}
void ack_configure(wl_client*, wl_resource*, std::uint32_t serial) {
  world.last_ack = serial;
}
const struct xdg_surface_interface xdg_surface_calls = [] {
  struct xdg_surface_interface on {};
  on.destroy = destroy;
  on.get_toplevel = get_toplevel;
  on.get_popup = get_popup;
  on.set_window_geometry = window_geometry;
  on.ack_configure = ack_configure;
  return on;
}();

void get_xdg_surface(wl_client* client, wl_resource* base, std::uint32_t id, wl_resource* surface) {
  wl_resource* resource =
      wl_resource_create(client, &xdg_surface_interface, wl_resource_get_version(base), id);
  wl_resource_set_implementation(resource, &xdg_surface_calls, surface_of(surface),
                                 xdg_surface_gone);
}
void pong(wl_client*, wl_resource*, std::uint32_t serial) {
  world.last_pong = serial;
}
const struct xdg_wm_base_interface wm_base_calls = [] {
  struct xdg_wm_base_interface on {};
  on.destroy = destroy;
  on.get_xdg_surface = get_xdg_surface;
  on.pong = pong;
  return on;
}();

// Title bars: the compositor draws them (the launcher then keeps its plain toplevel).
void set_mode(wl_client*, wl_resource* decoration, std::uint32_t) {
  zxdg_toplevel_decoration_v1_send_configure(decoration,
                                             ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
}
void unset_mode(wl_client*, wl_resource*) {}
const struct zxdg_toplevel_decoration_v1_interface decoration_calls = [] {
  struct zxdg_toplevel_decoration_v1_interface on {};
  on.destroy = destroy;
  on.set_mode = set_mode;
  on.unset_mode = unset_mode;
  return on;
}();
void get_decoration(wl_client* client, wl_resource*, std::uint32_t id, wl_resource*) {
  wl_resource* resource = wl_resource_create(client, &zxdg_toplevel_decoration_v1_interface, 1, id);
  wl_resource_set_implementation(resource, &decoration_calls, nullptr, nullptr);
}
const struct zxdg_decoration_manager_v1_interface decoration_manager_calls = [] {
  struct zxdg_decoration_manager_v1_interface on {};
  on.destroy = destroy;
  on.get_toplevel_decoration = get_decoration;
  return on;
}();

// Viewports and fractional scales.
void viewport_source(wl_client*, wl_resource*, wl_fixed_t, wl_fixed_t, wl_fixed_t, wl_fixed_t) {}
void viewport_destination(wl_client*, wl_resource* resource, std::int32_t w, std::int32_t h) {
  if (Surface* surface = static_cast<Surface*>(wl_resource_get_user_data(resource))) {
    surface->pending_view_w = w;
    surface->pending_view_h = h;
  }
}
const struct wp_viewport_interface viewport_calls = [] {
  struct wp_viewport_interface on {};
  on.destroy = destroy;
  on.set_source = viewport_source;
  on.set_destination = viewport_destination;
  return on;
}();
void get_viewport(wl_client* client, wl_resource*, std::uint32_t id, wl_resource* surface) {
  wl_resource* resource = wl_resource_create(client, &wp_viewport_interface, 1, id);
  wl_resource_set_implementation(resource, &viewport_calls, surface_of(surface), nullptr);
}
const struct wp_viewporter_interface viewporter_calls = [] {
  struct wp_viewporter_interface on {};
  on.destroy = destroy;
  on.get_viewport = get_viewport;
  return on;
}();
const struct wp_fractional_scale_v1_interface fractional_calls = [] {
  struct wp_fractional_scale_v1_interface on {};
  on.destroy = destroy;
  return on;
}();
void fractional_gone(wl_resource*) {
  world.fractional = nullptr;
}
void get_fractional(wl_client* client, wl_resource*, std::uint32_t id, wl_resource*) {
  world.fractional = wl_resource_create(client, &wp_fractional_scale_v1_interface, 1, id);
  wl_resource_set_implementation(world.fractional, &fractional_calls, nullptr, fractional_gone);
}
const struct wp_fractional_scale_manager_v1_interface fractional_manager_calls = [] {
  struct wp_fractional_scale_manager_v1_interface on {};
  on.destroy = destroy;
  on.get_fractional_scale = get_fractional;
  return on;
}();

// --- The seat, outputs and drops ---

void pointer_gone(wl_resource* resource) {
  forget(world.pointers, resource);
  if (world.pointer_of_seat_global == resource) world.pointer_of_seat_global = nullptr;
}
void set_cursor(wl_client*, wl_resource*, std::uint32_t, wl_resource* surface, std::int32_t,
                std::int32_t) {
  if (surface != nullptr) world.cursor_surface = surface;
}
const struct wl_pointer_interface pointer_calls = [] {
  struct wl_pointer_interface on {};
  on.set_cursor = set_cursor;
  on.release = destroy;
  return on;
}();
void get_pointer(wl_client* client, wl_resource* seat, std::uint32_t id) {
  wl_resource* pointer =
      wl_resource_create(client, &wl_pointer_interface, wl_resource_get_version(seat), id);
  wl_resource_set_implementation(pointer, &pointer_calls, nullptr, pointer_gone);
  world.pointers.push_back(pointer);
  if (wl_resource_get_user_data(seat) == world.seat) world.pointer_of_seat_global = pointer;
}
void get_nothing(wl_client* client, wl_resource*, std::uint32_t id) {
  // Neither keyboard nor touch is offered; a request anyway gets an inert object.
  wl_resource* resource = wl_resource_create(client, &wl_keyboard_interface, 1, id);
  wl_resource_set_implementation(resource, nullptr, nullptr, nullptr);
}
const struct wl_seat_interface seat_calls = [] {
  struct wl_seat_interface on {};
  on.get_pointer = get_pointer;
  on.get_keyboard = get_nothing;
  on.get_touch = get_nothing;
  on.release = destroy;
  return on;
}();
void seat_gone(wl_resource* resource) {
  forget(world.seats, resource);
}
void bind_seat(wl_client* client, void* global, std::uint32_t version, std::uint32_t id) {
  ++world.binds["wl_seat"];
  wl_resource* seat = wl_resource_create(client, &wl_seat_interface, int(version), id);
  wl_resource_set_implementation(seat, &seat_calls, global, seat_gone);
  world.seats.push_back(seat);
  wl_seat_send_capabilities(seat, WL_SEAT_CAPABILITY_POINTER);
  if (version >= 2) wl_seat_send_name(seat, "fake");
}

void output_gone(wl_resource* resource) {
  forget(world.outputs, resource);
}
const struct wl_output_interface output_calls = [] {
  struct wl_output_interface on {};
  on.release = destroy;
  return on;
}();
void send_output(wl_resource* output) {
  wl_output_send_geometry(output, 0, 0, 300, 200, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "fake",
                          WL_OUTPUT_TRANSFORM_NORMAL);
  // The mode in pixels: output_width x output_height points at the output's scale.
  wl_output_send_mode(output, WL_OUTPUT_MODE_CURRENT, output_width * world.output_scale,
                      output_height * world.output_scale, 60000);
  if (wl_resource_get_version(output) >= 2) {
    wl_output_send_scale(output, world.output_scale);
    wl_output_send_done(output);
  }
}
void bind_output(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  ++world.binds["wl_output"];
  wl_resource* output = wl_resource_create(client, &wl_output_interface, int(version), id);
  wl_resource_set_implementation(output, &output_calls, nullptr, output_gone);
  world.outputs.push_back(output);
  send_output(output);
}

std::string drop_text;
bool never_deliver = false;  // the list is never written, its pipe held open
std::vector<int> held_open;  // those pipes
int offers_given_up = 0;     // offers the launcher destroyed
void offer_accept(wl_client*, wl_resource*, std::uint32_t, const char*) {}
void offer_receive(wl_client*, wl_resource*, const char*, std::int32_t fd) {
  ++world.receives;
  if (never_deliver) {
    held_open.push_back(fd);
    return;
  }
  [[maybe_unused]] const auto put = write(fd, drop_text.data(), drop_text.size());
  close(fd);
}
void offer_gone(wl_resource*) {
  ++offers_given_up;
}
void offer_actions(wl_client*, wl_resource*, std::uint32_t, std::uint32_t) {}
const struct wl_data_offer_interface offer_calls = [] {
  struct wl_data_offer_interface on {};
  on.accept = offer_accept;
  on.receive = offer_receive;
  on.destroy = destroy;
  on.finish = toplevel_nothing;
  on.set_actions = offer_actions;
  return on;
}();
void source_offer(wl_client*, wl_resource*, const char*) {}
void source_actions(wl_client*, wl_resource*, std::uint32_t) {}
const struct wl_data_source_interface source_calls = [] {
  struct wl_data_source_interface on {};
  on.offer = source_offer;
  on.destroy = destroy;
  on.set_actions = source_actions;
  return on;
}();
void start_drag(wl_client*, wl_resource*, wl_resource*, wl_resource*, wl_resource*, std::uint32_t) {
}
void set_selection(wl_client*, wl_resource*, wl_resource*, std::uint32_t) {}
const struct wl_data_device_interface device_calls = [] {
  struct wl_data_device_interface on {};
  on.start_drag = start_drag;
  on.set_selection = set_selection;
  on.release = destroy;
  return on;
}();
void device_gone(wl_resource* resource) {
  forget(world.data_devices, resource);
}
void create_source(wl_client* client, wl_resource* manager, std::uint32_t id) {
  wl_resource* resource =
      wl_resource_create(client, &wl_data_source_interface, wl_resource_get_version(manager), id);
  wl_resource_set_implementation(resource, &source_calls, nullptr, nullptr);
}
void get_device(wl_client* client, wl_resource* manager, std::uint32_t id, wl_resource*) {
  wl_resource* device =
      wl_resource_create(client, &wl_data_device_interface, wl_resource_get_version(manager), id);
  wl_resource_set_implementation(device, &device_calls, nullptr, device_gone);
  world.data_devices.push_back(device);
}
const struct wl_data_device_manager_interface data_manager_calls = [] {
  struct wl_data_device_manager_interface on {};
  on.create_data_source = create_source;
  on.get_data_device = get_device;
  return on;
}();

// Binds of the globals that need nothing sent.
template <const wl_interface* type, auto calls>
void bind_plain(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  ++world.binds[type->name];
  wl_resource* resource = wl_resource_create(client, type, int(version), id);
  wl_resource_set_implementation(resource, calls, nullptr, nullptr);
  if (type == &xdg_wm_base_interface) world.wm_base = resource;
}

void add_globals() {
  wl_display_init_shm(world.display);
  wl_global_create(world.display, &wl_compositor_interface, 4, nullptr,
                   bind_plain<&wl_compositor_interface, &compositor_calls>);
  wl_global_create(world.display, &xdg_wm_base_interface, 2, nullptr,
                   bind_plain<&xdg_wm_base_interface, &wm_base_calls>);
  wl_global_create(world.display, &zxdg_decoration_manager_v1_interface, 1, nullptr,
                   bind_plain<&zxdg_decoration_manager_v1_interface, &decoration_manager_calls>);
  wl_global_create(world.display, &wl_data_device_manager_interface, 3, nullptr,
                   bind_plain<&wl_data_device_manager_interface, &data_manager_calls>);
  world.seat = wl_global_create(world.display, &wl_seat_interface, 5, nullptr, bind_seat);
  wl_global_set_user_data(world.seat, world.seat);
  world.output = wl_global_create(world.display, &wl_output_interface, 2, nullptr, bind_output);
}

void add_scaling_globals() {
  wl_global_create(world.display, &wp_viewporter_interface, 1, nullptr,
                   bind_plain<&wp_viewporter_interface, &viewporter_calls>);
  wl_global_create(
      world.display, &wp_fractional_scale_manager_v1_interface, 1, nullptr,
      bind_plain<&wp_fractional_scale_manager_v1_interface, &fractional_manager_calls>);
}

// --- Running the launcher ---

void start_launcher(const char* launcher) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::exit(2);
  world.client = wl_client_create(world.display, ends[0]);
  char folder[] = "/tmp/gorvex-fake-compositor-XXXXXX";
  if (mkdtemp(folder) == nullptr) std::exit(2);
  world.child = fork();
  if (world.child == 0) {
    const int fd = dup(ends[1]);  // inherited: no close-on-exec
    setenv("WAYLAND_SOCKET", std::to_string(fd).c_str(), 1);
    setenv("GORVEX_DESKTOP", "wayland", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    if (chdir(folder) != 0) _exit(3);
    execl(launcher, launcher, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ends[1]);
}

void reap() {
  if (world.exited || world.child < 0) return;
  int status = 0;
  if (waitpid(world.child, &status, WNOHANG) == world.child) {
    world.exited = true;
    world.status = status;
  }
}

// One pass of the compositor: what arrived is handled, what was sent goes out.
void step(int milliseconds) {
  wl_display_flush_clients(world.display);
  wl_event_loop_dispatch(wl_display_get_event_loop(world.display), milliseconds);
  wl_display_flush_clients(world.display);
  reap();
}

// Runs the compositor until `done` holds or the launcher ended; false with a line if not.
bool wait_for(const char* what, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (!done()) {
    if (world.exited) {
      fail(std::string("the launcher ended (status ") + std::to_string(world.status) +
           ") while waiting for " + what);
      return false;
    }
    if (std::chrono::steady_clock::now() > end) {
      fail(std::string("timed out waiting for ") + what);
      return false;
    }
    step(10);
  }
  return true;
}

// Everything sent so far has been handled: a ping is answered after it.
bool settled() {
  if (world.wm_base == nullptr) return false;
  const std::uint32_t serial = wl_display_next_serial(world.display);
  xdg_wm_base_send_ping(world.wm_base, serial);
  return wait_for("the answer to a ping", [=] { return world.last_pong == serial; });
}

// The window's size in surface points, as the last commit showed it.
std::pair<int, int> logical_size() {
  const Surface* w = world.window;
  if (w == nullptr || w->width == 0) return {0, 0};
  if (w->view_w > 0) return {w->view_w, w->view_h};
  const int scale = w->scale > 0 ? w->scale : 1;
  return {w->width / scale, w->height / scale};
}

bool shown_as_window() {
  return logical_size() == std::pair<int, int>{page_width, page_height};
}

long peak_kb() {
  std::ifstream status("/proc/" + std::to_string(world.child) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// A click with the current seat's pointer at surface point (x, y), where EXIT must be: the
// launcher ends with status 0.
void click_exit_at(wl_fixed_t x, wl_fixed_t y) {
  wl_resource* pointer = world.pointer_of_seat_global;
  wl_pointer_send_enter(pointer, wl_display_next_serial(world.display), world.window->resource, x,
                        y);
  wl_pointer_send_frame(pointer);
  wl_pointer_send_button(pointer, wl_display_next_serial(world.display), 1, BTN_LEFT,
                         WL_POINTER_BUTTON_STATE_PRESSED);
  wl_pointer_send_frame(pointer);
  if (!wait_for("the launcher to end after the click on EXIT", [] { return world.exited; })) return;
  if (!WIFEXITED(world.status) || WEXITSTATUS(world.status) != 0)
    fail("the launcher ended with wait status " + std::to_string(world.status));
}

// The end of every case: back to a window, the peak memory checked, then a click on EXIT with
// the pointer of the seat now offered ends the launcher with status 0.
void close_with_exit_button() {
  if (world.exited) {
    fail("the launcher ended early, status " + std::to_string(world.status));
    return;
  }
  send_configure(0, 0, {});
  if (!wait_for("the window at the page's size", shown_as_window)) return;
  const long peak = peak_kb();
  std::printf("peak memory %ld kB\n", peak);
  if (peak < 0 || peak > peak_bound_kb)
    fail("peak memory " + std::to_string(peak) + " kB over " + std::to_string(peak_bound_kb));
  if (!wait_for("a pointer from the seat", [] { return world.pointer_of_seat_global; })) return;
  const auto [w, h] = logical_size();
  click_exit_at(wl_fixed_from_double((exit_x + 0.5) * w / page_width),
                wl_fixed_from_double((exit_y + 0.5) * h / page_height));
}

bool window_ready() {
  return wait_for("the launcher's window", [] {
    return world.window != nullptr && world.window->width > 0 && world.pointer_of_seat_global;
  });
}

// --- The cases ---

// 200 configures in one burst, alternating a full screen far larger than the output and the
// window: merged, they reallocate a few times, not 200, and stay within the output's size.
void configure_storm() {
  if (!window_ready()) return;
  const int before = world.window->size_changes;
  for (int i = 0; i < 100; ++i) {
    const int side = i == 0 ? 65535 : 8192;
    send_configure(side, side, {XDG_TOPLEVEL_STATE_FULLSCREEN});
    send_configure(0, 0, {});
  }
  if (!settled()) return;
  const int changes = world.window->size_changes - before;
  std::printf("buffer sizes shown during the storm: %d\n", changes);
  if (changes > 10) fail("the storm was shown " + std::to_string(changes) + " times");
  send_configure(65535, 65535, {XDG_TOPLEVEL_STATE_FULLSCREEN});
  if (!settled()) return;
  if (world.window->width > output_width || world.window->height > output_height)
    fail("a full screen buffer of " + std::to_string(world.window->width) + "x" +
         std::to_string(world.window->height) + " on a " + std::to_string(output_width) + "x" +
         std::to_string(output_height) + " output");
  close_with_exit_button();
}

// A compositor that answers every unset_maximized with MAXIMIZED again, then one that
// alternates: without a player's action the launcher switches to full screen at most once.
void sticky_maximised() {
  if (!window_ready()) return;
  world.on_unset_maximized = [] { send_configure(0, 0, {XDG_TOPLEVEL_STATE_MAXIMIZED}); };
  for (int i = 0; i < 20; ++i) {
    send_configure(0, 0, {XDG_TOPLEVEL_STATE_MAXIMIZED});
    if (!settled()) return;
  }
  world.on_unset_maximized = nullptr;
  for (int i = 0; i < 20; ++i) {
    send_configure(0, 0, {i % 2 == 0 ? 0u : std::uint32_t(XDG_TOPLEVEL_STATE_MAXIMIZED)});
    if (!settled()) return;
  }
  const int switches = world.set_fullscreen + world.unset_fullscreen;
  std::printf("full screen requests: %d, unset_maximized: %d\n", switches, world.unset_maximized);
  if (switches > 1) fail(std::to_string(switches) + " full screen switches without the player");
  if (world.unset_maximized > 20) fail("unset_maximized answered every configure");
  close_with_exit_button();
}

// A new offer of a list of files, announced on every data device.
wl_resource* new_offer() {
  if (world.data_devices.empty()) return nullptr;
  wl_resource* device = world.data_devices.back();
  wl_resource* offer = wl_resource_create(world.client, &wl_data_offer_interface,
                                          wl_resource_get_version(device), 0);
  wl_resource_set_implementation(offer, &offer_calls, nullptr, offer_gone);
  wl_data_device_send_data_offer(device, offer);
  wl_data_offer_send_offer(offer, "text/uri-list");
  return offer;
}

// A selection naming the offer being dragged, then the one just dropped.
void selection_during_drag() {
  if (!window_ready()) return;
  if (!wait_for("a data device", [] { return !world.data_devices.empty(); })) return;
  drop_text = "file:///nonexistent/gorvex-level.wad\r\n";
  wl_resource* device = world.data_devices.back();
  wl_resource* dragged = new_offer();
  wl_data_device_send_enter(device, wl_display_next_serial(world.display), world.window->resource,
                            wl_fixed_from_int(10), wl_fixed_from_int(10), dragged);
  wl_data_device_send_selection(device, dragged);
  wl_data_device_send_leave(device);
  if (!settled()) return;
  wl_resource* dropped = new_offer();
  wl_data_device_send_enter(device, wl_display_next_serial(world.display), world.window->resource,
                            wl_fixed_from_int(10), wl_fixed_from_int(10), dropped);
  wl_data_device_send_drop(device);
  wl_data_device_send_selection(device, dropped);
  wl_data_device_send_leave(device);
  if (!settled()) return;
  if (!wait_for("the dropped list to be asked for", [] { return world.receives > 0; })) return;
  if (!settled()) return;
  close_with_exit_button();
}

// A drag that entered another surface of the launcher's (its pointer image) drops nothing.
void drop_elsewhere() {
  if (!window_ready()) return;
  if (!wait_for("a data device", [] { return !world.data_devices.empty(); })) return;
  wl_resource* pointer = world.pointer_of_seat_global;
  wl_pointer_send_enter(pointer, wl_display_next_serial(world.display), world.window->resource,
                        wl_fixed_from_int(300), wl_fixed_from_int(100));
  wl_pointer_send_frame(pointer);
  if (!wait_for("the pointer's image", [] { return world.cursor_surface != nullptr; })) return;
  wl_pointer_send_leave(pointer, wl_display_next_serial(world.display), world.window->resource);
  wl_pointer_send_frame(pointer);
  drop_text = "file:///nonexistent/gorvex-level.wad\r\n";
  wl_resource* device = world.data_devices.back();
  wl_resource* offer = new_offer();
  wl_data_device_send_enter(device, wl_display_next_serial(world.display), world.cursor_surface,
                            wl_fixed_from_int(1), wl_fixed_from_int(1), offer);
  wl_data_device_send_drop(device);
  wl_data_device_send_leave(device);
  if (!settled()) return;
  if (world.receives != 0) fail("a drop onto the pointer's image was read");
  close_with_exit_button();
}

// A drop whose list never comes: the launcher gives the offer up (the source hears the drop
// was not taken) and goes on.
void drop_never_delivered() {
  if (!window_ready()) return;
  if (!wait_for("a data device", [] { return !world.data_devices.empty(); })) return;
  never_deliver = true;
  wl_resource* device = world.data_devices.back();
  wl_resource* offer = new_offer();
  wl_data_device_send_enter(device, wl_display_next_serial(world.display), world.window->resource,
                            wl_fixed_from_int(10), wl_fixed_from_int(10), offer);
  wl_data_device_send_drop(device);
  wl_data_device_send_leave(device);
  if (!wait_for("the dropped list to be asked for", [] { return world.receives > 0; })) return;
  if (!wait_for("the offer given up", [] { return offers_given_up > 0; })) return;
  for (int fd : held_open) close(fd);
  close_with_exit_button();
}

// The seat's global goes and a new one comes: the launcher takes the new one's pointer.
void seat_replaced() {
  if (!window_ready()) return;
  wl_global_destroy(world.seat);
  world.pointer_of_seat_global = nullptr;
  if (!settled()) return;
  world.seat = wl_global_create(world.display, &wl_seat_interface, 5, nullptr, bind_seat);
  wl_global_set_user_data(world.seat, world.seat);
  if (!settled()) return;
  close_with_exit_button();
}

// The output goes and one at scale 2 comes: the window is shown at scale 2.
void output_replaced() {
  if (!window_ready()) return;
  wl_global_destroy(world.output);
  if (!settled()) return;
  world.output_scale = 2;
  world.output = wl_global_create(world.display, &wl_output_interface, 2, nullptr, bind_output);
  if (!wait_for("the window at scale 2", [] {
        return world.window != nullptr && world.window->width == 2 * page_width &&
               world.window->scale == 2;
      }))
    return;
  close_with_exit_button();
}

// A tiling compositor gives the window a size of its own: the page shows centred in it, at the
// output's scale, and its EXIT button is where it is drawn.
void tiled() {
  if (!window_ready()) return;
  const int w = 1000, h = 700;
  send_configure(w, h,
                 {XDG_TOPLEVEL_STATE_TILED_LEFT, XDG_TOPLEVEL_STATE_TILED_RIGHT,
                  XDG_TOPLEVEL_STATE_TILED_TOP, XDG_TOPLEVEL_STATE_TILED_BOTTOM});
  if (!wait_for("the window at the tile's size", [&] {
        return logical_size() == std::pair<int, int>{w, h};
      }))
    return;
  const long peak = peak_kb();
  std::printf("peak memory %ld kB\n", peak);
  if (peak < 0 || peak > peak_bound_kb) fail("peak memory " + std::to_string(peak) + " kB");
  click_exit_at(wl_fixed_from_double((w - page_width) / 2 + exit_x + 0.5),
                wl_fixed_from_double((h - page_height) / 2 + exit_y + 0.5));
}

// Globals announced again and again are bound once (outputs are many by nature).
void duplicate_globals() {
  if (!window_ready()) return;
  for (int i = 0; i < 50; ++i) {
    wl_global_create(world.display, &wl_data_device_manager_interface, 3, nullptr,
                     bind_plain<&wl_data_device_manager_interface, &data_manager_calls>);
    wl_global_create(world.display, &zxdg_decoration_manager_v1_interface, 1, nullptr,
                     bind_plain<&zxdg_decoration_manager_v1_interface, &decoration_manager_calls>);
    wl_global_create(world.display, &wl_compositor_interface, 4, nullptr,
                     bind_plain<&wl_compositor_interface, &compositor_calls>);
    wl_global_create(world.display, &wl_seat_interface, 5, nullptr, bind_seat);
  }
  if (!settled()) return;
  for (const auto& [name, count] : world.binds) {
    std::printf("%s bound %d times\n", name.c_str(), count);
    if (count > 1 && name != "wl_output") fail(name + " bound " + std::to_string(count) + " times");
  }
  close_with_exit_button();
}

// Scale 2^24 from the output and from the fractional protocol: the window keeps the page's
// size in points, its buffers within the output.
void huge_scale() {
  if (!window_ready()) return;
  for (wl_resource* output : world.outputs) {
    wl_output_send_scale(output, 1 << 24);
    wl_output_send_done(output);
  }
  if (world.fractional != nullptr)
    wp_fractional_scale_v1_send_preferred_scale(world.fractional, 1 << 24);
  if (!settled()) return;
  const Surface* w = world.window;
  std::printf("buffer %dx%d, shown as %dx%d\n", w->width, w->height, logical_size().first,
              logical_size().second);
  if (w->width > output_width || w->height > output_height) fail("a buffer larger than the output");
  if (!shown_as_window()) fail("the window is not the page's size");
  close_with_exit_button();
}

const std::map<std::string, std::pair<void (*)(), bool>> cases = {
    // name: the case, and whether the compositor offers viewports and fractional scales
    {"configure_storm", {configure_storm, false}},
    {"sticky_maximised", {sticky_maximised, false}},
    {"selection_during_drag", {selection_during_drag, false}},
    {"drop_elsewhere", {drop_elsewhere, false}},
    {"drop_never_delivered", {drop_never_delivered, false}},
    {"seat_replaced", {seat_replaced, false}},
    {"output_replaced", {output_replaced, false}},
    {"duplicate_globals", {duplicate_globals, false}},
    {"tiled", {tiled, false}},
    {"huge_scale", {huge_scale, false}},
    {"huge_fractional_scale", {huge_scale, true}},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || cases.count(argv[2]) == 0) {
    std::fprintf(stderr, "usage: %s LAUNCHER CASE\n", argv[0]);
    return 2;
  }
  const auto& [run, scaling] = cases.at(argv[2]);
  world.display = wl_display_create();
  add_globals();
  if (scaling) add_scaling_globals();
  char* launcher = realpath(argv[1], nullptr);
  if (launcher == nullptr) {
    std::fprintf(stderr, "%s: no launcher at %s\n", argv[0], argv[1]);
    return 2;
  }
  start_launcher(launcher);
  run();
  if (!world.exited) {
    fail("the launcher is still running");
    kill(world.child, SIGKILL);
    waitpid(world.child, nullptr, 0);
  } else if (WIFSIGNALED(world.status)) {
    fail("the launcher ended by signal " + std::to_string(WTERMSIG(world.status)));
  }
  std::free(launcher);
  std::printf(failed ? "%s failed\n" : "%s passed\n", argv[2]);
  return failed ? 1 : 0;
}
