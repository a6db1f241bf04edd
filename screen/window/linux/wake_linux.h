#pragma once
// How the Linux drivers' waits are woken: one descriptor for the process, made on first use
// and never closed, so that a wake from any thread at any time reaches the next wait, and a
// wake that comes before the wait is kept until it.

namespace screen::window {

// The descriptor that wake_waits() makes readable, for the driver's poll; -1 when the system
// could not make one (the driver then cannot open).
int wake_descriptor();

// Makes the descriptor readable: the current or next poll on it ends.
void wake_waits();

// Takes the wakes that came, after a poll saw the descriptor readable.
void take_wakes();

}  // namespace screen::window
