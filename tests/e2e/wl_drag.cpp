// gorvex-wl-drag FILE...: a Wayland drag source for the end-to-end cases. It shows a window
// and prints "ready"; a press of the left button on it starts a drag of the files as a
// text/uri-list, and the window is taken down so that what lies below can take the drop.
// At the end it prints {"accepted": ..., "finished": ...} and ends: accepted when a target
// took the list's type, finished when the target said it had the files.

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "xdg-shell-client-protocol.h"

namespace {

wl_compositor* compositor = nullptr;
wl_shm* shm = nullptr;
xdg_wm_base* shell = nullptr;
wl_seat* seat = nullptr;
wl_data_device_manager* manager = nullptr;
wl_surface* surface = nullptr;
xdg_surface* shell_surface = nullptr;
xdg_toplevel* toplevel = nullptr;
wl_data_device* device = nullptr;
wl_data_source* source = nullptr;
std::string list;
int width = 64, height = 64;
bool configured = false, accepted = false, done = false, finished = false;

// Percent-encodes every byte outside the unreserved ones and '/'.
std::string file_uri(std::string_view path) {
  std::string uri = "file://";
  for (const unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c) != nullptr) {
      uri += char(c);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", c);
      uri += escape;
    }
  }
  return uri;
}

void ping(void*, xdg_wm_base* base, std::uint32_t serial) {
  xdg_wm_base_pong(base, serial);
}
constexpr xdg_wm_base_listener shell_listener = [] {
  xdg_wm_base_listener on{};
  on.ping = ping;
  return on;
}();

void global(void*, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
  const std::string_view kind = interface;
  const auto bind = [&](const wl_interface* type, std::uint32_t version) {
    return wl_registry_bind(registry, name, type, version);
  };
  if (kind == wl_compositor_interface.name)
    compositor = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 1));
  if (kind == wl_shm_interface.name) shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
  if (kind == wl_seat_interface.name) seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
  if (kind == wl_data_device_manager_interface.name)
    manager = static_cast<wl_data_device_manager*>(bind(&wl_data_device_manager_interface, 3));
  if (kind == xdg_wm_base_interface.name) {
    shell = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(shell, &shell_listener, nullptr);
  }
}
void global_removed(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener registry_listener = [] {
  wl_registry_listener on{};
  on.global = global;
  on.global_remove = global_removed;
  return on;
}();

void toplevel_configure(void*, xdg_toplevel*, std::int32_t w, std::int32_t h, wl_array*) {
  if (w > 0 && h > 0 && w <= 4096 && h <= 4096) {
    width = w;
    height = h;
  }
}
void toplevel_close(void*, xdg_toplevel*) {}
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

void surface_configure(void*, xdg_surface* xs, std::uint32_t serial) {
  xdg_surface_ack_configure(xs, serial);
  if (configured) return;
  configured = true;
  const int stride = width * 4, bytes = stride * height;
  const int fd = memfd_create("gorvex-drag", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, bytes) != 0) return;
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, bytes);
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride,
                                                WL_SHM_FORMAT_XRGB8888);  // black
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_surface_attach(surface, buffer, 0, 0);
  wl_surface_damage(surface, 0, 0, width, height);
  wl_surface_commit(surface);
  std::printf("ready\n");
  std::fflush(stdout);
}
constexpr xdg_surface_listener surface_listener = [] {
  xdg_surface_listener on{};
  on.configure = surface_configure;
  return on;
}();

void source_target(void*, wl_data_source*, const char* type) {
  if (type != nullptr) accepted = true;
}
void source_send(void*, wl_data_source*, const char*, std::int32_t fd) {
  std::size_t at = 0;
  while (at < list.size()) {
    const ssize_t put = write(fd, list.data() + at, list.size() - at);
    if (put <= 0) break;
    at += std::size_t(put);
  }
  close(fd);
}
void source_cancelled(void*, wl_data_source*) {
  done = true;
}
void source_dropped(void*, wl_data_source*) {}
void source_finished(void*, wl_data_source*) {
  finished = true;
  done = true;
}
void source_action(void*, wl_data_source*, std::uint32_t) {}
constexpr wl_data_source_listener source_listener = [] {
  wl_data_source_listener on{};
  on.target = source_target;
  on.send = source_send;
  on.cancelled = source_cancelled;
  on.dnd_drop_performed = source_dropped;
  on.dnd_finished = source_finished;
  on.action = source_action;
  return on;
}();

void pointer_enter(void*, wl_pointer*, std::uint32_t, wl_surface*, wl_fixed_t, wl_fixed_t) {}
void pointer_leave(void*, wl_pointer*, std::uint32_t, wl_surface*) {}
void pointer_motion(void*, wl_pointer*, std::uint32_t, wl_fixed_t, wl_fixed_t) {}
void pointer_button(void*, wl_pointer*, std::uint32_t serial, std::uint32_t, std::uint32_t,
                    std::uint32_t pressed) {
  if (pressed != WL_POINTER_BUTTON_STATE_PRESSED || source != nullptr) return;
  source = wl_data_device_manager_create_data_source(manager);
  wl_data_source_add_listener(source, &source_listener, nullptr);
  wl_data_source_offer(source, "text/uri-list");
  wl_data_source_set_actions(source, WL_DATA_DEVICE_MANAGER_DND_ACTION_COPY);
  wl_data_device_start_drag(device, source, surface, nullptr, serial);
  // Down goes the window: the launcher's is the one below.
  xdg_toplevel_destroy(toplevel);
  xdg_surface_destroy(shell_surface);
  toplevel = nullptr;
  shell_surface = nullptr;
}
void pointer_axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
// The seat is bound at version 1: none of the later pointer events come.
constexpr wl_pointer_listener pointer_listener = [] {
  wl_pointer_listener on{};
  on.enter = pointer_enter;
  on.leave = pointer_leave;
  on.motion = pointer_motion;
  on.button = pointer_button;
  on.axis = pointer_axis;
  return on;
}();

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) list += file_uri(argv[i]) + "\r\n";
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return 2;
  wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, nullptr);
  wl_display_roundtrip(display);
  if (!compositor || !shm || !shell || !seat || !manager) return 2;
  device = wl_data_device_manager_get_data_device(manager, seat);
  wl_pointer* pointer = wl_seat_get_pointer(seat);
  wl_pointer_add_listener(pointer, &pointer_listener, nullptr);
  surface = wl_compositor_create_surface(compositor);
  shell_surface = xdg_wm_base_get_xdg_surface(shell, surface);
  xdg_surface_add_listener(shell_surface, &surface_listener, nullptr);
  toplevel = xdg_surface_get_toplevel(shell_surface);
  xdg_toplevel_add_listener(toplevel, &toplevel_listener, nullptr);
  xdg_toplevel_set_title(toplevel, "gorvex drag source");
  wl_surface_commit(surface);
  while (!done && wl_display_dispatch(display) >= 0) {
  }
  std::printf("{\"accepted\": %s, \"finished\": %s}\n", accepted ? "true" : "false",
              finished ? "true" : "false");
  return 0;
}
