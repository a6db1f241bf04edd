#pragma once
// The 8-bit indexed screen: pages of colour indices, a 256-entry palette, the window that
// shows the visible page, and the drawing primitives. Everything clips to the screen.
// Result codes: 0 success, 1 illegal call, 2 file cannot be opened, 3 input or format error.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "screen/window/rgb.h"

namespace screen {

// Opens the screen (closing one that is open): pages cleared to colour 0, work and visible
// page 0, default palette, window opened and the service thread started. 1 on bad arguments
// or when no window can be opened; the reason is then in last_window_error().
int set_screen_mode(int width, int height, int depth, int page_count);

// Keeps the first 127 bytes as the window title, shown at once and kept for later modes.
void set_window_title(std::string_view text);

// Chooses the work page and the visible page; out-of-range values leave a page as it is,
// (-1, -1) selects page 0 for both.
void set_pages(int work, int visible);

// Stores the entry with 6 bits per component, shown spread back to 0..255.
void set_palette_entry(int index, int red, int green, int blue);

// Loads a BMP of 1, 4 or 8 bits per pixel onto the work page at (0, 0), cut to the screen,
// and its colour table into the palette.
int load_bmp(std::string_view path);

// Fills the box between two corner pixels, both included.
void fill_box(int x1, int y1, int x2, int y2, int colour);

// Sets a horizontal or vertical run of pixels, both ends included.
void draw_line(int x1, int y1, int x2, int y2, int colour);

// Fills the 4-connected region around the seed bounded by the border colour.
void flood_fill(int x, int y, int fill, int border);

// Closes the window, stops the service thread and frees the pages.
void close_screen();

// One presentation pass: palette handed over if changed, the flagged band of rows copied,
// flags cleared, pending window events handled. The service thread runs one on a 10 ms grid
// while there is something to show, and at once for a window event; otherwise it sleeps.
void presentation_pass();

// Has the service thread run a presentation pass at once rather than at its next tick
// (without a service thread, runs it here): a finished screen need not wait up to 10 ms.
void present_now();

// Like present_now, and waits until what was drawn is in the window, for a last drawing right
// before the process goes: 500 ms at the most, so that a stalled desktop cannot hold the
// process. True when it is in the window (or nothing is left to show).
bool present_and_wait();

// After the next pass that copies rows to the window, appends the monotonic clock in
// nanoseconds and a line end to the file at `path` (for start-up measurements).
void report_next_presentation(std::string path);

// The window system's id of the launcher's window (an X window), 0 where it has none; for
// dialogs of other programs to stay above it.
std::uint64_t window_system_id();

// The desktop's own modal box with one OK button over the window (UTF-8 texts); returns when
// it is closed. False where the desktop has none or could not show it.
bool show_desktop_box(const std::string& text, const std::string& caption);

// --- Read-only views, for tools and tests ---
bool is_open();
int width();
int height();
int work_page();
int visible_page();
// Colour index at (x, y) of a page; 0 outside it.
std::uint8_t pixel(int page, int x, int y);
// The palette as shown (components spread back to 8 bits).
std::array<Rgb, 256> palette();
// Why the last set_screen_mode could not open a window.
std::string last_window_error();

}  // namespace screen
