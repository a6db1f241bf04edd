// The Wayland driver as one of the Linux desktops.

#include "screen/window/linux/desktops.h"
#include "screen/window/wayland/state.h"

namespace screen::linux_window {

namespace w = wayland_window;

const Desktop wayland_desktop{"wayland",          w::open,        w::set_title,      w::set_palette,
                              w::present,         w::take_events, w::wait_for_event, w::wake,
                              w::set_full_screen, w::full_screen, w::close,          w::window_id};

}  // namespace screen::linux_window
