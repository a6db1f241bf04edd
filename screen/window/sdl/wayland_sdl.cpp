// Wayland's part of the SDL backend: whether the compositor gives a proper window, a lost
// compositor, and message boxes drawn by a dialog program of the desktop.

#include <dirent.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "screen/window/sdl/desktop_sdl.h"

#ifndef GORVEX_LIBDECOR_PLUGINS
#define GORVEX_LIBDECOR_PLUGINS "/usr/lib/libdecor/plugins-1"
#endif

namespace screen::wayland {

namespace {

wl_display* connection = nullptr;  // SDL's, while the window is open

struct Offered {
  bool seat = false;         // pointer and keyboard: SDL cannot start without one
  bool shell = false;        // xdg-shell: windows with titles, moved and closed
  bool decorations = false;  // the compositor draws title bars itself
};

void note_global(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
  auto& offered = *static_cast<Offered*>(data);
  const std::string_view name = interface != nullptr ? interface : "";
  if (name == "wl_seat") offered.seat = true;
  if (name == "xdg_wm_base") offered.shell = true;
  if (name == "zxdg_decoration_manager_v1") offered.decorations = true;
}

void note_removal(void*, wl_registry*, std::uint32_t) {}

constexpr wl_registry_listener registry_listener{note_global, note_removal};

// Whether a folder holds a shared object: libdecor draws title bars only through a plugin.
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

bool libdecor_plugin_installed() {
  const char* own = std::getenv("LIBDECOR_PLUGIN_DIR");
  return holds_a_plugin(own != nullptr && *own != '\0' ? own : GORVEX_LIBDECOR_PLUGINS);
}

}  // namespace

bool gives_a_proper_window() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return false;
  Offered offered;
  wl_registry* registry = wl_display_get_registry(display);
  bool answered = false;
  if (registry != nullptr) {
    wl_registry_add_listener(registry, &registry_listener, &offered);
    answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
  }
  wl_display_disconnect(display);
  return answered && offered.seat && offered.shell &&
         (offered.decorations || libdecor_plugin_installed());
}

void opened(const SDL_SysWMinfo& info) {
  connection = info.info.wl.display;
}

void forget() {
  connection = nullptr;
}

bool connection_lost() {
  return connection != nullptr && wl_display_get_error(connection) != 0;
}

}  // namespace screen::wayland
