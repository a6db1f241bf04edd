#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "screen/backend.h"
#include "screen/headless.h"
#include "screen/pointer.h"

namespace screen::headless {

namespace {

enum class Kind { move, press, release, wheel, activation, close, drop };
struct Event {
  Kind kind;
  int a = 0;
  int b = 0;
  std::string path = {};
};

std::mutex guard;  // the window record and the event queue
Window win;
std::vector<Event> queue;
int desktop_x = 0, desktop_y = 0;
std::condition_variable arrived;  // an event was pushed or wake() called
bool woken = false;
int batches = 0;  // EventBatch objects alive: the queue waits

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
void push_close_request() {
  push({Kind::close});
}
void push_drop(std::string path) {
  push({Kind::drop, 0, 0, std::move(path)});
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

namespace screen::backend {

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

void handle_events() {
  std::vector<Event> pending;
  int w = 0, h = 0;
  {
    std::lock_guard g(guard);
    if (batches == 0) pending.swap(queue);
    w = win.width;
    h = win.height;
  }
  for (const Event& e : pending) {
    if (e.kind == Kind::move) {
      desktop_x = e.a;
      desktop_y = e.b;
    }
    events::inside(desktop_x >= 0 && desktop_y >= 0 && desktop_x < w && desktop_y < h);
    switch (e.kind) {
      case Kind::move:
        events::moved(e.a, e.b);
        break;
      case Kind::press:
        events::pressed(e.a);
        break;
      case Kind::release:
        events::released(e.a);
        break;
      case Kind::wheel:
        events::wheel(e.a);
        break;
      case Kind::activation:
        events::activation(e.a != 0);
        break;
      case Kind::close:
        events::close_requested();
        break;
      case Kind::drop:
        events::dropped(e.path);
        break;
    }
  }
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
  if (cap > 0 && cap < milliseconds) milliseconds = cap;
  if (!arrived.wait_for(g, std::chrono::milliseconds(milliseconds),
                        [] { return woken || events_ready(); }))
    ++win.timeouts;
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

}  // namespace screen::backend
