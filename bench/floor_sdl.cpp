// gorvex-bench-floor-sdl: the least an SDL2 program can do to show a 640 x 480 picture, with
// the launcher's hints and start-up environment: initialise video, open one window, fill its
// surface, present it once. The moment after that present is appended, in CLOCK_MONOTONIC
// nanoseconds, to the file named by GORVEX_PRESENTED_STAMP. Then it sleeps on window events
// until it is killed. On Wayland (SDL_VIDEODRIVER=wayland) its surface goes through EGL.

#include <SDL.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int width = 640, height = 480;

void stamp() {
  const char* path = std::getenv("GORVEX_PRESENTED_STAMP");
  if (path == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fclose(f);
  }
}

}  // namespace

int main() {
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  setenv("XCOMPOSEFILE", "/dev/null", 1);
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "gorvex-bench-floor-sdl: %s\n", SDL_GetError());
    return 1;
  }
  // Wayland gives window surfaces only through EGL, as the launcher takes them there.
  if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0)
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1");
  SDL_Window* window = SDL_CreateWindow("Gorvex SDL floor", SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, width, height, 0);
  SDL_Surface* surface = window != nullptr ? SDL_GetWindowSurface(window) : nullptr;
  if (surface == nullptr) {
    std::fprintf(stderr, "gorvex-bench-floor-sdl: %s\n", SDL_GetError());
    return 1;
  }
  // Bands of colour, as a picture would be.
  for (int row = 0; row < height; ++row) {
    const SDL_Rect line{0, row, width, 1};
    SDL_FillRect(surface, &line, SDL_MapRGB(surface->format, Uint8(row / 2), 0x80, 0x40));
  }
  SDL_UpdateWindowSurface(window);
  stamp();
  for (;;) {
    SDL_Event e;
    while (SDL_WaitEventTimeout(&e, 1000) == 1) {
      if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_EXPOSED)
        SDL_UpdateWindowSurface(window);
    }
  }
}
