// libgorvex-bench-probe.so: a preload library that shows where the launcher's start-up time
// goes. It wraps a few SDL2 calls and appends "NAME ENTER_NS LEAVE_NS" lines (CLOCK_MONOTONIC)
// to the file named by GORVEX_PROBE; "loaded" marks the end of dynamic loading.
//   GORVEX_PROBE=/tmp/p LD_PRELOAD=.../libgorvex-bench-probe.so ./gorvex-launcher

#include <SDL.h>
#include <dlfcn.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

long long now_ns() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void note(const char* name, long long enter, long long leave) {
  const char* path = std::getenv("GORVEX_PROBE");
  if (path == nullptr) return;
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s %lld %lld\n", name, enter, leave);
    std::fclose(f);
  }
}

template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void loaded() {
  const long long t = now_ns();
  note("loaded", t, t);
}

}  // namespace

extern "C" {

int SDL_Init(Uint32 flags) {
  static auto real = next<int (*)(Uint32)>("SDL_Init");
  const long long t = now_ns();
  const int r = real(flags);
  note("SDL_Init", t, now_ns());
  return r;
}

SDL_Window* SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags) {
  static auto real =
      next<SDL_Window* (*)(const char*, int, int, int, int, Uint32)>("SDL_CreateWindow");
  const long long t = now_ns();
  SDL_Window* r = real(title, x, y, w, h, flags);
  note("SDL_CreateWindow", t, now_ns());
  return r;
}

SDL_Surface* SDL_GetWindowSurface(SDL_Window* window) {
  static auto real = next<SDL_Surface* (*)(SDL_Window*)>("SDL_GetWindowSurface");
  static std::atomic<bool> first{true};
  const long long t = now_ns();
  SDL_Surface* r = real(window);
  if (first.exchange(false)) note("SDL_GetWindowSurface(first)", t, now_ns());
  return r;
}

void SDL_DisableScreenSaver(void) {
  static auto real = next<void (*)()>("SDL_DisableScreenSaver");
  const long long t = now_ns();
  real();
  note("SDL_DisableScreenSaver", t, now_ns());
}

void SDL_RaiseWindow(SDL_Window* window) {
  static auto real = next<void (*)(SDL_Window*)>("SDL_RaiseWindow");
  const long long t = now_ns();
  real(window);
  note("SDL_RaiseWindow", t, now_ns());
}

int SDL_UpdateWindowSurfaceRects(SDL_Window* window, const SDL_Rect* rects, int n) {
  static auto real =
      next<int (*)(SDL_Window*, const SDL_Rect*, int)>("SDL_UpdateWindowSurfaceRects");
  const long long t = now_ns();
  const int r = real(window, rects, n);
  const long long done = now_ns();
  char name[64];
  std::snprintf(name, sizeof name, "present(y=%d,h=%d)", n > 0 ? rects[0].y : -1,
                n > 0 ? rects[0].h : 0);
  note(name, t, done);
  return r;
}

int SDL_UpdateWindowSurface(SDL_Window* window) {
  static auto real = next<int (*)(SDL_Window*)>("SDL_UpdateWindowSurface");
  const long long t = now_ns();
  const int r = real(window);
  note("present(all)", t, now_ns());
  return r;
}

}  // extern "C"
