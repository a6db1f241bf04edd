// gorvex-bench-floor-wayland: the least a program can do to show a 640 x 480 picture on a
// Wayland compositor: one xdg toplevel, one shared-memory buffer, attached once after the
// first configure. The moment the commit has been flushed to the compositor is appended, in
// CLOCK_MONOTONIC nanoseconds, to the file named by GORVEX_PRESENTED_STAMP. Then it sleeps in
// the compositor's events (pings, configures) until it is killed.

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "stamp.h"
#include "xdg-shell-client-protocol.h"

namespace {

constexpr int width = 640, height = 480;

wl_compositor* compositor = nullptr;
wl_shm* shm = nullptr;
xdg_wm_base* shell = nullptr;
bool configured = false;

void global(void*, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
  const std::string_view i = interface;
  if (i == wl_compositor_interface.name)
    compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  else if (i == wl_shm_interface.name)
    shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  else if (i == xdg_wm_base_interface.name)
    shell = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
}
void global_remove(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener registry_listener = [] {
  wl_registry_listener on{};
  on.global = global;
  on.global_remove = global_remove;
  return on;
}();

void ping(void*, xdg_wm_base* base, std::uint32_t serial) {
  xdg_wm_base_pong(base, serial);
}
constexpr xdg_wm_base_listener shell_listener = [] {
  xdg_wm_base_listener on{};
  on.ping = ping;
  return on;
}();

void surface_configure(void*, xdg_surface* surface, std::uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  configured = true;
}
constexpr xdg_surface_listener surface_listener = [] {
  xdg_surface_listener on{};
  on.configure = surface_configure;
  return on;
}();

void toplevel_configure(void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {}
void toplevel_close(void*, xdg_toplevel*) {}
// Bound at version 1: the later events never come.
constexpr xdg_toplevel_listener toplevel_listener = [] {
  xdg_toplevel_listener on{};
  on.configure = toplevel_configure;
  on.close = toplevel_close;
  return on;
}();

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "gorvex-bench-floor-wayland: no compositor\n");
    return 1;
  }
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_listener, nullptr);
  wl_display_roundtrip(display);
  if (compositor == nullptr || shm == nullptr || shell == nullptr) {
    std::fprintf(stderr, "gorvex-bench-floor-wayland: no compositor, shm or xdg-shell\n");
    return 1;
  }
  xdg_wm_base_add_listener(shell, &shell_listener, nullptr);
  wl_surface* surface = wl_compositor_create_surface(compositor);
  xdg_surface* xdg = xdg_wm_base_get_xdg_surface(shell, surface);
  xdg_surface_add_listener(xdg, &surface_listener, nullptr);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
  xdg_toplevel_add_listener(toplevel, &toplevel_listener, nullptr);
  xdg_toplevel_set_title(toplevel, "Gorvex floor");
  wl_surface_commit(surface);

  // A buffer of bands of colour, as a picture would be, while the configure is on its way.
  const int stride = width * 4, size = stride * height;
  const int fd = memfd_create("gorvex-floor", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, size) != 0) return 1;
  void* memory = mmap(nullptr, std::size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) return 1;
  auto* pixels = static_cast<std::uint32_t*>(memory);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      pixels[row * width + col] = std::uint32_t(row / 2) << 16 | std::uint32_t(col / 3) << 8 | 0x40;
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);

  while (!configured && wl_display_dispatch(display) >= 0) {
  }
  wl_surface_attach(surface, buffer, 0, 0);
  wl_surface_damage_buffer(surface, 0, 0, width, height);
  wl_surface_commit(surface);
  wl_display_flush(display);
  bench::stamp(bench::monotonic_ns());
  while (wl_display_dispatch(display) >= 0) {
  }
  return 0;
}
