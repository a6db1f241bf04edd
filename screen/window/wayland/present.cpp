// Shared-memory buffers at the window's pixel size and the page painted into them: two
// buffers, each repainted only where the page changed since it was last shown.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "screen/window/wayland/wayland.h"
#include "viewporter-client-protocol.h"

namespace screen::wayland_window {

namespace {

constexpr int units = 120;  // fractional scales come in 120ths

void buffer_release(void* data, wl_buffer*) {
  static_cast<Buffer*>(data)->busy = false;
  if (record.show_due) show();
}
constexpr wl_buffer_listener buffer_listener = [] {
  wl_buffer_listener on{};
  on.release = buffer_release;
  return on;
}();

int stride() {
  return record.buffer_size.x * 4;
}

bool make_buffers(scale::Point size) {
  const std::size_t one = std::size_t(size.x) * 4 * std::size_t(size.y);
  const std::size_t bytes = one * record.buffers.size();
  const int fd = memfd_create("gorvex-window", MFD_CLOEXEC);
  if (fd < 0) return false;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, off_t(bytes)) == 0)
    memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    ::close(fd);
    return false;
  }
  wl_shm_pool* pool = wl_shm_create_pool(record.shm, fd, std::int32_t(bytes));
  for (std::size_t i = 0; i < record.buffers.size(); ++i) {
    Buffer& buffer = record.buffers[i];
    buffer = Buffer{};
    buffer.buffer = wl_shm_pool_create_buffer(pool, std::int32_t(i * one), size.x, size.y,
                                              size.x * 4, WL_SHM_FORMAT_XRGB8888);
    buffer.pixels = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(memory) + i * one);
    wl_buffer_add_listener(buffer.buffer, &buffer_listener, &buffer);
  }
  wl_shm_pool_destroy(pool);
  ::close(fd);
  record.pool_memory = memory;
  record.pool_bytes = bytes;
  record.buffer_size = size;
  return true;
}

// The scale in 120ths the page is drawn at now.
int scale_units() {
  if (record.viewport != nullptr && record.preferred_units > 0) return record.preferred_units;
  return units * (record.preferred_integer > 0 ? record.preferred_integer : output_scale());
}

// The most pixels a buffer may have a side: what the largest output shows, never more than
// 8192; 4096 where no output tells its mode.
scale::Point largest_output() {
  scale::Point most{};
  for (const Output& output : record.outputs) {
    most.x = std::max(most.x, output.mode.x);
    most.y = std::max(most.y, output.mode.y);
  }
  if (most.x <= 0 || most.y <= 0) most = {4096, 4096};
  return {std::min(most.x, 8192), std::min(most.y, 8192)};
}

void mark_stale(int first, int last) {
  for (Buffer& buffer : record.buffers) {
    if (buffer.stale_first > buffer.stale_last) {
      buffer.stale_first = first;
      buffer.stale_last = last;
    } else {
      buffer.stale_first = std::min(buffer.stale_first, first);
      buffer.stale_last = std::max(buffer.stale_last, last);
    }
  }
}

}  // namespace

void free_buffers() {
  for (Buffer& buffer : record.buffers) {
    if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
    buffer = Buffer{};
  }
  if (record.pool_memory != nullptr) munmap(record.pool_memory, record.pool_bytes);
  record.pool_memory = nullptr;
  record.pool_bytes = 0;
  record.buffer_size = {};
  record.show_due = false;
}

void relayout() {
  record.layout_due = true;
}

void lay_out() {
  if (!record.configured || record.deciding || record.surface == nullptr) return;
  record.layout_due = false;
  const scale::Point limit = largest_output();
  // The page at a scale that fits the outputs, though never below 1.
  const int fits = std::min(limit.x * units / record.page.x, limit.y * units / record.page.y);
  const int u = std::clamp(scale_units(), units, std::clamp(fits, units, 16 * units));
  const bool viewported = record.viewport != nullptr;
  // Without a viewport the buffer scale is a whole number; a fraction needs the viewport.
  const int whole = std::max(1, u / units);
  const int effective = viewported ? u : whole * units;
  // A full-screen or tiled area as large as the compositor likes, but buffers no larger than
  // the outputs show; a tile holds at least the page, a window is the page's size.
  const scale::Point most{std::max(1, limit.x * units / effective),
                          std::max(1, limit.y * units / effective)};
  const scale::Point bounded{std::clamp(record.area.x, 1, most.x),
                             std::clamp(record.area.y, 1, most.y)};
  const scale::Point area = record.full    ? bounded
                            : record.tiled ? scale::Point{std::max(bounded.x, record.page.x),
                                                          std::max(bounded.y, record.page.y)}
                                           : record.page;
  const scale::Point size{int(((long long)area.x * effective + units / 2) / units),
                          int(((long long)area.y * effective + units / 2) / units)};
  const double s = double(effective) / units;
  // Full screen enlarges the page to fit; a tile shows it at the desktop's scale, centred on
  // black.
  window::Placement at =
      record.full ? window::fitted(size, record.page) : window::windowed(record.page, s);
  if (!record.full) {
    at.x = std::max(0, (size.x - at.width) / 2);
    at.y = std::max(0, (size.y - at.height) / 2);
  }
  const int buffer_scale = viewported ? 1 : whole;
  if (size == record.buffer_size && at == record.scaler.placement() &&
      buffer_scale == record.buffer_scale && record.buffers[0].buffer != nullptr)
    return;
  free_buffers();
  if (size.x <= 0 || size.y <= 0 || !make_buffers(size)) return;
  record.scaler.place(size, at);
  record.buffer_scale = buffer_scale;
  record.pixels_per_point = double(size.x) / area.x;
  if (record.compositor_version >= 3) wl_surface_set_buffer_scale(record.surface, buffer_scale);
  if (viewported) wp_viewport_set_destination(record.viewport, area.x, area.y);
  cursor_scale_changed();
  show();
}

// Marks buffer rows first..last as changed (surface coordinates on an old compositor).
void damage(int first, int last) {
  if (record.compositor_version >= 4)
    wl_surface_damage_buffer(record.surface, 0, first, record.buffer_size.x, last - first + 1);
  else
    wl_surface_damage(record.surface, 0, 0, 1 << 15, 1 << 15);
}

void show() {
  if (!record.configured || record.buffers[0].buffer == nullptr) return;
  Buffer* free = nullptr;
  for (Buffer& buffer : record.buffers)
    if (!buffer.busy) free = &buffer;
  if (free == nullptr) {
    record.show_due = true;
    return;
  }
  record.show_due = false;
  if (free->whole) {
    record.scaler.paint_all(free->pixels, stride());
    damage(0, record.buffer_size.y - 1);
  } else if (free->stale_first <= free->stale_last) {
    const scale::Point rows =
        record.scaler.paint(free->stale_first, free->stale_last, free->pixels, stride());
    if (rows.y >= rows.x) damage(rows.x, rows.y);
  } else {
    return;  // this buffer shows what the other one does
  }
  free->whole = false;
  free->stale_first = 0;
  free->stale_last = -1;
  free->busy = true;
  wl_surface_attach(record.surface, free->buffer, 0, 0);
  wl_surface_commit(record.surface);
  wl_display_flush(record.display);
}

void set_palette(const std::array<Rgb, 256>& palette) {
  record.scaler.set_palette(palette);
  // The rows presented next show the new colours; the rest of each buffer is repainted too.
  for (Buffer& buffer : record.buffers) buffer.whole = true;
}

void present(const std::uint8_t* page, int width, int first, int last) {
  if (record.display == nullptr) return;
  const scale::Point kept = record.scaler.keep(page, width, first, last);
  if (kept.y < kept.x) return;
  mark_stale(kept.x, kept.y);
  show();
}

}  // namespace screen::wayland_window
