// For the time until the core speaks the window driver interface: the old backend calls
// served by the X11 driver, with the core's rules for its events. Goes with the port.

#include <unistd.h>

#include <cstdio>

#include "base/cp1251.h"
#include "screen/backend.h"
#include "screen/pointer.h"
#include "screen/process.h"
#include "screen/window/linux/desktops.h"

namespace screen {

namespace {

const linux_window::Desktop& desk = linux_window::x11_desktop;
int pointer_x = 0, pointer_y = 0, page_w = 0, page_h = 0;
bool entered = false, focused = true, minimised = false;

void inside() {
  const bool in_rect = pointer_x >= 0 && pointer_y >= 0 && pointer_x < page_w && pointer_y < page_h;
  events::inside(in_rect && (entered || events::buttons() != 0));
}

void apply(const driver::Event& e) {
  using K = driver::EventKind;
  switch (e.kind) {
    case K::motion:
    case K::enter:
      if (e.kind == K::enter) entered = true;
      pointer_x = e.x;
      pointer_y = e.y;
      inside();
      events::moved(e.x, e.y);
      break;
    case K::leave:
      entered = false;
      inside();
      break;
    case K::press:
      inside();
      events::pressed(e.button);
      break;
    case K::release:
      inside();
      events::released(e.button);
      break;
    case K::wheel:
      events::wheel(e.step);
      break;
    case K::focus:
      focused = e.on;
      events::activation(focused && !minimised);
      break;
    case K::minimised:
      minimised = e.on;
      events::activation(focused && !minimised);
      break;
    case K::close_request:
      events::close_requested();
      break;
    case K::drop:
      if (e.files.size() == 1) events::dropped(e.files.front());
      break;
    case K::full_screen_key:
    case K::maximise:
      desk.set_full_screen(!desk.full_screen());
      break;
    case K::lost:
      driver::connection_lost();
  }
}

}  // namespace

namespace backend {
bool wants_service_thread() {
  return true;
}
bool open(int width, int height, std::string_view title, std::string& error) {
  page_w = width;
  page_h = height;
  entered = minimised = false;
  focused = true;
  return desk.open(width, height, title, true, error);
}
void set_title(std::string_view title) {
  desk.set_title(title);
}
void set_palette(const std::array<Rgb, 256>& palette) {
  desk.set_palette(palette);
}
void present(const std::uint8_t* page, int width, int first, int last) {
  desk.present(page, width, first, last);
}
void handle_events() {
  std::vector<driver::Event> events;
  desk.take_events(events);
  for (const driver::Event& e : events) apply(e);
}
bool can_wait() {
  return true;
}
void wait_for_event(int milliseconds) {
  desk.wait_for_event(milliseconds);
}
void wake() {
  desk.wake();
}
void close() {
  desk.close();
}
}  // namespace backend

void driver::connection_lost() {
  static constexpr char line[] = "gorvex-launcher: lost the connection to the display\n";
  (void)!write(2, line, sizeof line - 1);
  _exit(1);
}

std::uint64_t window_system_id() {
  return desk.window_id();
}

void show_message_box(std::string_view text, std::string_view caption) {
  const std::string utf8_text = cp1251::to_utf8(text), utf8_caption = cp1251::to_utf8(caption);
  std::string output;
  int status = -1;
  if (!desk.show_box(utf8_text, utf8_caption) &&
      !run_for_output(
          {"zenity", "--info", "--no-markup", "--title=" + utf8_caption, "--text=" + utf8_text},
          output, status) &&
      !run_for_output({"kdialog", "--title", utf8_caption, "--msgbox", utf8_text}, output, status))
    std::fprintf(stderr, "%s: %s\n", utf8_caption.c_str(), utf8_text.c_str());
}

}  // namespace screen
