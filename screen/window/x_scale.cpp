#include "screen/window/x_scale.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "screen/window/scaler.h"

namespace screen::window {

namespace {

// Xft.dpi's value, or 0 when the resources name none that makes sense.
int resources_dpi(std::string_view all) {
  constexpr std::string_view key = "Xft.dpi:";
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t end = std::min(all.find('\n', at), all.size());
    const std::string_view line = all.substr(at, end - at);
    at = end + 1;
    if (line.substr(0, key.size()) != key) continue;
    const std::string value(line.substr(key.size()));
    char* rest = nullptr;
    const double dpi = std::strtod(value.c_str(), &rest);
    // The whole value a number: "192abc" is no 192.
    const bool whole = rest != value.c_str() &&
                       std::string_view(rest).find_first_not_of(" \t\r") == std::string::npos;
    if (whole && dpi >= 24 && dpi <= 2400) return int(dpi + 0.5);
  }
  return 0;
}

}  // namespace

int desktop_percent(const char* gdk_scale, const char* resources) {
  if (gdk_scale != nullptr) {
    char* end = nullptr;
    const long n = std::strtol(gdk_scale, &end, 10);
    if (end != gdk_scale && *end == '\0' && n >= 1 && n <= 16) return int(n) * 100;
  }
  const int dpi = resources != nullptr ? resources_dpi(resources) : 0;
  return dpi > 0 ? window::percent_of_dpi(dpi) : 100;
}

}  // namespace screen::window
