#pragma once
// The window backend: the only place that knows the window system. One implementation is
// linked per build (headless, SDL2 or Win32). All calls come from the service thread,
// except where the build runs without one (the headless backend's manual mode).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "screen/screen.h"

namespace screen::backend {

// Whether set_screen_mode starts a service thread that runs the presentation passes.
bool wants_service_thread();

// Opens a window whose client area is width x height; on failure returns false with a reason.
bool open(int width, int height, std::string_view title, std::string& error);

// Shows a new title.
void set_title(std::string_view title);

// Takes the palette for the rows presented from now on.
void set_palette(const std::array<Rgb, 256>& palette);

// Copies rows first..last (both included) of a page of `width` bytes per row to the window.
void present(const std::uint8_t* page, int width, int first, int last);

// Handles pending window events, feeding the pointer state (the screen lock is held).
void handle_events();

// Whether wait_for_event can sleep until something happens; if not, the service thread
// keeps its fixed 10 ms tick.
bool can_wait();

// Sleeps until a window event arrives or wake() is called, at most `milliseconds`
// (service thread, screen lock not held). An event it takes is handled by handle_events.
void wait_for_event(int milliseconds);

// Ends the current or the next wait_for_event early. Any thread may call it.
void wake();

// Destroys the window and restores what open changed.
void close();

}  // namespace screen::backend
