// The Linux launcher's drivers, in the order they are tried: a native Wayland window with a
// title bar; X11 (through Xwayland on a Wayland desktop); last, a Wayland window without a
// title bar, which the player cannot move but which is better than none.

#include "screen/window/driver.h"

namespace screen::driver {

constexpr const Driver* linux_drivers[] = {&wayland_driver, &x11_driver, &wayland_untitled_driver};
const std::span<const Driver* const> bootstrap = linux_drivers;

}  // namespace screen::driver
