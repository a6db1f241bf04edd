#include "screen/screen.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>

#include "screen/process.h"
#include "screen/state.h"
#include "screen/window/driver.h"

namespace screen {

namespace detail {
void drawing_arrived(Screen& s) {
  if (!s.service_idle) return;
  s.service_idle = false;
  s.driver->wake();
}
}  // namespace detail

using detail::Screen;
using detail::state;

namespace {

constexpr std::size_t max_title = 127;

// The default palette of a new screen: a grey ramp, until the caller loads its own.
std::array<Rgb, 256> default_palette() {
  std::array<Rgb, 256> p{};
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    p[std::size_t(i)] = {v, v, v};
  }
  return p;
}

// Until a title is set, the window is named after the executable, without its extension.
std::string default_title() {
  std::string name = executable_path();
  name.erase(0, name.find_last_of("/\\") + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name.substr(0, max_title);
}

std::uint8_t spread_six_bits(int value) {
  const int six = (value & 0xFF) / 4;
  return static_cast<std::uint8_t>(six * 255 / 63);
}

void stamp_presentation(Screen& s) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  if (std::FILE* f = std::fopen(s.presentation_report.c_str(), "a")) {
    std::fprintf(f, "%lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
    std::fclose(f);
  }
  s.presentation_report.clear();
}

// True when the next pass has something to show (lock held).
bool pass_pending(const Screen& s) {
  return s.pass_wanted || s.title_changed || s.palette_changed ||
         std::find(s.row_changed.begin(), s.row_changed.end(), 1) != s.row_changed.end();
}

// Passes run on a grid of 10 ms, the first one at its first point or when asked for. While
// nothing is to be shown the thread sleeps until a window event (handled at once) or new
// drawing (shown at the next grid point, so that a drawing the program is still making appears
// whole). A backend that cannot wait just ticks.
void service_loop() {
  using namespace std::chrono;
  constexpr milliseconds tick(10);
  Screen& s = state();
  const bool waits = s.driver->can_wait();
  const auto start = steady_clock::now();
  const auto next_tick = [&] { return start + ((steady_clock::now() - start) / tick + 1) * tick; };
  std::unique_lock g(s.lock);
  while (!s.stop.load()) {
    bool event = false;
    if (waits && !pass_pending(s)) {
      s.service_idle = true;
      g.unlock();
      s.driver->wait_for_event(detail::longest_wait_ms);
      g.lock();
      event = s.service_idle;  // else drawing_arrived cleared it
      s.service_idle = false;
    }
    if (!event)
      s.pass_due.wait_until(g, next_tick(), [&] { return s.pass_wanted || s.stop.load(); });
    s.pass_wanted = false;
    if (s.stop.load()) break;
    g.unlock();
    presentation_pass();
    g.lock();
  }
}

// Opens the window with the first driver that gives one (lock not held); the reasons of all
// when none does.
bool open_window(int width, int height, const std::string& title) {
  Screen& s = state();
  std::string error;
  const driver::Driver* opened = driver::open_first(width, height, title, error);
  std::lock_guard g(s.lock);
  s.driver = opened;
  s.window_error = error;
  return opened != nullptr;
}

// Opens the window on the service thread, reports the outcome, then presents until stopped.
void service_main(std::promise<bool>* opened, std::string title) {
  Screen& s = state();
  const bool ok = open_window(s.width, s.height, title);
  opened->set_value(ok);
  if (!ok) return;
  service_loop();
  s.driver->close();
}

}  // namespace

int set_screen_mode(int width, int height, int depth, int page_count) {
  static constexpr int depths[] = {1, 2, 4, 8, 15, 16, 24, 32};
  if (width <= 0 || height <= 0 ||
      std::find(std::begin(depths), std::end(depths), depth) == std::end(depths))
    return 1;
  close_screen();
  Screen& s = state();
  std::string title;
  {
    std::lock_guard g(s.lock);
    s.width = width;
    s.height = height;
    s.page_count = std::max(page_count, 1);
    s.pages.assign(std::size_t(s.page_count) * std::size_t(width) * std::size_t(height), 0);
    s.work = s.visible = 0;
    s.palette = default_palette();
    s.palette_changed = true;
    s.row_changed.assign(std::size_t(height), 1);
    s.pointer = {};
    s.pointer.active = true;
    s.window = {};
    s.last_x = s.last_y = 0;
    s.window_error.clear();
    s.title_changed = false;
    if (s.title.empty()) s.title = default_title();
    title = s.title;
  }
  bool ok = false;
  if (driver::bootstrap.front()->wants_service_thread()) {
    std::promise<bool> opened;
    std::future<bool> result = opened.get_future();
    s.stop = false;
    s.service = std::thread(service_main, &opened, title);
    ok = result.get();
    if (!ok) s.service.join();
  } else {
    ok = open_window(width, height, title);
  }
  std::lock_guard g(s.lock);
  if (!ok) {
    s.pages.clear();
    return 1;
  }
  s.open = true;
  return 0;
}

void close_screen() {
  Screen& s = state();
  if (s.service.joinable()) {
    {
      // Woken only while it sleeps on window events, under the lock: the window is then
      // still there, never being destroyed by the thread at the same moment.
      std::lock_guard g(s.lock);
      s.stop = true;
      detail::drawing_arrived(s);
    }
    s.pass_due.notify_one();
    s.service.join();
  } else if (s.open) {
    s.driver->close();
  }
  std::lock_guard g(s.lock);
  s.driver = nullptr;
  s.open = false;
  s.pages.clear();
  s.row_changed.clear();
}

void set_window_title(std::string_view text) {
  Screen& s = state();
  std::lock_guard g(s.lock);
  s.title.assign(text.substr(0, max_title));
  s.title_changed = true;
  detail::drawing_arrived(s);
}

void set_pages(int work, int visible) {
  Screen& s = state();
  std::lock_guard g(s.lock);
  if (!s.open) return;
  if (work < 0 && visible < 0) work = visible = 0;
  if (work >= 0 && work < s.page_count) s.work = work;
  if (visible >= 0 && visible < s.page_count && visible != s.visible) {
    s.visible = visible;
    detail::mark_all_rows(s);
  }
}

void set_palette_entry(int index, int red, int green, int blue) {
  Screen& s = state();
  std::lock_guard g(s.lock);
  if (!s.open) return;
  s.palette[std::size_t(index & 0xFF)] = {spread_six_bits(red), spread_six_bits(green),
                                          spread_six_bits(blue)};
  s.palette_changed = true;
  detail::mark_all_rows(s);
}

void presentation_pass() {
  Screen& s = state();
  std::lock_guard g(s.lock);
  if (s.driver == nullptr) return;
  if (s.title_changed) {
    s.driver->set_title(s.title);
    s.title_changed = false;
  }
  if (s.pages.empty()) return;
  if (s.palette_changed) {
    s.driver->set_palette(s.palette);
    s.palette_changed = false;
  }
  const auto first = std::find(s.row_changed.begin(), s.row_changed.end(), 1);
  if (first != s.row_changed.end()) {
    const auto last = std::find(s.row_changed.rbegin(), s.row_changed.rend(), 1);
    const int y1 = int(first - s.row_changed.begin());
    const int y2 = int(s.row_changed.rend() - last) - 1;
    s.driver->present(detail::row(s, s.visible, 0), s.width, y1, y2);
    std::fill(s.row_changed.begin() + y1, s.row_changed.begin() + y2 + 1, std::uint8_t{0});
    if (!s.presentation_report.empty()) stamp_presentation(s);
    s.presented.notify_all();
  }
  const unsigned changes = s.pointer_changes;
  detail::apply_window_events(s);
  if (s.pointer_changes != changes) s.pointer_changed.notify_all();
}

void report_next_presentation(std::string path) {
  Screen& s = state();
  std::lock_guard g(s.lock);
  s.presentation_report = std::move(path);
  detail::mark_all_rows(s);  // a pass may already have shown the screen: show it once more
}

void present_now() {
  Screen& s = state();
  if (!s.service.joinable()) {
    presentation_pass();
    return;
  }
  {
    std::lock_guard g(s.lock);
    s.pass_wanted = true;
    detail::drawing_arrived(s);
  }
  s.pass_due.notify_one();
}

bool present_and_wait() {
  present_now();
  Screen& s = state();
  std::unique_lock g(s.lock);
  const auto shown = [&] {
    return s.pages.empty() ||
           std::find(s.row_changed.begin(), s.row_changed.end(), 1) == s.row_changed.end();
  };
  if (s.present_wait_ms < 0) {
    s.presented.wait(g, shown);
    return true;
  }
  return s.presented.wait_for(g, std::chrono::milliseconds(s.present_wait_ms), shown);
}

bool is_open() {
  std::lock_guard g(state().lock);
  return state().open;
}
int width() {
  return state().width;
}
int height() {
  return state().height;
}
int work_page() {
  return state().work;
}
int visible_page() {
  return state().visible;
}

std::uint8_t pixel(int page, int x, int y) {
  Screen& s = state();
  std::lock_guard g(s.lock);
  if (!s.open || page < 0 || page >= s.page_count || x < 0 || y < 0 || x >= s.width ||
      y >= s.height)
    return 0;
  return detail::row(s, page, y)[x];
}

std::array<Rgb, 256> palette() {
  std::lock_guard g(state().lock);
  return state().palette;
}

std::uint64_t window_system_id() {
  Screen& s = state();
  std::lock_guard g(s.lock);
  return s.driver != nullptr ? s.driver->window_id() : 0;
}

bool show_desktop_box(const std::string& text, const std::string& caption) {
  const driver::Driver* driver = nullptr;
  {
    std::lock_guard g(state().lock);
    driver = state().driver;
  }
  return driver != nullptr && driver->show_box != nullptr && driver->show_box(text, caption);
}

std::string last_window_error() {
  std::lock_guard g(state().lock);
  return state().window_error;
}

}  // namespace screen
