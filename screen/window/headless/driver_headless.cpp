// The headless driver: scripted events in the table's own kinds, and the presented window
// kept in memory for tests and tools to read.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "screen/window/driver.h"
#include "screen/window/headless/headless.h"

namespace screen::headless {

using driver::Event;
using driver::EventKind;

namespace {

// Events for the next pass: none while a batch is being pushed (lock held).
bool events_ready() {
  return record.batches == 0 && !record.queue.empty();
}

void push(Event e) {
  {
    std::lock_guard g(record.guard);
    record.queue.push_back(std::move(e));
  }
  record.arrived.notify_all();
}

void push_flag(EventKind kind, bool on) {
  Event e{kind};
  e.on = on;
  push(std::move(e));
}

}  // namespace

Window window() {
  std::lock_guard g(record.guard);
  return record.window;
}

// A scripted move turns into what a desktop reports: an enter when the pointer comes over
// the window, the motion, and a leave when it goes off it.
void push_move(int x, int y) {
  {
    std::lock_guard g(record.guard);
    Record& d = record;
    const bool now_over = x >= 0 && y >= 0 && x < d.window.width && y < d.window.height;
    d.queue.push_back({now_over && !d.over ? EventKind::enter : EventKind::motion, x, y});
    if (!now_over && d.over) d.queue.push_back({EventKind::leave});
    d.over = now_over;
  }
  record.arrived.notify_all();
}
void push_press(int button_bit) {
  push({EventKind::press, 0, 0, button_bit});
}
void push_release(int button_bit) {
  push({EventKind::release, 0, 0, button_bit});
}
void push_wheel(int step) {
  push({EventKind::wheel, 0, 0, 0, step});
}
void push_activation(bool active) {
  push_flag(EventKind::focus, active);
}
void push_minimised(bool minimised) {
  push_flag(EventKind::minimised, minimised);
}
void push_close_request() {
  push({EventKind::close_request});
}
void push_drop(std::string path) {
  push_drop_files({std::move(path)});
}
void push_drop_files(std::vector<std::string> paths) {
  Event e{EventKind::drop};
  e.files = std::move(paths);
  push(std::move(e));
}
void push_full_screen_key() {
  push({EventKind::full_screen_key});
}
void push_maximise() {
  push({EventKind::maximise});
}

void stall(int milliseconds) {
  {
    std::lock_guard g(record.guard);
    record.stalled_until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  }
  record.arrived.notify_all();
}

EventBatch::EventBatch() {
  std::lock_guard g(record.guard);
  ++record.batches;
}
EventBatch::~EventBatch() {
  {
    std::lock_guard g(record.guard);
    --record.batches;
  }
  record.arrived.notify_all();
}

namespace {

bool wants_service_thread() {
  return options().service_thread;
}

bool open(int width, int height, std::string_view title, std::string& error) {
  if (options().fail_open) {
    error = "the headless backend was told to fail";
    return false;
  }
  std::lock_guard g(record.guard);
  Record& d = record;
  d.window = {};
  d.window.open = true;
  d.window.width = width;
  d.window.height = height;
  d.window.pixels.assign(std::size_t(width) * std::size_t(height), 0);
  d.window.title = title;
  d.queue.clear();
  d.woken = false;
  d.over = false;
  d.stalled_until = {};
  return true;
}

void set_title(std::string_view title) {
  std::lock_guard g(record.guard);
  record.window.title = title;
}

void set_palette(const std::array<Rgb, 256>& palette) {
  std::lock_guard g(record.guard);
  record.window.palette = palette;
  ++record.window.palette_updates;
}

void present(const std::uint8_t* page, int width, int first, int last) {
  std::lock_guard g(record.guard);
  Window& w = record.window;
  const std::size_t from = std::size_t(first) * std::size_t(width);
  const std::size_t to = std::size_t(last + 1) * std::size_t(width);
  std::copy(page + from, page + to, w.pixels.begin() + std::ptrdiff_t(from));
  ++w.presents;
  w.first_row = first;
  w.last_row = last;
}

void take_events(std::vector<Event>& events) {
  std::lock_guard g(record.guard);
  if (record.batches != 0) return;
  for (Event& e : record.queue) events.push_back(std::move(e));
  record.queue.clear();
}

bool set_full_screen(bool on) {
  std::lock_guard g(record.guard);
  if (options().refuse_full_screen) return false;
  record.window.full_screen = on;
  return true;
}

bool full_screen() {
  std::lock_guard g(record.guard);
  return record.window.full_screen;
}

bool can_wait() {
  return options().waits;
}

void wait_for_event(int milliseconds) {
  Record& d = record;
  std::unique_lock g(d.guard);
  ++d.window.waits;
  d.window.waiting = true;
  d.window.last_wait_ms = milliseconds;
  const int cap = options().wait_cap_ms;
  if (cap > 0 && (milliseconds < 0 || cap < milliseconds)) milliseconds = cap;
  using clock = std::chrono::steady_clock;
  const auto limit = clock::now() + std::chrono::milliseconds(milliseconds);
  // Waking or not, a stalled sleep goes on; the limit counts from the start.
  for (;;) {
    if (clock::now() < d.stalled_until) {
      d.arrived.wait_until(g, d.stalled_until);
    } else if (d.woken || events_ready()) {
      break;
    } else if (milliseconds < 0) {
      d.arrived.wait(g);
    } else if (d.arrived.wait_until(g, limit) == std::cv_status::timeout &&
               clock::now() >= d.stalled_until && !d.woken && !events_ready()) {
      ++d.window.timeouts;
      break;
    }
  }
  d.woken = false;
  d.window.waiting = false;
}

void wake() {
  {
    std::lock_guard g(record.guard);
    record.woken = true;
  }
  record.arrived.notify_all();
}

void close() {
  std::lock_guard g(record.guard);
  record.window.open = false;
  record.queue.clear();
  record.woken = false;
}

}  // namespace

}  // namespace screen::headless

namespace screen::driver {

namespace h = headless;

const Driver headless_driver = {
    .name = "headless",
    .wants_service_thread = h::wants_service_thread,
    .open = h::open,
    .set_title = h::set_title,
    .set_palette = h::set_palette,
    .present = h::present,
    .take_events = h::take_events,
    .can_wait = h::can_wait,
    .wait_for_event = h::wait_for_event,
    .wake = h::wake,
    .set_full_screen = h::set_full_screen,
    .full_screen = h::full_screen,
    .close = h::close,
};

constexpr const Driver* headless_drivers[] = {&headless_driver};
const std::span<const Driver* const> bootstrap = headless_drivers;

}  // namespace screen::driver
