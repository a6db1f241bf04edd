#pragma once
// The libraries the Wayland window loads only when it needs them: libdecor for a title bar the
// launcher draws itself, libwayland-cursor for the desktop's pointer image. The X11 window and
// a Wayland one with the compositor's title bar run without either.

#include <libdecor.h>
#include <wayland-cursor.h>

namespace screen::wayland_window {

// The calls the driver makes into libdecor, typed from its own header.
struct Decor {
  decltype(&libdecor_new) make;
  decltype(&libdecor_unref) unref;
  decltype(&libdecor_dispatch) dispatch;
  decltype(&libdecor_decorate) decorate;
  decltype(&libdecor_frame_unref) frame_unref;
  decltype(&libdecor_frame_set_title) frame_set_title;
  decltype(&libdecor_frame_set_app_id) frame_set_app_id;
  decltype(&libdecor_frame_set_min_content_size) frame_set_min_content_size;
  decltype(&libdecor_frame_map) frame_map;
  decltype(&libdecor_frame_commit) frame_commit;
  decltype(&libdecor_frame_set_fullscreen) frame_set_fullscreen;
  decltype(&libdecor_frame_unset_fullscreen) frame_unset_fullscreen;
  decltype(&libdecor_frame_unset_maximized) frame_unset_maximized;
  decltype(&libdecor_configuration_get_window_state) configuration_get_window_state;
  decltype(&libdecor_configuration_get_content_size) configuration_get_content_size;
  decltype(&libdecor_state_new) state_new;
  decltype(&libdecor_state_free) state_free;
};

// The calls the driver makes into libwayland-cursor.
struct Cursors {
  decltype(&wl_cursor_theme_load) theme_load;
  decltype(&wl_cursor_theme_destroy) theme_destroy;
  decltype(&wl_cursor_theme_get_cursor) theme_get_cursor;
  decltype(&wl_cursor_image_get_buffer) image_get_buffer;
};

// libdecor's calls, loaded on the first call and kept for the process; nullptr when the
// library or one of its calls is missing (the window then has no title bar of ours).
const Decor* decor_library();

// libwayland-cursor's calls, as decor_library(); nullptr: the pointer keeps the desktop's image.
const Cursors* cursor_library();

}  // namespace screen::wayland_window
