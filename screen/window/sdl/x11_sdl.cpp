// X11's part of the SDL backend: Xlib's error handlers, the X resources, the X window id.

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

#include "screen/window/driver.h"
#include "screen/window/sdl/desktop_sdl.h"
#include "screen/scale.h"

namespace screen::x11 {

namespace {

std::atomic<std::uint64_t> system_id{0};  // read by the program thread's dialogs

// Xlib's own handler exits from whichever thread saw the connection go, running exit
// handlers while the other thread draws: end here at once instead, children with us.
int display_lost(Display*) {
  driver::connection_lost();
}

// Xlib's own handler ends the process on any protocol error. A request about a window that
// is already gone is no reason to end the launcher: such errors are passed over.
int protocol_error(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

void before_init() {
  XSetErrorHandler(protocol_error);
}

void opened(const SDL_SysWMinfo& info) {
  XSetIOErrorHandler(display_lost);
  system_id = std::uint64_t(info.info.x11.window);
}

std::uint64_t window_id() {
  return system_id;
}

void forget() {
  system_id = 0;
}

int resources_percent(const SDL_SysWMinfo& info) {
  const char* resources = XResourceManagerString(info.info.x11.display);
  if (resources == nullptr) return 100;
  const std::string_view all(resources);
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t end = std::min(all.find('\n', at), all.size());
    std::string_view line = all.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, 8) != "Xft.dpi:") continue;
    const std::string value(line.substr(8));
    const double dpi = std::strtod(value.c_str(), nullptr);
    if (dpi >= 24 && dpi <= 2400) return scale::percent_of_dpi(int(dpi + 0.5));
  }
  return 100;
}

}  // namespace screen::x11
