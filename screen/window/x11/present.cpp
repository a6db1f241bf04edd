// The X11 window's pixels: the page through the palette and the scaler into an image of the
// window's size, shown with MIT-SHM where the server offers it, else with XPutImage.

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "screen/window/x11/x11.h"

namespace screen::x11_window {

namespace {

// Where the page lies in a window of `size`: filling it at the window's scale; in any other
// size (full screen, or one a window manager imposed) the largest whole factor, or the
// window's own scale where that is larger, centred on black.
window::Placement placement_for(scale::Point size) {
  const Record& d = record;
  const window::Placement windowed = window::windowed(d.page, d.scale);
  if (size == scale::Point{windowed.width, windowed.height}) return windowed;
  const window::Placement fitted = window::fitted(size, d.page);
  double s = std::max(1.0, std::floor(fitted.scale));
  if (windowed.width <= size.x && windowed.height <= size.y) s = std::max(s, d.scale);
  window::Placement at = window::windowed(d.page, s);
  at.x = (size.x - at.width) / 2;
  at.y = (size.y - at.height) / 2;
  return at;
}

bool make_shared(Buffer& b, scale::Point size) {
  Record& d = record;
  b.image = XShmCreateImage(d.display, d.visual, unsigned(d.depth), ZPixmap, nullptr, &b.shm,
                            unsigned(size.x), unsigned(size.y));
  if (b.image == nullptr) return false;
  b.shm.shmid = shmget(IPC_PRIVATE, std::size_t(b.image->bytes_per_line) * std::size_t(size.y),
                       IPC_CREAT | 0600);
  if (b.shm.shmid >= 0) {
    b.shm.shmaddr = b.image->data = static_cast<char*>(shmat(b.shm.shmid, nullptr, 0));
    if (b.shm.shmaddr == reinterpret_cast<char*>(-1)) b.shm.shmaddr = b.image->data = nullptr;
  }
  bool attached = false;
  if (b.shm.shmaddr != nullptr) {
    b.shm.readOnly = False;
    trap_errors();
    XShmAttach(d.display, &b.shm);
    XSync(d.display, False);
    attached = !errors_trapped();
  }
  // Marked for removal at once: it goes when both sides have let go, whatever ends us.
  if (b.shm.shmid >= 0) shmctl(b.shm.shmid, IPC_RMID, nullptr);
  if (!attached) {
    if (b.shm.shmaddr != nullptr) shmdt(b.shm.shmaddr);
    b.image->data = nullptr;
    XDestroyImage(b.image);
    b.image = nullptr;
    b.shm = {};
    return false;
  }
  b.shared = true;
  return true;
}

bool make_own(Buffer& b, scale::Point size) {
  Record& d = record;
  b.own.assign(std::size_t(size.x) * std::size_t(size.y), 0);
  b.image = XCreateImage(d.display, d.visual, unsigned(d.depth), ZPixmap, 0,
                         reinterpret_cast<char*>(b.own.data()), unsigned(size.x), unsigned(size.y),
                         32, size.x * 4);
  return b.image != nullptr;
}

}  // namespace

void free_buffer() {
  Record& d = record;
  Buffer& b = d.buffer;
  if (b.image == nullptr) return;
  if (b.shared) {
    XShmDetach(d.display, &b.shm);
    XSync(d.display, False);
    shmdt(b.shm.shmaddr);
  }
  b.image->data = nullptr;  // ours, not Xlib's to free
  XDestroyImage(b.image);
  d.buffer = Buffer{};
}

bool fit_buffer() {
  Record& d = record;
  // A window larger than the screen and its own windowed size shows no more: the buffer
  // stays that small, whatever size the window is given.
  const window::Placement windowed = window::windowed(d.page, d.scale);
  const int most_x = std::max(DisplayWidth(d.display, d.screen), windowed.width);
  const int most_y = std::max(DisplayHeight(d.display, d.screen), windowed.height);
  const scale::Point size{std::clamp(d.size.x, 1, most_x), std::clamp(d.size.y, 1, most_y)};
  if (d.buffer.image == nullptr || d.buffer.size != size) {
    free_buffer();
    if (!(d.shm_offered && make_shared(d.buffer, size))) {
      d.shm_offered = false;  // a server far away, or one that refused the segment
      if (!make_own(d.buffer, size)) return false;
    }
    if (d.buffer.image->bits_per_pixel != 32) {
      free_buffer();
      return false;
    }
    d.buffer.size = size;
  }
  d.scaler.place(size, placement_for(size));
  d.scaler.paint_all(reinterpret_cast<std::uint32_t*>(d.buffer.image->data),
                     d.buffer.image->bytes_per_line);
  show_area(0, 0, size.x, size.y);
  return true;
}

void show_area(int x, int y, int width, int height) {
  Record& d = record;
  const Buffer& b = d.buffer;
  // Nothing shows before the window is mapped; its first Expose shows all.
  if (b.image == nullptr || !d.mapped) return;
  x = std::clamp(x, 0, b.size.x);
  y = std::clamp(y, 0, b.size.y);
  width = std::min(width, b.size.x - x);
  height = std::min(height, b.size.y - y);
  if (width <= 0 || height <= 0) return;
  if (b.shared) {
    XShmPutImage(d.display, d.window, d.gc, b.image, x, y, x, y, unsigned(width), unsigned(height),
                 False);
    XSync(d.display, False);  // the server has read the pixels before we write them again
  } else {
    XPutImage(d.display, d.window, d.gc, b.image, x, y, x, y, unsigned(width), unsigned(height));
    XFlush(d.display);
  }
}

void set_palette(const std::array<Rgb, 256>& palette) {
  record.scaler.set_palette(palette);
}

void present(const std::uint8_t* page, int width, int first, int last) {
  Record& d = record;
  const scale::Point kept = d.scaler.keep(page, width, first, last);
  if (d.buffer.image == nullptr || kept.y < kept.x) return;
  const scale::Point rows =
      d.scaler.paint(kept.x, kept.y, reinterpret_cast<std::uint32_t*>(d.buffer.image->data),
                     d.buffer.image->bytes_per_line);
  if (rows.y >= rows.x) show_area(0, rows.x, d.buffer.size.x, rows.y - rows.x + 1);
}

}  // namespace screen::x11_window
