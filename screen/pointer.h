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
// `milliseconds` (-1: no limit); true when it has. Without a service thread it only looks.
bool wait_for_pointer_change(int milliseconds);

// Sleeps: 1..99 ms exactly; 100 or more, cut short in 50 ms steps by a queued key;
// -1 until a key is queued; anything else returns at once.
void sleep_ms(int milliseconds);

// A single file dropped onto the window since the last call: true with its path (the
// system's bytes). A drop of several files is never reported.
bool take_dropped_file(std::string& path);

}  // namespace screen
