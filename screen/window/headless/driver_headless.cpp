#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "screen/headless.h"
#include "screen/window/driver.h"

namespace screen::headless {

namespace {

enum class Kind {
  move,
  press,
  release,
  wheel,
  activation,
  minimised,
  close,
  drop,
  full_screen_key,
  maximise
};
struct Event {
  Kind kind;
  int a = 0;
  int b = 0;
  std::vector<std::string> paths = {};
};

std::mutex guard;  // the window record and the event queue
Window win;
std::vector<Event> queue;
bool over = false;                // the scripted pointer is over the window
std::condition_variable arrived;  // an event was pushed or wake() called
bool woken = false;
int batches = 0;  // EventBatch objects alive: the queue waits
// A stalled desktop: no sleep of the service thread ends before this.
std::chrono::steady_clock::time_point stalled_until;

// Events for the next pass: none while a batch is being pushed (lock held).
bool events_ready() {
  return batches == 0 && !queue.empty();
}

void push(Event e) {
  {
    std::lock_guard g(guard);
    queue.push_back(e);
  }
  arrived.notify_all();
}

}  // namespace

Window window() {
  std::lock_guard g(guard);
  return win;
}

void push_move(int x, int y) {
  push({Kind::move, x, y});
}
void push_press(int button_bit) {
  push({Kind::press, button_bit});
}
void push_release(int button_bit) {
  push({Kind::release, button_bit});
}
void push_wheel(int step) {
  push({Kind::wheel, step});
}
void push_activation(bool active) {
  push({Kind::activation, active ? 1 : 0});
}
void push_minimised(bool minimised) {
  push({Kind::minimised, minimised ? 1 : 0});
}
void push_close_request() {
  push({Kind::close});
}
void push_drop(std::string path) {
  push_drop_files({std::move(path)});
}
void push_drop_files(std::vector<std::string> paths) {
  Event e{Kind::drop};
  e.paths = std::move(paths);
  push(std::move(e));
}
void push_full_screen_key() {
  push({Kind::full_screen_key});
}
void push_maximise() {
  push({Kind::maximise});
}

void stall(int milliseconds) {
  {
    std::lock_guard g(guard);
    stalled_until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  }
  arrived.notify_all();
}

EventBatch::EventBatch() {
  std::lock_guard g(guard);
  ++batches;
}
EventBatch::~EventBatch() {
  {
    std::lock_guard g(guard);
    --batches;
  }
  arrived.notify_all();
}

}  // namespace screen::headless

namespace screen::driver {

using namespace headless;

bool wants_service_thread() {
  return options().service_thread;
}

bool open(int width, int height, std::string_view title, std::string& error) {
  if (options().fail_open) {
    error = "the headless backend was told to fail";
    return false;
  }
  std::lock_guard g(guard);
  win = {};
  win.open = true;
  win.width = width;
  win.height = height;
  win.pixels.assign(std::size_t(width) * std::size_t(height), 0);
  win.title = title;
  queue.clear();
  woken = false;
  over = false;
  stalled_until = {};
  return true;
}

void set_title(std::string_view title) {
  std::lock_guard g(guard);
  win.title = title;
}

void set_palette(const std::array<Rgb, 256>& palette) {
  std::lock_guard g(guard);
  win.palette = palette;
  ++win.palette_updates;
}

void present(const std::uint8_t* page, int width, int first, int last) {
  std::lock_guard g(guard);
  const std::size_t from = std::size_t(first) * std::size_t(width);
  const std::size_t to = std::size_t(last + 1) * std::size_t(width);
  std::copy(page + from, page + to, win.pixels.begin() + std::ptrdiff_t(from));
  ++win.presents;
  win.first_row = first;
  win.last_row = last;
}

// A scripted move turns into what a desktop reports: an enter when the pointer comes over
// the window, the motion, and a leave when it goes off it.
void take_events(std::vector<Event>& events) {
  std::vector<headless::Event> pending;
  int w = 0, h = 0;
  {
    std::lock_guard g(guard);
    if (batches == 0) pending.swap(queue);
    w = win.width;
    h = win.height;
  }
  for (headless::Event& e : pending) {
    switch (e.kind) {
      case Kind::move: {
        const bool now_over = e.a >= 0 && e.b >= 0 && e.a < w && e.b < h;
        if (now_over && !over) {
          events.push_back({EventKind::enter, e.a, e.b});
        } else {
          events.push_back({EventKind::motion, e.a, e.b});
          if (!now_over && over) events.push_back({EventKind::leave});
        }
        over = now_over;
        break;
      }
      case Kind::press:
        events.push_back({EventKind::press, 0, 0, e.a});
        break;
      case Kind::release:
        events.push_back({EventKind::release, 0, 0, e.a});
        break;
      case Kind::wheel:
        events.push_back({EventKind::wheel, 0, 0, 0, e.a});
        break;
      case Kind::activation:
        events.push_back({EventKind::focus, 0, 0, 0, 0, e.a != 0});
        break;
      case Kind::minimised:
        events.push_back({EventKind::minimised, 0, 0, 0, 0, e.a != 0});
        break;
      case Kind::close:
        events.push_back({EventKind::close_request});
        break;
      case Kind::drop: {
        Event drop{EventKind::drop};
        drop.files = std::move(e.paths);
        events.push_back(std::move(drop));
        break;
      }
      case Kind::full_screen_key:
        events.push_back({EventKind::full_screen_key});
        break;
      case Kind::maximise:
        events.push_back({EventKind::maximise});
        break;
    }
  }
}

bool set_full_screen(bool on) {
  std::lock_guard g(guard);
  if (options().refuse_full_screen) return false;
  win.full_screen = on;
  return true;
}

bool full_screen() {
  std::lock_guard g(guard);
  return win.full_screen;
}

bool can_wait() {
  return options().waits;
}

void wait_for_event(int milliseconds) {
  std::unique_lock g(guard);
  ++win.waits;
  win.waiting = true;
  win.last_wait_ms = milliseconds;
  const int cap = options().wait_cap_ms;
  if (cap > 0 && (milliseconds < 0 || cap < milliseconds)) milliseconds = cap;
  using clock = std::chrono::steady_clock;
  const auto limit = clock::now() + std::chrono::milliseconds(milliseconds);
  // Waking or not, a stalled sleep goes on; the limit counts from the start.
  for (;;) {
    if (clock::now() < stalled_until) {
      arrived.wait_until(g, stalled_until);
    } else if (woken || events_ready()) {
      break;
    } else if (milliseconds < 0) {
      arrived.wait(g);
    } else if (arrived.wait_until(g, limit) == std::cv_status::timeout &&
               clock::now() >= stalled_until && !woken && !events_ready()) {
      ++win.timeouts;
      break;
    }
  }
  woken = false;
  win.waiting = false;
}

void wake() {
  {
    std::lock_guard g(guard);
    woken = true;
  }
  arrived.notify_all();
}

void close() {
  std::lock_guard g(guard);
  win.open = false;
  queue.clear();
  woken = false;
}

}  // namespace screen::driver
