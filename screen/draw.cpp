// Drawing primitives on the work page: filled box, line and flood fill, all clipped to the
// screen.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "screen/screen.h"
#include "screen/state.h"

namespace screen {

using detail::Screen;
using detail::state;

void fill_box(int x1, int y1, int x2, int y2, int colour) {
  Screen& s = state();
  std::lock_guard g(s.lock);
  if (!s.open) return;
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, s.width - 1);
  y2 = std::min(y2, s.height - 1);
  if (x1 > x2 || y1 > y2) return;
  const auto c = static_cast<std::uint8_t>(colour);
  for (int y = y1; y <= y2; ++y)
    std::memset(detail::row(s, s.work, y) + x1, c, std::size_t(x2 - x1 + 1));
  detail::mark_rows(s, y1, y2);
}

void draw_line(int x1, int y1, int x2, int y2, int colour) {
  if (x1 == x2 || y1 == y2) {
    fill_box(x1, y1, x2, y2, colour);
    return;
  }
  // A slanted line: Bresenham's steps, each pixel clipped on its own.
  Screen& s = state();
  std::lock_guard g(s.lock);
  if (!s.open) return;
  const auto c = static_cast<std::uint8_t>(colour);
  const long long dx = std::llabs(static_cast<long long>(x2) - x1);
  const long long dy = -std::llabs(static_cast<long long>(y2) - y1);
  const int sx = x1 < x2 ? 1 : -1;
  const int sy = y1 < y2 ? 1 : -1;
  long long err = dx + dy;
  int x = x1, y = y1;
  for (;;) {
    if (x >= 0 && y >= 0 && x < s.width && y < s.height) {
      detail::row(s, s.work, y)[x] = c;
      detail::mark_rows(s, y, y);
    }
    if (x == x2 && y == y2) break;
    const long long e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

namespace {

struct Span {
  int y, x1, x2;
};

}  // namespace

void flood_fill(int x, int y, int fill, int border) {
  Screen& s = state();
  if (!s.open || x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  // Only the program thread writes pages, so the region is found without the lock; the
  // pixels change under it.
  const int page = s.work;
  const auto b = static_cast<std::uint8_t>(border);
  const auto at = [&](int px, int py) { return detail::row(s, page, py)[px]; };
  if (at(x, y) == b) return;

  // A span is recorded once, by its left end, in a mark map kept between calls.
  static std::vector<std::uint8_t> recorded;
  recorded.resize(std::size_t(s.width) * std::size_t(s.height));
  const auto mark = [&](int px, int py) -> std::uint8_t& {
    return recorded[std::size_t(py) * std::size_t(s.width) + std::size_t(px)];
  };
  const auto span_through = [&](int px, int py) {
    int l = px, r = px;
    while (l > 0 && at(l - 1, py) != b) --l;
    while (r < s.width - 1 && at(r + 1, py) != b) ++r;
    return Span{py, l, r};
  };

  std::vector<Span> spans{span_through(x, y)};
  mark(spans[0].x1, y) = 1;
  for (std::size_t next = 0; next < spans.size(); ++next) {
    const Span span = spans[next];
    for (const int ny : {span.y - 1, span.y + 1}) {
      if (ny < 0 || ny >= s.height) continue;
      for (int px = span.x1; px <= span.x2;) {
        if (at(px, ny) == b) {
          ++px;
          continue;
        }
        const Span found = span_through(px, ny);
        if (!mark(found.x1, ny)) {
          mark(found.x1, ny) = 1;
          spans.push_back(found);
        }
        px = found.x2 + 1;
      }
    }
  }

  std::lock_guard g(s.lock);
  const auto f = static_cast<std::uint8_t>(fill);
  for (const Span& span : spans) {
    std::memset(detail::row(s, page, span.y) + span.x1, f, std::size_t(span.x2 - span.x1 + 1));
    mark(span.x1, span.y) = 0;
    detail::mark_rows(s, span.y, span.y);
  }
}

}  // namespace screen
