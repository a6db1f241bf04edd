// Which driver opens the window: the first of the build's list that the player names or
// whose desktop is there, that gives one.

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "screen/window/driver.h"

namespace screen::driver {

namespace {

// The desktop the player names, if it is one of this build's drivers; "" for none.
std::string_view named_desktop() {
  for (const char* variable : {"GORVEX_DESKTOP", "SDL_VIDEODRIVER"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr) continue;
    const std::string_view name(value);
    for (const Driver* driver : bootstrap)
      if (name.starts_with(driver->name)) return driver->name;
  }
  return {};
}

}  // namespace

const Driver* open_first(int width, int height, std::string_view title, std::string& error) {
  const std::string_view named = named_desktop();
  std::vector<std::string> reasons;
  for (const Driver* driver : bootstrap) {
    if (named.empty() ? !driver->at_hand() : named != driver->name) continue;
    std::string reason;
    if (driver->open(width, height, title, reason)) {
      error.clear();
      return driver;
    }
    reason = std::string("on ") + driver->name + ": " + (reason.empty() ? "no reason" : reason);
    if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end())
      reasons.push_back(reason);
  }
  error.clear();
  if (reasons.empty()) {
    error = "no desktop to show a window on";
  } else if (reasons.size() == 1) {
    error = reasons[0].substr(reasons[0].find(": ") + 2);  // one desktop: its own words
  } else {
    for (const std::string& reason : reasons) error += (error.empty() ? "" : "; ") + reason;
  }
  return nullptr;
}

}  // namespace screen::driver
