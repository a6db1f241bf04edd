// The SDL2 window backend. The service thread owns everything here: it initialises SDL,
// creates the window, presents and pumps the events. Pages are copied into an 8-bit surface
// that carries the palette; the present step turns indices into colours and enlarges the page
// by a whole factor (the desktop's scale in a window, the largest that fits full screen),
// pixel for pixel, so that the pixel font stays sharp.

#include <SDL.h>
#include <SDL_syswm.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "screen/scale.h"
#include "screen/window/driver.h"
#include "screen/window/linux/desktops.h"
#include "screen/window/sdl/desktop_sdl.h"
#include "screen/window_icon.h"

namespace screen::sdl_window {

using driver::Event;
using driver::EventKind;

namespace {

SDL_Window* window = nullptr;
SDL_Surface* indexed = nullptr;  // the visible page as last presented
SDL_Cursor* arrow = nullptr;
bool saver_was_enabled = false;

// Where the page is in the window surface: its corner and the screen pixels per page pixel.
int windowed_factor = 1;  // in a window: the desktop's whole scale
int density = 1;          // surface pixels per window point (events come in points)
int factor = 1;
scale::Point origin{};
scale::Point placed_for{};    // the surface size that factor and origin were worked out for
Uint32 colour_map[256] = {};  // palette entries in the window surface's pixel format
const SDL_PixelFormat* mapped_for = nullptr;

// What the events told us about the pointer and the window.
int pointer_x = 0, pointer_y = 0;  // page position of the latest pointer event
bool captured = false;             // we hold the capture while a button is down
int held_buttons = 0;              // buttons down, as the events told
std::vector<Event> pending;        // events for the core's next look
std::vector<std::string> drop_files;  // the files of the drop under way
std::atomic<bool> on_wayland{false};  // the window is a native Wayland one

Uint32 wake_event = 0;  // the user event that wake() pushes; 0 when none could be had
SDL_Event held{};       // an event that wait_for_event took from the queue
bool holding = false;

scale::Point page_size() {
  return {indexed->w, indexed->h};
}

// The largest whole factor that fits the surface, the page centred: in a window of the
// desktop's scale that is that scale; full screen, the most the screen holds.
void place_page(const SDL_Surface* target) {
  placed_for = {target->w, target->h};
  // Where the system scales windows itself, the surface may hold more pixels than the window
  // has points (or SDL may scale a surface of points itself, as on Wayland).
  int points_wide = 0, points_high = 0;
  SDL_GetWindowSize(window, &points_wide, &points_high);
  density = points_wide > 0 ? std::max(1, target->w / points_wide) : 1;
  // Enlarged only where the surface has 4-byte pixels, as every usual display does.
  factor = target->format->BytesPerPixel == 4 ? scale::fitting_factor(placed_for, page_size()) : 1;
  origin = scale::centred_origin(placed_for, page_size(), factor);
}

// Copies page rows first..last (both included) to the surface at the factor, clipped to it.
void paint(SDL_Surface* target, int first, int last) {
  if (factor == 1 || target->format->BytesPerPixel != 4) {  // SDL's blit: unscaled
    SDL_Rect band{0, first, indexed->w, last - first + 1};
    SDL_Rect to{origin.x, origin.y + first, band.w, band.h};
    SDL_BlitSurface(indexed, &band, target, &to);
    return;
  }
  if (mapped_for != target->format) {
    const SDL_Color* c = indexed->format->palette->colors;
    for (int i = 0; i < 256; ++i)
      colour_map[i] = SDL_MapRGB(target->format, c[i].r, c[i].g, c[i].b);
    mapped_for = target->format;
  }
  const int x_from = std::max(0, -origin.x / factor);
  const int x_to = std::min(indexed->w, (target->w - origin.x + factor - 1) / factor);
  for (int y = first; y <= last; ++y) {
    const auto* source = static_cast<const std::uint8_t*>(indexed->pixels) + y * indexed->pitch;
    for (int j = 0; j < factor; ++j) {
      const int ty = origin.y + y * factor + j;
      if (ty < 0 || ty >= target->h) continue;
      auto* row = reinterpret_cast<Uint32*>(static_cast<std::uint8_t*>(target->pixels) +
                                            std::size_t(ty) * std::size_t(target->pitch));
      for (int x = x_from; x < x_to; ++x) {
        const Uint32 colour = colour_map[source[x]];
        for (int i = 0, tx = origin.x + x * factor; i < factor; ++i, ++tx)
          if (tx >= 0 && tx < target->w) row[tx] = colour;
      }
    }
  }
}

// Paints the whole picture again, black around it: after an expose or a change of display.
void show_all() {
  SDL_Surface* target = SDL_GetWindowSurface(window);
  if (target == nullptr) return;
  place_page(target);
  SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
  paint(target, 0, indexed->h - 1);
  SDL_UpdateWindowSurface(window);
}

// The window at the desktop's scale.
void size_window() {
  SDL_SetWindowSize(window, indexed->w * windowed_factor, indexed->h * windowed_factor);
  SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

// Full screen in a display mode of the page's own size where the display has one; else over
// the desktop as it is, the page enlarged by the largest whole factor and centred on black.
// Back in a window at the desktop's scale. Wayland's modes are only the compositor blurring a
// smaller surface: there it is always the desktop as it is.
bool is_full_screen() {
  return window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool set_full_screen(bool on) {
  if (window == nullptr) return false;
  if (on == is_full_screen()) return true;
  if (!on) {
    if (SDL_SetWindowFullscreen(window, 0) != 0) return false;
    size_window();
    show_all();
    return true;
  }
  const int display = SDL_GetWindowDisplayIndex(window);
  SDL_DisplayMode wanted{SDL_PIXELFORMAT_UNKNOWN, indexed->w, indexed->h, 0, nullptr};
  SDL_DisplayMode mode{};
  const bool own_mode = !on_wayland && display >= 0 &&
                        SDL_GetClosestDisplayMode(display, &wanted, &mode) != nullptr &&
                        mode.w == indexed->w && mode.h == indexed->h &&
                        SDL_SetWindowDisplayMode(window, &mode) == 0;
  if (SDL_SetWindowFullscreen(
          window, own_mode ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
    return false;
  show_all();
  return true;
}

// The desktop's scale in percent: GDK_SCALE when it is a whole number, else the X
// resources' Xft.dpi (96 is 100 %), else 100.
int desktop_percent(const SDL_SysWMinfo& info) {
  if (const char* gdk = std::getenv("GDK_SCALE")) {
    char* end = nullptr;
    const long n = std::strtol(gdk, &end, 10);
    if (end != gdk && *end == '\0' && n >= 1 && n <= 16) return int(n) * 100;
  }
  return info.subsystem == SDL_SYSWM_X11 ? x11::resources_percent(info) : 100;
}

int button_bit(Uint8 sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT:
      return 1;
    case SDL_BUTTON_RIGHT:
      return 2;
    case SDL_BUTTON_MIDDLE:
      return 4;
    case SDL_BUTTON_X1:
      return 8;
    case SDL_BUTTON_X2:
      return 16;
    default:
      return 0;
  }
}

// Holds the capture while any button is down, so that a drag outside keeps reporting.
void update_capture() {
  const bool want = held_buttons != 0;
  if (want && !captured) {
    captured = SDL_CaptureMouse(SDL_TRUE) == 0;
  } else if (!want && captured) {
    SDL_CaptureMouse(SDL_FALSE);
    captured = false;
  }
}

void push(EventKind kind, bool on) {
  Event e{kind};
  e.on = on;
  pending.push_back(std::move(e));
}

void handle_window_event(const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      pending.push_back({EventKind::close_request});
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      show_all();
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
      push(EventKind::focus, e.event == SDL_WINDOWEVENT_FOCUS_GAINED);
      held_buttons = 0;  // the core forgets them too
      update_capture();
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
      push(EventKind::minimised, e.event == SDL_WINDOWEVENT_MINIMIZED);
      held_buttons = 0;
      update_capture();
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      // The window keeps its size; what a maximise means is the core's.
      SDL_RestoreWindow(window);
      pending.push_back({EventKind::maximise});
      break;
    default:
      break;
  }
}

// The page pixel under a window point.
void set_pointer(int window_x, int window_y) {
  // Where the system counts the window in points of several pixels, its events do too.
  const scale::Point p =
      scale::page_point({window_x * density, window_y * density}, origin, factor);
  pointer_x = p.x;
  pointer_y = p.y;
}

// Hands the pointer's events to the core, positions as page pixels.
void handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      set_pointer(e.motion.x, e.motion.y);
      pending.push_back({EventKind::motion, pointer_x, pointer_y});
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      set_pointer(e.button.x, e.button.y);
      pending.push_back({EventKind::motion, pointer_x, pointer_y});
      if (const int bit = button_bit(e.button.button)) {
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        pending.push_back({down ? EventKind::press : EventKind::release, 0, 0, bit});
        held_buttons = down ? held_buttons | bit : held_buttons & ~bit;
      }
      update_capture();
      break;
    case SDL_MOUSEWHEEL: {
      const Sint32 y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      if (y != 0) pending.push_back({EventKind::wheel, 0, 0, 0, y > 0 ? 1 : -1});
      break;
    }
    case SDL_KEYDOWN:
      if ((e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER) &&
          (e.key.keysym.mod & KMOD_ALT) != 0 && e.key.repeat == 0)
        pending.push_back({EventKind::full_screen_key});
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_ENTER) {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        set_pointer(x, y);
        pending.push_back({EventKind::enter, pointer_x, pointer_y});
      } else if (e.window.event == SDL_WINDOWEVENT_LEAVE) {
        pending.push_back({EventKind::leave});
      }
      handle_window_event(e.window);
      break;
    case SDL_DROPBEGIN:
      drop_files.clear();
      break;
    case SDL_DROPFILE:
      if (e.drop.file != nullptr) drop_files.emplace_back(e.drop.file);
      SDL_free(e.drop.file);
      break;
    case SDL_DROPCOMPLETE: {
      Event drop{EventKind::drop};
      drop.files = std::move(drop_files);
      drop_files.clear();
      pending.push_back(std::move(drop));
      break;
    }
    case SDL_QUIT:  // only the launcher's own close button ends it, or a lost compositor
      if (on_wayland && wayland::connection_lost()) pending.push_back({EventKind::lost});
      break;
    default:
      break;
  }
}

void release_all() {
  x11::forget();
  wayland::forget();
  if (arrow != nullptr) SDL_FreeCursor(arrow);
  if (indexed != nullptr) SDL_FreeSurface(indexed);
  if (window != nullptr) SDL_DestroyWindow(window);
  arrow = nullptr;
  indexed = nullptr;
  window = nullptr;
  SDL_Quit();
}

// SDL falls back to drivers that draw into memory when it finds no display; such a window
// is no window at all, unless someone asked for that driver by name.
bool shows_on_a_display() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const std::string_view name = driver != nullptr ? driver : "";
  return (name != "offscreen" && name != "dummy") || SDL_getenv("SDL_VIDEODRIVER") != nullptr;
}

// Starts SDL on `drivers` (nullptr: SDL's own choice or the player's SDL_VIDEODRIVER) and
// opens the hidden window with its page; on failure everything is undone and `error` says why.
bool open_on(const char* drivers, int width, int height, std::string_view title,
             std::string& error) {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers);
  // Without this SDL quietly backs an X11 window surface with software OpenGL.
  SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The launcher takes no typed text: on X11 an empty compose table spares SDL_Init the
  // parsing of the locale's whole one (about 20 ms). Wayland's keyboard reads the same
  // setting and complains about the empty one, so it is left alone there. The user's setting
  // is back before anything starts.
  const char* chosen = drivers != nullptr ? drivers : std::getenv("SDL_VIDEODRIVER");
  const bool spare_compose =
      chosen != nullptr ? std::string_view(chosen) == "x11" : std::getenv("DISPLAY") != nullptr;
  const char* compose = std::getenv("XCOMPOSEFILE");
  const std::string user_compose = compose != nullptr ? compose : "";
  if (spare_compose) setenv("XCOMPOSEFILE", "/dev/null", 1);
  // Without a session bus SDL_Init would start dbus-launch to look for one; a real bus is
  // left alone.
  const bool no_bus = std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr;
  if (no_bus) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  x11::before_init();
  const int init = SDL_Init(SDL_INIT_VIDEO);
  if (no_bus) unsetenv("DBUS_SESSION_BUS_ADDRESS");
  if (spare_compose && compose != nullptr)
    setenv("XCOMPOSEFILE", user_compose.c_str(), 1);
  else if (spare_compose)
    unsetenv("XCOMPOSEFILE");
  if (init != 0) {
    error = SDL_GetError();
    SDL_Quit();
    return false;
  }
  if (!shows_on_a_display()) {
    error = std::string("no display to show it on (SDL fell back to its \"") +
            SDL_GetCurrentVideoDriver() + "\" video driver; is DISPLAY set?)";
    SDL_Quit();
    return false;
  }
  on_wayland = std::string_view(SDL_GetCurrentVideoDriver()) == "wayland";
  // SDL's Wayland driver draws no window surface of its own: it gets one through EGL, also
  // where the player's environment asks SDL for none.
  if (on_wayland)
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1", SDL_HINT_OVERRIDE);
  window = SDL_CreateWindow(cp1251::to_utf8(title).c_str(), SDL_WINDOWPOS_CENTERED,
                            SDL_WINDOWPOS_CENTERED, width, height,
                            SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (window != nullptr)
    indexed = SDL_CreateRGBSurfaceWithFormat(0, width, height, 8, SDL_PIXELFORMAT_INDEX8);
  if (window == nullptr || indexed == nullptr || SDL_GetWindowSurface(window) == nullptr) {
    error = SDL_GetError();
    if (error.empty())
      error =
          std::string("SDL's ") + SDL_GetCurrentVideoDriver() + " driver gave no window surface";
    release_all();
    return false;
  }
  return true;
}

}  // namespace

bool open(int width, int height, std::string_view title, bool, std::string& error) {
  // Ctrl+C and SIGTERM end the launcher as they end any program.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A small window has no reason to switch off the desktop's compositor.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Native Wayland where it gives a proper window: sharp at the desktop's scale, which
  // XWayland is not. Else X11 quietly; a player's own SDL_VIDEODRIVER wins over both.
  const bool wayland_first =
      std::getenv("SDL_VIDEODRIVER") == nullptr && wayland::gives_a_proper_window();
  bool opened = false;
  if (wayland_first) {
    opened = open_on("wayland", width, height, title, error);
    const char* display = std::getenv("DISPLAY");
    if (!opened && display != nullptr && *display != '\0') {
      const std::string on_wayland_error = error;
      opened = open_on("x11", width, height, title, error);
      if (!opened) error += " (on Wayland: " + on_wayland_error + ")";
    }
  } else {
    opened = open_on(nullptr, width, height, title, error);
  }
  if (!opened) {
    if (error.empty()) error = "SDL gave no reason";
    return false;
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  const bool known = SDL_GetWindowWMInfo(window, &info) == SDL_TRUE;
  if (known && info.subsystem == SDL_SYSWM_X11) x11::opened(info);
  if (known && info.subsystem == SDL_SYSWM_WAYLAND) wayland::opened(info);
  // As large as the desktop's scale asks, as far as its usable part holds it.
  SDL_Rect work{0, 0, width, height};
  const int display = SDL_GetWindowDisplayIndex(window);
  if (display >= 0) SDL_GetDisplayUsableBounds(display, &work);
  // A system that scales windows itself (Wayland) draws more pixels than the window has
  // points: the page is enlarged there sharply, and the window keeps its size.
  int pixels_wide = width, points_wide = width, high = height;
  SDL_GetWindowSizeInPixels(window, &pixels_wide, &high);
  SDL_GetWindowSize(window, &points_wide, &high);
  const bool system_scales = pixels_wide > points_wide;
  windowed_factor = system_scales ? 1
                                  : scale::window_factor(known ? desktop_percent(info) : 100,
                                                         {work.w, work.h}, {width, height}, {0, 0});
  if (windowed_factor > 1) size_window();
  // Bytes R, G, B, A in memory: SDL's "ABGR8888" on a little-endian machine, RGBA32 anywhere.
  if (SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
          const_cast<unsigned char*>(window_icon_rgba), window_icon_size, window_icon_size, 32,
          window_icon_size * 4, SDL_PIXELFORMAT_RGBA32)) {
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
  }
  SDL_ShowWindow(window);
  mapped_for = nullptr;
  factor = windowed_factor;
  origin = {};
  density = 1;
  SDL_FillRect(indexed, nullptr, 0);
  arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  if (arrow != nullptr) SDL_SetCursor(arrow);
  saver_was_enabled = SDL_IsScreenSaverEnabled() == SDL_TRUE;
  SDL_DisableScreenSaver();
  SDL_StopTextInput();  // no keyboard input, so no input method either
  SDL_RaiseWindow(window);
  pointer_x = pointer_y = 0;
  captured = false;
  held_buttons = 0;
  pending.clear();
  holding = false;
  const Uint32 registered = SDL_RegisterEvents(1);
  wake_event = registered != Uint32(-1) ? registered : 0;
  return true;
}

void set_title(std::string_view title) {
  if (window != nullptr) SDL_SetWindowTitle(window, cp1251::to_utf8(title).c_str());
}

void set_palette(const std::array<Rgb, 256>& palette) {
  if (indexed == nullptr) return;
  SDL_Color colours[256];
  for (std::size_t i = 0; i < palette.size(); ++i)
    colours[i] = {palette[i].red, palette[i].green, palette[i].blue, SDL_ALPHA_OPAQUE};
  SDL_SetPaletteColors(indexed->format->palette, colours, 0, 256);
  mapped_for = nullptr;  // the colours change: map them anew
}

void present(const std::uint8_t* page, int width, int first, int last) {
  if (indexed == nullptr || first < 0 || last >= indexed->h || first > last) return;
  const int row_bytes = width < indexed->w ? width : indexed->w;
  auto* pixels = static_cast<std::uint8_t*>(indexed->pixels);
  for (int y = first; y <= last; ++y)
    std::memcpy(pixels + std::size_t(y) * std::size_t(indexed->pitch),
                page + std::size_t(y) * std::size_t(width), std::size_t(row_bytes));
  SDL_Surface* target = SDL_GetWindowSurface(window);
  if (target == nullptr) return;
  if (placed_for != scale::Point{target->w, target->h}) {  // resized: all of it, anew
    show_all();
    return;
  }
  paint(target, first, last);
  SDL_Rect band{origin.x, origin.y + first * factor, indexed->w * factor,
                (last - first + 1) * factor};
  SDL_Rect all{0, 0, target->w, target->h};
  SDL_Rect shown{};
  if (SDL_IntersectRect(&band, &all, &shown) == SDL_TRUE)
    SDL_UpdateWindowSurfaceRects(window, &shown, 1);
}

void take_events(std::vector<Event>& events) {
  if (holding) handle(held);
  holding = false;
  SDL_Event e;
  while (SDL_PollEvent(&e)) handle(e);
  for (Event& event : pending) events.push_back(std::move(event));
  pending.clear();
}

void wait_for_event(int milliseconds) {
  if (holding) return;
  SDL_Event e;
  const int got = milliseconds < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, milliseconds);
  if (got == 1 && e.type != wake_event) {
    held = e;
    holding = true;
  }
}

void wake() {
  if (wake_event == 0) return;
  SDL_Event e{};
  e.type = wake_event;
  SDL_PushEvent(&e);
}

void close() {
  if (window == nullptr) return;
  if (captured) SDL_CaptureMouse(SDL_FALSE);
  captured = false;
  if (saver_was_enabled) SDL_EnableScreenSaver();
  release_all();
}

std::uint64_t window_id() {
  return x11::window_id();
}

// SDL's own box on X11; on Wayland SDL's box starts zenity in a way that fails on some
// compositors, so the box is left to the launcher's dialog programs there.
bool show_box(const std::string& text, const std::string& caption) {
  if (on_wayland) return false;
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(),
                                  nullptr) == 0;
}

}  // namespace screen::sdl_window

namespace screen::linux_window {

// SDL serves X11, and Wayland too where it is chosen there.
const Desktop x11_desktop{"x11",
                          sdl_window::open,
                          sdl_window::set_title,
                          sdl_window::set_palette,
                          sdl_window::present,
                          sdl_window::take_events,
                          sdl_window::wait_for_event,
                          sdl_window::wake,
                          sdl_window::set_full_screen,
                          sdl_window::is_full_screen,
                          sdl_window::close,
                          sdl_window::window_id,
                          sdl_window::show_box};

}  // namespace screen::linux_window
