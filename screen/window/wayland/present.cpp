// Shared-memory buffers at the window's pixel size and the page painted into them: two
// buffers, each repainted only where the page changed since it was last shown.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "screen/window/wayland/state.h"
#include "viewporter-client-protocol.h"

namespace screen::wayland_window {

namespace {

constexpr int units = 120;  // fractional scales come in 120ths

void buffer_release(void* data, wl_buffer*) {
  static_cast<Buffer*>(data)->busy = false;
  if (state.show_due) show();
}
constexpr wl_buffer_listener buffer_listener = [] {
  wl_buffer_listener on{};
  on.release = buffer_release;
  return on;
}();

int stride() {
  return state.buffer_size.x * 4;
}

bool make_buffers(scale::Point size) {
  const std::size_t one = std::size_t(size.x) * 4 * std::size_t(size.y);
  const std::size_t bytes = one * state.buffers.size();
  const int fd = memfd_create("gorvex-window", MFD_CLOEXEC);
  if (fd < 0) return false;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, off_t(bytes)) == 0)
    memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    ::close(fd);
    return false;
  }
  wl_shm_pool* pool = wl_shm_create_pool(state.shm, fd, std::int32_t(bytes));
  for (std::size_t i = 0; i < state.buffers.size(); ++i) {
    Buffer& buffer = state.buffers[i];
    buffer = Buffer{};
    buffer.buffer = wl_shm_pool_create_buffer(pool, std::int32_t(i * one), size.x, size.y,
                                              size.x * 4, WL_SHM_FORMAT_XRGB8888);
    buffer.pixels = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(memory) + i * one);
    wl_buffer_add_listener(buffer.buffer, &buffer_listener, &buffer);
  }
  wl_shm_pool_destroy(pool);
  ::close(fd);
  state.pool_memory = memory;
  state.pool_bytes = bytes;
  state.buffer_size = size;
  return true;
}

// The scale in 120ths the page is drawn at now.
int scale_units() {
  if (state.viewport != nullptr && state.preferred_units > 0) return state.preferred_units;
  return units * (state.preferred_integer > 0 ? state.preferred_integer : output_scale());
}

// The most pixels a buffer may have a side: what the largest output shows, never more than
// 8192; 4096 where no output tells its mode.
scale::Point largest_output() {
  scale::Point most{};
  for (const Output& output : state.outputs) {
    most.x = std::max(most.x, output.mode.x);
    most.y = std::max(most.y, output.mode.y);
  }
  if (most.x <= 0 || most.y <= 0) most = {4096, 4096};
  return {std::min(most.x, 8192), std::min(most.y, 8192)};
}

void mark_stale(int first, int last) {
  for (Buffer& buffer : state.buffers) {
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
  for (Buffer& buffer : state.buffers) {
    if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
    buffer = Buffer{};
  }
  if (state.pool_memory != nullptr) munmap(state.pool_memory, state.pool_bytes);
  state.pool_memory = nullptr;
  state.pool_bytes = 0;
  state.buffer_size = {};
  state.show_due = false;
}

void relayout() {
  state.layout_due = true;
}

void lay_out() {
  if (!state.configured || state.deciding || state.surface == nullptr) return;
  state.layout_due = false;
  const scale::Point limit = largest_output();
  // The page at a scale that fits the outputs, though never below 1.
  const int fits = std::min(limit.x * units / state.page.x, limit.y * units / state.page.y);
  const int u = std::clamp(scale_units(), units, std::clamp(fits, units, 16 * units));
  const bool viewported = state.viewport != nullptr;
  // Without a viewport the buffer scale is a whole number; a fraction needs the viewport.
  const int whole = std::max(1, u / units);
  const int effective = viewported ? u : whole * units;
  // A full-screen or tiled area as large as the compositor likes, but buffers no larger than
  // the outputs show; a tile holds at least the page, a window is the page's size.
  const scale::Point most{std::max(1, limit.x * units / effective),
                          std::max(1, limit.y * units / effective)};
  const scale::Point bounded{std::clamp(state.area.x, 1, most.x),
                             std::clamp(state.area.y, 1, most.y)};
  const scale::Point area = state.full    ? bounded
                            : state.tiled ? scale::Point{std::max(bounded.x, state.page.x),
                                                         std::max(bounded.y, state.page.y)}
                                          : state.page;
  const scale::Point size{int(((long long)area.x * effective + units / 2) / units),
                          int(((long long)area.y * effective + units / 2) / units)};
  const double s = double(effective) / units;
  // Full screen enlarges the page to fit; a tile shows it at the desktop's scale, centred on
  // black.
  window::Placement at =
      state.full ? window::fitted(size, state.page) : window::windowed(state.page, s);
  if (!state.full) {
    at.x = std::max(0, (size.x - at.width) / 2);
    at.y = std::max(0, (size.y - at.height) / 2);
  }
  const int buffer_scale = viewported ? 1 : whole;
  if (size == state.buffer_size && at == state.scaler.placement() &&
      buffer_scale == state.buffer_scale && state.buffers[0].buffer != nullptr)
    return;
  free_buffers();
  if (size.x <= 0 || size.y <= 0 || !make_buffers(size)) return;
  state.scaler.place(size, at);
  state.buffer_scale = buffer_scale;
  state.viewported = viewported;
  state.pixels_per_point = double(size.x) / area.x;
  if (state.compositor_version >= 3) wl_surface_set_buffer_scale(state.surface, buffer_scale);
  if (viewported) wp_viewport_set_destination(state.viewport, area.x, area.y);
  cursor_scale_changed();
  show();
}

// Marks buffer rows first..last as changed (surface coordinates on an old compositor).
void damage(int first, int last) {
  if (state.compositor_version >= 4)
    wl_surface_damage_buffer(state.surface, 0, first, state.buffer_size.x, last - first + 1);
  else
    wl_surface_damage(state.surface, 0, 0, 1 << 15, 1 << 15);
}

void show() {
  if (!state.configured || state.buffers[0].buffer == nullptr) return;
  Buffer* free = nullptr;
  for (Buffer& buffer : state.buffers)
    if (!buffer.busy) free = &buffer;
  if (free == nullptr) {
    state.show_due = true;
    return;
  }
  state.show_due = false;
  if (free->whole) {
    state.scaler.paint_all(free->pixels, stride());
    damage(0, state.buffer_size.y - 1);
  } else if (free->stale_first <= free->stale_last) {
    const scale::Point rows =
        state.scaler.paint(free->stale_first, free->stale_last, free->pixels, stride());
    if (rows.y >= rows.x) damage(rows.x, rows.y);
  } else {
    return;  // this buffer shows what the other one does
  }
  free->whole = false;
  free->stale_first = 0;
  free->stale_last = -1;
  free->busy = true;
  wl_surface_attach(state.surface, free->buffer, 0, 0);
  wl_surface_commit(state.surface);
  wl_display_flush(state.display);
}

void set_palette(const std::array<Rgb, 256>& palette) {
  state.scaler.set_palette(palette);
  // The rows presented next show the new colours; the rest of each buffer is repainted too.
  for (Buffer& buffer : state.buffers) buffer.whole = true;
}

void present(const std::uint8_t* page, int width, int first, int last) {
  if (state.display == nullptr) return;
  const scale::Point kept = state.scaler.keep(page, width, first, last);
  if (kept.y < kept.x) return;
  mark_stale(kept.x, kept.y);
  show();
}

}  // namespace screen::wayland_window
