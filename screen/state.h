#pragma once
// The screen's global record, shared by the screen services' own files (and by tests, which
// may set the hand-over's bound).

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "screen/screen.h"
#include "screen/window/driver.h"

namespace screen::detail {

// What the window's events said of the window, beside the pointer state.
struct WindowState {
  bool entered = false;  // the pointer is over the window
  bool focused = true;   // the window starts active
  bool minimised = false;
  // The desktop may switch full screen (its maximise) once per player action: set by the
  // player's presses, keys and moves over the window's edge, cleared by the switch.
  bool desktop_may_switch = true;
};

struct PointerState {
  int x = 0;
  int y = 0;
  int wheel = 0;
  int buttons = 0;
  int pressed_since_poll = 0;  // buttons pressed since the last get_pointer
  bool inside = false;
  bool active = false;
};

// How long a last drawing before the process goes waits for the window at the most: long
// enough for a service thread that a busy machine runs late, short enough that a stalled
// desktop does not visibly hold the hand-over. Tests may set the record's copy.
constexpr int present_wait_limit_ms = 500;

struct Screen {
  std::mutex lock;                         // guards everything below but the thread handles
  const driver::Driver* driver = nullptr;  // the one that opened the window
  bool open = false;
  int width = 0;
  int height = 0;
  int page_count = 0;
  std::vector<std::uint8_t> pages;  // page_count pages of height rows of width bytes
  int work = 0;
  int visible = 0;
  std::array<Rgb, 256> palette{};  // as shown: 6-bit entries already spread back
  bool palette_changed = false;
  std::vector<std::uint8_t> row_changed;
  std::string title;
  bool title_changed = false;
  std::string window_error;
  std::string presentation_report;  // file to stamp after the next copying pass
  PointerState pointer;
  WindowState window;
  int last_x = 0, last_y = 0;         // page pixel of the latest pointer event
  std::vector<driver::Event> events;  // the window's events of the pass under way
  // Nothing reads keys, but a close request counts as one queued: it cuts a long sleep_ms
  // short.
  unsigned keys_queued = 0;  // counts every key ever queued
  unsigned keys_seen = 0;    // as the last wait looked at it

  bool pass_wanted = false;           // a pass is asked for before the next tick
  std::condition_variable pass_due;   // wakes the service thread for it
  std::condition_variable presented;  // a pass copied rows to the window
  bool service_idle = false;          // the service thread sleeps until an event or a wake
  int present_wait_ms = present_wait_limit_ms;  // present_and_wait's bound (-1: none)

  std::string dropped;  // the one file of the last drop onto the window, if not taken
  bool drop_waiting = false;
  unsigned pointer_changes = 0;  // counts changes of the pointer state
  unsigned pointer_seen = 0;     // the count that the last get_pointer reported
  std::condition_variable pointer_changed;

  std::thread service;
  std::atomic<bool> stop{false};
};

inline Screen screen_record;

inline Screen& state() {
  return screen_record;
}

// The longest sleep of the service thread while nothing happens: no limit. A driver keeps a
// wake until its next wait, so none is lost, and no timer wakes an idle launcher.
constexpr int longest_wait_ms = -1;

// Start of row y of a page.
inline std::uint8_t* row(Screen& s, int page, int y) {
  return s.pages.data() +
         (std::size_t(page) * std::size_t(s.height) + std::size_t(y)) * std::size_t(s.width);
}

// Applies the window driver's events in order: pointer, activation, close requests, drops and
// the full-screen switch (lock held).
void apply_window_events(Screen& s);

// Wakes a service thread that sleeps while nothing is to be shown (lock held).
void drawing_arrived(Screen& s);

// Marks rows y1..y2 changed when drawing went to the visible page (lock held).
inline void mark_rows(Screen& s, int y1, int y2) {
  if (s.work != s.visible) return;
  for (int y = y1; y <= y2; ++y) s.row_changed[std::size_t(y)] = 1;
  drawing_arrived(s);
}

inline void mark_all_rows(Screen& s) {
  std::fill(s.row_changed.begin(), s.row_changed.end(), std::uint8_t{1});
  drawing_arrived(s);
}

}  // namespace screen::detail
