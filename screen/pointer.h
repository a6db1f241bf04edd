#pragma once
// Pointer input and timed waits. The service thread keeps the pointer state from the window's
// events; the program thread polls it.

#include <cstdint>
#include <string>
#include <string_view>

namespace screen {

// Pointer x, y, wheel count and held buttons (1 left, 2 right, 4 middle, 8 and 16 extra).
// Returns 1 with -1 in all four when the window is inactive or the pointer is outside it.
// A button pressed since the previous poll is reported held for this poll even if already
// released, so that a click shorter than one poll is not lost.
int get_pointer(int& x, int& y, int& wheel, int& buttons);

// Waits until the pointer state has changed since the previous get_pointer, at most
// `milliseconds`; true when it has. Without a service thread it only looks.
bool wait_for_pointer_change(int milliseconds);

// Sleeps: 1..99 ms exactly; 100 or more, cut short in 50 ms steps by a queued key;
// -1 until a key is queued; anything else returns at once.
void sleep_ms(int milliseconds);

// Window events, for backends (called with the screen lock held).
// A single file dropped onto the window since the last call: true with its path (the
// system's bytes). A drop of several files is never reported.
bool take_dropped_file(std::string& path);

namespace events {
void inside(bool is_inside);   // pointer over the client area at this event
void moved(int x, int y);      // client coordinates
void pressed(int button_bit);  // a press or a double click
void released(int button_bit);
void wheel(int step);                 // +1 away from the user, -1 towards
void activation(bool active);         // activated and not minimised, or not
void close_requested();               // queues the window-close key
void dropped(std::string_view path);  // one file dropped onto the window
int buttons();                        // held buttons, for capture decisions
}  // namespace events

// The key code that a close request queues.
constexpr int key_window_close = 0x100;

}  // namespace screen
