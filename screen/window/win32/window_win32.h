#pragma once
// The launcher window for the Windows dialogs that belong to it.

namespace screen::driver {

// The open window's HWND, or nullptr when none is open; safe from any thread.
void* native_window();

}  // namespace screen::driver
