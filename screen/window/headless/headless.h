#pragma once
// The headless window driver: no window at all. Tests and tools read what was presented and
// script the pointer; events pushed here are handled at the next presentation pass.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "screen/window/driver.h"
#include "screen/window/rgb.h"

namespace screen::headless {

struct Options {
  bool service_thread = false;      // run passes on a thread of their own, as a real window does
  bool waits = true;                // that thread sleeps while idle; false: it ticks every 10 ms
  bool fail_open = false;           // make opening the window fail
  int wait_cap_ms = 0;              // > 0: a sleep asked for longer ends by its limit this soon
  bool refuse_full_screen = false;  // the desktop refuses full screen
};

// The window's contents as last presented: indices, palette, title and counters.
struct Window {
  bool open = false;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width x height colour indices
  std::array<Rgb, 256> palette{};
  std::string title;
  int presents = 0;    // present calls
  int first_row = -1;  // band of the last present
  int last_row = -1;
  int palette_updates = 0;  // palettes handed over
  int waits = 0;            // sleeps of the service thread until an event or a wake
  int timeouts = 0;         // those that ended by their time limit
  int last_wait_ms = 0;     // the limit the last sleep asked for
  bool waiting = false;     // the service thread sleeps now
  bool full_screen = false;
};
// The driver's record: the window as presented, and the desktop's side of it.
struct Record {
  std::mutex guard;                 // everything below
  std::condition_variable arrived;  // an event was pushed, a stall began, or wake() called
  Window window;
  std::vector<driver::Event> queue;  // for the next pass, as a desktop reports them
  bool over = false;                 // the scripted pointer is over the window
  bool woken = false;
  int batches = 0;  // EventBatch objects alive: the queue waits
  std::chrono::steady_clock::time_point stalled_until{};  // no sleep ends before this
  Options options;                                        // as tests set them, kept across windows
};
inline Record record;

// How the driver behaves; read when a window opens and while it is open.
inline Options& options() {
  return record.options;
}

// A copy of the window's state.
Window window();

// Pointer events at client coordinates; a position outside the window means the pointer left.
void push_move(int x, int y);
void push_press(int button_bit);
void push_release(int button_bit);
void push_wheel(int step);
void push_activation(bool active);  // the window got or lost the focus
void push_minimised(bool minimised);
void push_close_request();
void push_drop(std::string path);                      // one file dropped onto the window
void push_drop_files(std::vector<std::string> paths);  // several at once
void push_full_screen_key();                           // Alt+Enter
void push_maximise();                                  // the maximise button

// A desktop that holds the window: for `milliseconds` from now (0 ends a stall) the service
// thread's sleep, the one it is in or its next, is ended by nothing, neither a wake nor an
// event, so no pass runs.
void stall(int milliseconds);

// While one lives, pushed events wait: they reach the next pass together, as events that
// arrive between two looks of a real window system do, even with a service thread running.
class EventBatch {
 public:
  EventBatch();
  ~EventBatch();
  EventBatch(const EventBatch&) = delete;
  EventBatch& operator=(const EventBatch&) = delete;
};

}  // namespace screen::headless
