// gorvex-bench-floor-wayland: the least a program can do to show a 640 x 480 picture on
// Wayland: one xdg toplevel, one shared-memory buffer (memfd) attached once after the first
// configure. The moment the compositor has that commit (after a round trip) is appended, in
// CLOCK_MONOTONIC nanoseconds, to the file named by GORVEX_PRESENTED_STAMP. Then it sleeps in
// wl_display_dispatch until it is killed: no timer, no wake-up while nothing happens.

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "xdg-shell-client-protocol.h"

namespace {

constexpr int width = 640, height = 480;

wl_compositor* compositor = nullptr;
wl_shm* shm = nullptr;
xdg_wm_base* shell = nullptr;
bool configured = false;

long long monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void stamp(long long ns) {
  const char* path = std::getenv("GORVEX_PRESENTED_STAMP");
  if (path == nullptr) return;
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%lld\n", ns);
    std::fclose(f);
  }
}

void ping(void*, xdg_wm_base* base, std::uint32_t serial) {
  xdg_wm_base_pong(base, serial);
}
constexpr xdg_wm_base_listener shell_listener{ping};

void global(void*, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
  const std::string_view kind = interface;
  if (kind == wl_compositor_interface.name)
    compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
  if (kind == wl_shm_interface.name)
    shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  if (kind == xdg_wm_base_interface.name) {
    shell = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    xdg_wm_base_add_listener(shell, &shell_listener, nullptr);
  }
}
void global_removed(void*, wl_registry*, std::uint32_t) {}
constexpr wl_registry_listener registry_listener{global, global_removed};

void surface_configure(void*, xdg_surface* surface, std::uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  configured = true;
}
constexpr xdg_surface_listener surface_listener{surface_configure};

void toplevel_configure(void*, xdg_toplevel*, std::int32_t, std::int32_t, wl_array*) {}
void toplevel_close(void*, xdg_toplevel*) {
  std::exit(0);
}
void toplevel_bounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void toplevel_capabilities(void*, xdg_toplevel*, wl_array*) {}
constexpr xdg_toplevel_listener toplevel_listener{toplevel_configure, toplevel_close,
                                                  toplevel_bounds, toplevel_capabilities};

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "gorvex-bench-floor-wayland: no Wayland display\n");
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(display), &registry_listener, nullptr);
  wl_display_roundtrip(display);
  if (compositor == nullptr || shm == nullptr || shell == nullptr) {
    std::fprintf(stderr, "gorvex-bench-floor-wayland: no wl_compositor, wl_shm or xdg_wm_base\n");
    return 1;
  }
  wl_surface* surface = wl_compositor_create_surface(compositor);
  xdg_surface* shell_surface = xdg_wm_base_get_xdg_surface(shell, surface);
  xdg_surface_add_listener(shell_surface, &surface_listener, nullptr);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(shell_surface);
  xdg_toplevel_add_listener(toplevel, &toplevel_listener, nullptr);
  xdg_toplevel_set_title(toplevel, "Gorvex Wayland floor");
  wl_surface_commit(surface);

  // One XRGB buffer with bands of colour, as a picture would be.
  const int stride = width * 4, bytes = stride * height;
  const int fd = memfd_create("gorvex-floor", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, bytes) != 0) return 1;
  void* memory = mmap(nullptr, std::size_t(bytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) return 1;
  auto* pixels = static_cast<std::uint32_t*>(memory);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      pixels[row * width + col] = std::uint32_t(row / 2) << 16 | std::uint32_t(col / 3) << 8 | 0x40;
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, bytes);
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);

  while (!configured)
    if (wl_display_dispatch(display) < 0) return 1;
  wl_surface_attach(surface, buffer, 0, 0);
  wl_surface_damage(surface, 0, 0, width, height);
  wl_surface_commit(surface);
  wl_display_roundtrip(display);
  stamp(monotonic_ns());
  while (wl_display_dispatch(display) >= 0) {
  }
  return 0;
}
