// The X11 driver's entry in the table of Linux desktops.

#include "screen/window/linux/desktops.h"
#include "screen/window/x11/x11.h"

namespace screen::linux_window {

const Desktop x11_desktop = {
    "x11",
    x11_window::open,
    x11_window::set_title,
    x11_window::set_palette,
    x11_window::present,
    x11_window::take_events,
    x11_window::wait_for_event,
    x11_window::wake,
    x11_window::set_full_screen,
    x11_window::full_screen,
    x11_window::close,
    x11_window::window_id,
    x11_window::show_box,
};

}  // namespace screen::linux_window
