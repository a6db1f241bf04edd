// gorvex-bench-press: pointer work for the benchmark harness, through the XTest extension.
//   find TITLE   prints "X Y WIDTH HEIGHT" of the first top-level window whose name holds TITLE
//   move X Y     moves the pointer to root position (X, Y)
//   press X Y    moves there, waits 100 ms, presses the left button and prints the
//                CLOCK_MONOTONIC nanoseconds read right before the press was sent (the press
//                has reached the server when the number is printed), holds it 100 ms, releases

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

long long monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void sleep_ms(long ms) {
  const timespec t{ms / 1000, (ms % 1000) * 1000000};
  nanosleep(&t, nullptr);
}

// The window's name as raw bytes (either encoding will do for an ASCII part).
std::string name_of(Display* d, Window w) {
  XTextProperty p{};
  std::string name;
  if (XGetWMName(d, w, &p) != 0 && p.value != nullptr) {
    name.assign(reinterpret_cast<const char*>(p.value), p.nitems);
    XFree(p.value);
  }
  return name;
}

int find(Display* d, const char* title) {
  Window root_back, parent, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root_back, &parent, &children, &count) == 0) return 1;
  int result = 1;
  for (unsigned i = 0; i < count && result != 0; ++i) {
    XWindowAttributes a{};
    if (name_of(d, children[i]).find(title) == std::string::npos) continue;
    if (XGetWindowAttributes(d, children[i], &a) == 0 || a.map_state != IsViewable) continue;
    std::printf("%d %d %d %d\n", a.x, a.y, a.width, a.height);
    result = 0;
  }
  if (children != nullptr) XFree(children);
  return result;
}

void move(Display* d, int x, int y) {
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  XSync(d, False);
}

}  // namespace

int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    std::fprintf(stderr, "gorvex-bench-press: no display\n");
    return 1;
  }
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "find" && argc == 3) return find(d, argv[2]);
  if ((what == "move" || what == "press") && argc == 4) {
    move(d, std::atoi(argv[2]), std::atoi(argv[3]));
    if (what == "move") return 0;
    sleep_ms(100);
    const long long sent = monotonic_ns();
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    std::printf("%lld\n", sent);
    std::fflush(stdout);
    sleep_ms(100);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
    return 0;
  }
  std::fprintf(stderr, "usage: gorvex-bench-press find TITLE | move X Y | press X Y\n");
  return 2;
}
