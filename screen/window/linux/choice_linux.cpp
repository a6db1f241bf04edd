// The Linux launcher's window: native Wayland where the session is a Wayland one, X11
// otherwise, or whichever the player names. The driver calls go to the desktop that opened.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/cp1251.h"
#include "screen/process.h"
#include "screen/window/driver.h"
#include "screen/window/linux/desktops.h"

namespace screen::linux_window {

namespace {

const Desktop* chosen = nullptr;

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// The player's own choice: GORVEX_DESKTOP ("wayland" or "x11"), else the first driver that
// SDL_VIDEODRIVER names, as players set it for SDL programs; nullptr for none.
const Desktop* named_desktop() {
  for (const char* variable : {"GORVEX_DESKTOP", "SDL_VIDEODRIVER"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr) continue;
    const std::string_view name(value);
    if (name.starts_with("wayland")) return &wayland_desktop;
    if (name.starts_with("x11")) return &x11_desktop;
  }
  return nullptr;
}

bool try_open(const Desktop& desktop, int width, int height, std::string_view title,
              bool last_resort, std::string& error) {
  std::string reason;
  if (!desktop.open(width, height, title, last_resort, reason)) {
    if (!error.empty()) error += "; ";
    error += std::string("on ") + desktop.name + ": " + (reason.empty() ? "no reason" : reason);
    return false;
  }
  chosen = &desktop;
  return true;
}

}  // namespace

}  // namespace screen::linux_window

namespace screen::driver {

using linux_window::chosen;

bool wants_service_thread() {
  return true;
}

// A Wayland session gets a native window, unless it cannot give one the player can move and
// X11 is there too; a named desktop is tried alone.
bool open(int width, int height, std::string_view title, std::string& error) {
  using namespace linux_window;
  chosen = nullptr;
  error.clear();
  if (const Desktop* named = named_desktop())
    return try_open(*named, width, height, title, true, error);
  if (set("WAYLAND_DISPLAY")) {
    const bool x11_left = set("DISPLAY");
    if (try_open(wayland_desktop, width, height, title, !x11_left, error)) return true;
    return x11_left && try_open(x11_desktop, width, height, title, true, error);
  }
  if (!try_open(x11_desktop, width, height, title, true, error)) {
    // One desktop tried: its own words, as they were.
    const std::string prefix = "on x11: ";
    if (error.starts_with(prefix)) error.erase(0, prefix.size());
    return false;
  }
  return true;
}

void set_title(std::string_view title) {
  if (chosen != nullptr) chosen->set_title(title);
}

void set_palette(const std::array<Rgb, 256>& palette) {
  if (chosen != nullptr) chosen->set_palette(palette);
}

void present(const std::uint8_t* page, int width, int first, int last) {
  if (chosen != nullptr) chosen->present(page, width, first, last);
}

void take_events(std::vector<Event>& events) {
  if (chosen != nullptr) chosen->take_events(events);
}

bool can_wait() {
  return true;
}

void wait_for_event(int milliseconds) {
  if (chosen != nullptr) chosen->wait_for_event(milliseconds);
}

void wake() {
  if (const auto* desktop = chosen) desktop->wake();
}

bool set_full_screen(bool on) {
  return chosen != nullptr && chosen->set_full_screen(on);
}

bool full_screen() {
  return chosen != nullptr && chosen->full_screen();
}

void close() {
  if (chosen != nullptr) chosen->close();
  chosen = nullptr;
}

}  // namespace screen::driver

namespace screen {

std::uint64_t window_system_id() {
  const auto* desktop = linux_window::chosen;
  return desktop != nullptr ? desktop->window_id() : 0;
}

// The desktop's own box where it has one, else zenity or kdialog (over the window where it is
// an X one), else the caption and text on stderr.
void show_message_box(std::string_view text, std::string_view caption) {
  const std::string utf8_text = cp1251::to_utf8(text);
  const std::string utf8_caption = cp1251::to_utf8(caption);
  const auto* desktop = linux_window::chosen;
  if (desktop != nullptr && desktop->show_box != nullptr &&
      desktop->show_box(utf8_text, utf8_caption))
    return;
  std::vector<std::string> zenity = {"zenity", "--info", "--no-markup", "--title=" + utf8_caption,
                                     "--text=" + utf8_text};
  std::vector<std::string> kdialog = {"kdialog", "--title", utf8_caption, "--msgbox", utf8_text};
  if (const std::uint64_t id = window_system_id()) {
    zenity.insert(zenity.begin() + 1, {"--modal", "--attach=" + std::to_string(id)});
    kdialog.insert(kdialog.begin() + 1, {"--attach", std::to_string(id)});
  }
  std::string output;
  int status = -1;
  if (run_for_output(zenity, output, status) || run_for_output(kdialog, output, status)) return;
  std::fprintf(stderr, "%s: %s\n", utf8_caption.c_str(), utf8_text.c_str());
}

}  // namespace screen
