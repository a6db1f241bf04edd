// gorvex-bench-floor: the least a program can do to show a 640 x 480 picture with raw Xlib:
// open the display, map a window in the middle of the screen, put one image once the window
// is exposed. The moment that image has reached the server (after XSync) is appended, in
// CLOCK_MONOTONIC nanoseconds, to the file named by GORVEX_PRESENTED_STAMP. Then, like the
// launcher, it polls the pointer every 10 ms and repaints on exposure until it is killed.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "stamp.h"

namespace {

constexpr int width = 640, height = 480;

}  // namespace

int main() {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) {
    std::fprintf(stderr, "gorvex-bench-floor: no display\n");
    return 1;
  }
  const int s = DefaultScreen(d);
  const Window root = RootWindow(d, s);
  const int x = (DisplayWidth(d, s) - width) / 2;
  const int y = (DisplayHeight(d, s) - height) / 2;
  const Window w = XCreateSimpleWindow(d, root, x, y, width, height, 0, 0, 0);
  XStoreName(d, w, "Gorvex floor");
  XSelectInput(d, w, ExposureMask);
  XMapWindow(d, w);

  // A 32-bit-per-pixel image in the visual's layout: bands of colour, as a picture would be.
  std::vector<std::uint32_t> pixels(std::size_t(width) * height);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      pixels[std::size_t(row) * width + col] =
          std::uint32_t(row / 2) << 16 | std::uint32_t(col / 3) << 8 | 0x40;
  XImage* image = XCreateImage(d, DefaultVisual(d, s), unsigned(DefaultDepth(d, s)), ZPixmap, 0,
                               reinterpret_cast<char*>(pixels.data()), width, height, 32, 0);
  const GC gc = DefaultGC(d, s);

  bool stamped = false;
  for (;;) {
    while (XPending(d) > 0) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type != Expose || e.xexpose.count != 0) continue;
      XPutImage(d, w, gc, image, 0, 0, 0, 0, width, height);
      XSync(d, False);
      if (!stamped) bench::stamp(bench::monotonic_ns());
      stamped = true;
    }
    if (!stamped) {
      // Until the first exposure there is nothing to poll: wait for it.
      XEvent e;
      XPeekEvent(d, &e);
      continue;
    }
    Window r, child;
    int rx, ry, wx, wy;
    unsigned mask;
    XQueryPointer(d, w, &r, &child, &rx, &ry, &wx, &wy, &mask);
    const timespec ten_ms{0, 10000000};
    nanosleep(&ten_ms, nullptr);
  }
}
