#pragma once
// The desktops' own parts behind the SDL backend: what only X11 or only Wayland needs, each
// in a file named for it. The SDL backend calls them from the service thread.

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace screen::x11 {

// Before SDL_Init: protocol errors about windows already gone are passed over (SDL keeps the
// handler it finds and puts it back when it quits).
void before_init();

// Once the window is open: a lost connection ends the launcher at once with a line on
// stderr; the window's id is kept for dialogs to attach to.
void opened(const SDL_SysWMinfo& info);

// The X window of ours, 0 before opened() and after forget().
std::uint64_t window_id();
void forget();

// The desktop's scale in percent from the X resources' Xft.dpi (96 is 100 %); 100 if unset.
int resources_percent(const SDL_SysWMinfo& info);

}  // namespace screen::x11

namespace screen::wayland {

// Whether the Wayland display named by WAYLAND_DISPLAY can give the launcher a proper
// window: it answers, offers a seat and xdg-shell, and either draws title bars itself or a
// libdecor plugin is installed to draw them. Asks the compositor once (one round trip).
bool gives_a_proper_window();

// Once the window is open on Wayland: the connection, for telling a lost compositor apart.
void opened(const SDL_SysWMinfo& info);
void forget();

// Whether the connection to the compositor has failed (SDL only reports a quit then).
bool connection_lost();

}  // namespace screen::wayland
