#pragma once
// The window driver: the only code that speaks a desktop's protocol. Each desktop's folder
// fills one table of calls (headless; Wayland and X11 on Linux; Win32), and the core opens the
// first of its build's list that gives a window. A driver opens the window, presents rows of
// the page through the palette, and hands the desktop's events back as they came; what they
// mean (which drop counts, what Alt+Enter does, when the pointer is inside) is the core's.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "screen/window/rgb.h"

namespace screen::driver {

enum class EventKind {
  motion,           // the pointer is at (x, y), over the window or held by a press
  enter,            // the pointer came over the window at (x, y)
  leave,            // the pointer left the window
  press,            // `button` went down at the last position
  release,          // `button` went up
  wheel,            // one step: `step` +1 away from the player, -1 towards
  focus,            // the window got (`on`) or lost the keyboard focus
  minimised,        // the window was minimised (`on`) or shown again
  close_request,    // the close button, Alt+F4, the desktop's close
  drop,             // `files` were dropped onto the window, each as the system's bytes
  full_screen_key,  // Alt+Enter
  maximise,         // the maximise button or the desktop asked for a maximised window
  lost,             // the connection to the desktop is gone
};

// Buttons as the core counts them: 1 left, 2 right, 4 middle, 8 and 16 the extra ones.
struct Event {
  EventKind kind = EventKind::motion;
  int x = 0, y = 0;  // motion, enter: the page pixel under the pointer (may lie outside)
  int button = 0;    // press, release: one button bit
  int step = 0;      // wheel
  bool on = false;   // focus, minimised
  std::vector<std::string> files = {};  // drop
};

// The answers most drivers give: a table leaves out what it answers so.
inline bool always() {
  return true;
}
inline std::uint64_t no_window_id() {
  return 0;
}

// One driver's calls, filled by member name in its folder. Every call comes from the service
// thread, except where a call says otherwise and where the build runs without one (the
// headless driver's manual mode).
struct Driver {
  const char* name = "";  // "wayland", "x11", "win32", "headless": as GORVEX_DESKTOP names it

  // Whether its desktop is there to be tried without the player naming it.
  bool (*at_hand)() = always;

  // Whether the core runs a service thread for passes and events (one answer per build).
  bool (*wants_service_thread)() = always;

  // Opens a window whose page is width x height; on failure returns false with a reason.
  bool (*open)(int width, int height, std::string_view title, std::string& error);

  // Shows a new title (CP1251).
  void (*set_title)(std::string_view title);

  // Takes the palette for the rows presented from now on.
  void (*set_palette)(const std::array<Rgb, 256>& palette);

  // Copies rows first..last (both included) of a page of `width` bytes per row to the window.
  // The driver keeps them (window::Scaler::keep): every repaint paints from its own copy, so
  // that nothing reads the core's page outside the screen lock.
  void (*present)(const std::uint8_t* page, int width, int first, int last);

  // Appends the events that arrived since the last call, oldest first, without waiting (the
  // screen lock is held).
  void (*take_events)(std::vector<Event>& events);

  // Whether wait_for_event can sleep until something happens; if not, the core ticks.
  bool (*can_wait)() = always;

  // Sleeps until a desktop event arrives or wake() is called, at most `milliseconds` (-1: no
  // limit). The screen lock is not held. Events it reads wait for take_events.
  void (*wait_for_event)(int milliseconds);

  // Ends the current or the next wait_for_event early: a wake is kept until a wait takes it.
  // Any thread may call it, at any time.
  void (*wake)();

  // Shows the page full screen (largest size of the page's shape, centred on black) or back
  // in its window; false when the desktop refused, the display then as it was.
  bool (*set_full_screen)(bool on);
  bool (*full_screen)();

  // Destroys the window and gives back what open changed (the screen saver).
  void (*close)();

  // The desktop's id of the open window (an X window, a HWND) for dialogs to stay above it;
  // 0 where there is none. Any thread may call it.
  std::uint64_t (*window_id)() = no_window_id;

  // A message box of the desktop's own (UTF-8 texts) on the program thread; false when it
  // could not show one. nullptr where the desktop has none.
  bool (*show_box)(const std::string& text, const std::string& caption) = nullptr;
};

// The drivers of each desktop. The Wayland driver fills two tables: one that opens only a
// window with a title bar, and one for when nothing better is left.
extern const Driver headless_driver;
extern const Driver wayland_driver;
extern const Driver wayland_untitled_driver;
extern const Driver x11_driver;
extern const Driver win32_driver;

// The drivers this program carries, in the order they are tried; one list per build.
extern const std::span<const Driver* const> bootstrap;

// The core's: opens a window with the first driver of the list that the player names
// (GORVEX_DESKTOP, else SDL_VIDEODRIVER, as players set it for SDL programs) or, with none
// named, whose desktop is at hand. nullptr when none gives one, with each one's reason.
const Driver* open_first(int width, int height, std::string_view title, std::string& error);

// The core's: ends the launcher at once with status 1 and its line on stderr, children with
// it. For a driver that cannot come back to report `lost` (Xlib's connection handler).
[[noreturn]] void connection_lost();

}  // namespace screen::driver
