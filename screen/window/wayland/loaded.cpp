// Loading a library and its calls by name, all or nothing. Never unloaded: libdecor's plugins
// and the cursor themes keep pointers into them for as long as the process runs.

#include "screen/window/wayland/loaded.h"

#include <dlfcn.h>

#include <optional>

#ifndef GORVEX_LIBDECOR_FILE
#define GORVEX_LIBDECOR_FILE "libdecor-0.so.0"
#endif

namespace screen::wayland_window {

namespace {

// Sets `call` to the library's export `name`; false when there is none.
template <typename Call>
bool find(void* library, const char* name, Call& call) {
  void* found = dlsym(library, name);
  call = reinterpret_cast<Call>(found);
  return found != nullptr;
}

// Opens `file` and fills its calls through `find_all`: all of them, or none and the library
// closed again.
template <typename Calls, typename FindAll>
std::optional<Calls> load(const char* file, FindAll find_all) {
  void* library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::nullopt;
  Calls calls{};
  if (find_all(library, calls)) return calls;
  dlclose(library);
  return std::nullopt;
}

std::optional<Decor> load_decor() {
  return load<Decor>(GORVEX_LIBDECOR_FILE, [](void* library, Decor& d) {
    return find(library, "libdecor_new", d.make) && find(library, "libdecor_unref", d.unref) &&
           find(library, "libdecor_dispatch", d.dispatch) &&
           find(library, "libdecor_decorate", d.decorate) &&
           find(library, "libdecor_frame_unref", d.frame_unref) &&
           find(library, "libdecor_frame_set_title", d.frame_set_title) &&
           find(library, "libdecor_frame_set_app_id", d.frame_set_app_id) &&
           find(library, "libdecor_frame_set_min_content_size", d.frame_set_min_content_size) &&
           find(library, "libdecor_frame_map", d.frame_map) &&
           find(library, "libdecor_frame_commit", d.frame_commit) &&
           find(library, "libdecor_frame_set_fullscreen", d.frame_set_fullscreen) &&
           find(library, "libdecor_frame_unset_fullscreen", d.frame_unset_fullscreen) &&
           find(library, "libdecor_frame_unset_maximized", d.frame_unset_maximized) &&
           find(library, "libdecor_configuration_get_window_state",
                d.configuration_get_window_state) &&
           find(library, "libdecor_configuration_get_content_size",
                d.configuration_get_content_size) &&
           find(library, "libdecor_state_new", d.state_new) &&
           find(library, "libdecor_state_free", d.state_free);
  });
}

std::optional<Cursors> load_cursors() {
  return load<Cursors>("libwayland-cursor.so.0", [](void* library, Cursors& c) {
    return find(library, "wl_cursor_theme_load", c.theme_load) &&
           find(library, "wl_cursor_theme_destroy", c.theme_destroy) &&
           find(library, "wl_cursor_theme_get_cursor", c.theme_get_cursor) &&
           find(library, "wl_cursor_image_get_buffer", c.image_get_buffer);
  });
}

}  // namespace

const Decor* decor_library() {
  static const std::optional<Decor> calls = load_decor();
  return calls ? &*calls : nullptr;
}

const Cursors* cursor_library() {
  static const std::optional<Cursors> calls = load_cursors();
  return calls ? &*calls : nullptr;
}

}  // namespace screen::wayland_window
