// The SDL2 window backend. The service thread owns everything here: it initialises SDL,
// creates the window, presents and pumps the events. Pages are copied into an 8-bit surface
// that carries the palette; blitting it to the window surface turns indices into colours.

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "screen/backend.h"
#include "screen/pointer.h"

namespace screen::backend {

namespace {

SDL_Window* window = nullptr;
SDL_Surface* indexed = nullptr;  // the visible page as last presented
SDL_Cursor* arrow = nullptr;
bool saver_was_enabled = false;

// What the events told us about the pointer and the window.
int pointer_x = 0, pointer_y = 0;  // client position of the latest pointer event
bool entered = false;              // the pointer is over the window (ENTER/LEAVE)
bool captured = false;             // we hold the capture while a button is down
bool focused = true;               // the window starts active
bool minimised = false;
std::vector<std::string> drop_files;      // the files of the drop under way
std::atomic<std::uint64_t> system_id{0};  // the X window of ours, for dialogs to attach to

Uint32 wake_event = 0;  // the user event that wake() pushes; 0 when none could be had
SDL_Event held{};       // an event that wait_for_event took from the queue
bool holding = false;

// Blits the whole picture again: after an expose or a change of display.
void show_all() {
  SDL_Surface* target = SDL_GetWindowSurface(window);
  if (target == nullptr) return;
  SDL_BlitSurface(indexed, nullptr, target, nullptr);
  SDL_UpdateWindowSurface(window);
}

// Full screen only in a display mode of exactly the window's size, so that window pixels
// stay screen pixels; when that is not possible the window stays as it is.
void toggle_full_screen() {
  const bool to_full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0;
  if (to_full) {
    const int display = SDL_GetWindowDisplayIndex(window);
    SDL_DisplayMode wanted{SDL_PIXELFORMAT_UNKNOWN, indexed->w, indexed->h, 0, nullptr};
    SDL_DisplayMode mode{};
    if (display < 0 || SDL_GetClosestDisplayMode(display, &wanted, &mode) == nullptr ||
        mode.w != indexed->w || mode.h != indexed->h ||
        SDL_SetWindowDisplayMode(window, &mode) != 0)
      return;
  }
  if (SDL_SetWindowFullscreen(window, to_full ? SDL_WINDOW_FULLSCREEN : 0) != 0) return;
  show_all();
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
  const bool want = events::buttons() != 0;
  if (want && !captured) {
    captured = SDL_CaptureMouse(SDL_TRUE) == 0;
  } else if (!want && captured) {
    SDL_CaptureMouse(SDL_FALSE);
    captured = false;
  }
}

void set_activation(bool now_focused, bool now_minimised) {
  focused = now_focused;
  minimised = now_minimised;
  events::activation(focused && !minimised);
  update_capture();
}

void handle_window_event(const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      events::close_requested();
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      show_all();
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      set_activation(true, minimised);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      set_activation(false, minimised);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      set_activation(focused, true);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      set_activation(focused, false);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      // The maximise button switches to full screen instead of growing the window.
      SDL_RestoreWindow(window);
      toggle_full_screen();
      break;
    default:
      break;
  }
}

// Notes where the pointer is before an event is handled.
void track_pointer(const SDL_Event& e) {
  if (e.type == SDL_MOUSEMOTION) {
    pointer_x = e.motion.x;
    pointer_y = e.motion.y;
  } else if (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) {
    pointer_x = e.button.x;
    pointer_y = e.button.y;
  } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_ENTER) {
    entered = true;
    SDL_GetMouseState(&pointer_x, &pointer_y);
  } else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_LEAVE) {
    entered = false;
  }
}

// Over the client area: inside its rectangle, and over the window or held there by the
// capture (a captured drag outside reports positions beyond the edges).
bool pointer_inside() {
  const bool in_rect =
      pointer_x >= 0 && pointer_y >= 0 && pointer_x < indexed->w && pointer_y < indexed->h;
  return in_rect && (entered || captured);
}

void handle(const SDL_Event& e) {
  track_pointer(e);
  events::inside(pointer_inside());
  switch (e.type) {
    case SDL_MOUSEMOTION:
      events::moved(e.motion.x, e.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (const int bit = button_bit(e.button.button)) events::pressed(bit);
      update_capture();
      break;
    case SDL_MOUSEBUTTONUP:
      if (const int bit = button_bit(e.button.button)) events::released(bit);
      update_capture();
      break;
    case SDL_MOUSEWHEEL: {
      const Sint32 y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      if (y != 0) events::wheel(y > 0 ? 1 : -1);
      break;
    }
    case SDL_KEYDOWN:
      if ((e.key.keysym.sym == SDLK_RETURN || e.key.keysym.sym == SDLK_KP_ENTER) &&
          (e.key.keysym.mod & KMOD_ALT) != 0 && e.key.repeat == 0)
        toggle_full_screen();
      break;
    case SDL_WINDOWEVENT:
      handle_window_event(e.window);
      break;
    case SDL_DROPBEGIN:
      drop_files.clear();
      break;
    case SDL_DROPFILE:
      if (e.drop.file != nullptr) drop_files.emplace_back(e.drop.file);
      SDL_free(e.drop.file);
      break;
    case SDL_DROPCOMPLETE:
      // One file installs as if chosen; several at once are not a choice.
      if (drop_files.size() == 1) events::dropped(drop_files.front());
      drop_files.clear();
      break;
    default:
      break;  // SDL_QUIT too: only the launcher's own close button ends it
  }
}

void release_all() {
  if (arrow != nullptr) SDL_FreeCursor(arrow);
  if (indexed != nullptr) SDL_FreeSurface(indexed);
  if (window != nullptr) SDL_DestroyWindow(window);
  arrow = nullptr;
  indexed = nullptr;
  window = nullptr;
  SDL_Quit();
}

// Xlib's own handler exits from whichever thread saw the connection go, running exit
// handlers while the other thread draws: end here at once instead, children with us.
int display_lost(Display*) {
  static constexpr char line[] = "gorvex-launcher: lost the connection to the display\n";
  (void)!write(2, line, sizeof line - 1);
  _exit(1);
}

// SDL falls back to drivers that draw into memory when it finds no display; such a window
// is no window at all, unless someone asked for that driver by name.
bool shows_on_a_display() {
  const char* driver = SDL_GetCurrentVideoDriver();
  const std::string_view name = driver != nullptr ? driver : "";
  return (name != "offscreen" && name != "dummy") || SDL_getenv("SDL_VIDEODRIVER") != nullptr;
}

}  // namespace

bool wants_service_thread() {
  return true;
}

bool open(int width, int height, std::string_view title, std::string& error) {
  // Without this SDL quietly backs the window surface with software OpenGL.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Ctrl+C and SIGTERM end the launcher as they end any program.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // A small window has no reason to switch off the desktop's compositor.
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The launcher takes no typed text: an empty compose table spares SDL_Init the parsing of
  // the locale's whole one (about 20 ms). The user's setting is back before anything starts.
  const char* compose = std::getenv("XCOMPOSEFILE");
  const std::string user_compose = compose != nullptr ? compose : "";
  setenv("XCOMPOSEFILE", "/dev/null", 1);
  // Without a session bus SDL_Init would start dbus-launch to look for one; a real bus is
  // left alone.
  const bool no_bus = std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr;
  if (no_bus) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  const int init = SDL_Init(SDL_INIT_VIDEO);
  if (no_bus) unsetenv("DBUS_SESSION_BUS_ADDRESS");
  if (compose != nullptr)
    setenv("XCOMPOSEFILE", user_compose.c_str(), 1);
  else
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
  window = SDL_CreateWindow(cp1251::to_utf8(title).c_str(), SDL_WINDOWPOS_CENTERED,
                            SDL_WINDOWPOS_CENTERED, width, height, 0);
  if (window != nullptr)
    indexed = SDL_CreateRGBSurfaceWithFormat(0, width, height, 8, SDL_PIXELFORMAT_INDEX8);
  if (window == nullptr || indexed == nullptr || SDL_GetWindowSurface(window) == nullptr) {
    error = SDL_GetError();
    release_all();
    return false;
  }
  if (std::string_view(SDL_GetCurrentVideoDriver()) == "x11") XSetIOErrorHandler(display_lost);
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11)
    system_id = std::uint64_t(info.info.x11.window);
  SDL_FillRect(indexed, nullptr, 0);
  arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  if (arrow != nullptr) SDL_SetCursor(arrow);
  saver_was_enabled = SDL_IsScreenSaverEnabled() == SDL_TRUE;
  SDL_DisableScreenSaver();
  SDL_StopTextInput();  // no keyboard input, so no input method either
  SDL_RaiseWindow(window);
  pointer_x = pointer_y = 0;
  entered = captured = minimised = false;
  focused = true;
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
  SDL_Rect band{0, first, indexed->w, last - first + 1};
  SDL_Rect to = band;
  SDL_BlitSurface(indexed, &band, target, &to);
  SDL_UpdateWindowSurfaceRects(window, &band, 1);
}

void handle_events() {
  if (holding) handle(held);
  holding = false;
  SDL_Event e;
  while (SDL_PollEvent(&e)) handle(e);
}

// Before 2.0.22 SDL_WaitEventTimeout polls every few milliseconds, and an event pushed from
// another thread does not end the wait.
bool can_wait() {
#if SDL_VERSION_ATLEAST(2, 0, 22)
  SDL_version v{};
  SDL_GetVersion(&v);
  return SDL_VERSIONNUM(v.major, v.minor, v.patch) >= SDL_VERSIONNUM(2, 0, 22) && wake_event != 0;
#else
  return false;
#endif
}

void wait_for_event(int milliseconds) {
  if (holding) return;
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, milliseconds) == 1 && e.type != wake_event) {
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

}  // namespace screen::backend

namespace screen {

std::uint64_t window_system_id() {
  return backend::system_id;
}

void show_message_box(std::string_view text, std::string_view caption) {
  const std::string utf8_text = cp1251::to_utf8(text);
  const std::string utf8_caption = cp1251::to_utf8(caption);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, utf8_caption.c_str(), utf8_text.c_str(),
                               nullptr) != 0)
    std::fprintf(stderr, "%s: %s\n", utf8_caption.c_str(), utf8_text.c_str());
}

}  // namespace screen
