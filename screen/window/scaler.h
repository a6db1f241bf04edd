#pragma once
// The page enlarged into a window's pixel buffer at any scale of 1 or more. Inside every page
// pixel the colour is exact; only a buffer pixel that straddles two page pixels (at a
// fractional scale) mixes their colours, weighted by the area each covers. For the drivers'
// present steps: palette indices in, 32-bit 0x00RRGGBB pixels out.

#include <array>
#include <cstdint>
#include <vector>

#include "screen/window/rgb.h"

namespace screen::scale {

// A point or a size in pixels.
struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

}  // namespace screen::scale

namespace screen::window {

// Where the page lies in a buffer: its corner and size in buffer pixels, and buffer pixels
// per page pixel.
struct Placement {
  double scale = 1;
  int x = 0, y = 0;
  int width = 0, height = 0;
  bool operator==(const Placement&) const = default;
};

// A window at the desktop's scale: the page fills a buffer of round(page * scale) pixels.
Placement windowed(scale::Point page, double scale);

// Full screen: the largest size of the page's shape that fits the area, centred.
Placement fitted(scale::Point area, scale::Point page);

// The page pixel under a buffer point (fractions allowed); outside the page gives values
// below 0 or at or beyond its size.
scale::Point page_point(const Placement& at, double buffer_x, double buffer_y);

// The desktop's scale from a percentage (150 -> 1.5), kept between 1 and 16 and to a 120th,
// as Wayland's fractional scales are.
double scale_of_percent(int percent);

// A monitor's scale in percent for its dots per inch (96 is 100 %).
int percent_of_dpi(int dpi);

// The window's scale for the desktop's `scale`: lowered, first to its whole part and then a
// whole step at a time down to 1, until the enlarged page plus a frame of `frame` fits the
// work area; never below 1.
double fitting_scale(double scale, scale::Point work, scale::Point page, scale::Point frame = {});

// Every driver paints from the page as it last presented it, kept here: its own copy, so that
// no repaint (an exposure, a new size) reads the core's page outside the screen lock.
class Scaler {
 public:
  // Starts over for a page of `page` pixels: the kept picture all colour 0, nothing placed.
  void start(scale::Point page);

  // Keeps rows first..last (both included, cut to the page) of a page `width` bytes a row as
  // the picture painted from now on. Returns the rows kept as {first, last}, or {0, -1} (also
  // for a page of another width).
  scale::Point keep(const std::uint8_t* page, int width, int first, int last);

  // Places the page `at` in a buffer of `buffer` pixels.
  void place(scale::Point buffer, const Placement& at);
  const Placement& placement() const { return at_; }

  // Takes the palette for the pixels made from now on.
  void set_palette(const std::array<Rgb, 256>& palette);

  // Writes the buffer rows that kept page rows first..last (both included) touch, clipped to
  // the buffer; `stride` in bytes. Returns the buffer rows written as {first, last}, or
  // {0, -1}.
  scale::Point paint(int first, int last, std::uint32_t* buffer, int stride) const;

  // Fills the whole buffer black, then paints the whole kept page.
  void paint_all(std::uint32_t* buffer, int stride) const;

 private:
  // One buffer column or row: the page pixel it starts in, and how much of it (of 256) that
  // pixel covers; the rest is the next page pixel's.
  struct Span {
    int from = 0;
    int weight = 256;
  };
  // One page row through the palette and the columns' spans into `out`.
  void widen(const std::uint8_t* row, std::uint32_t* out) const;

  scale::Point page_{};
  std::vector<std::uint8_t> picture_;  // the kept page, page_.x bytes a row
  scale::Point buffer_{};
  Placement at_{};
  std::vector<Span> columns_;  // buffer columns at.x .. at.x + at.width - 1, clipped
  std::vector<Span> rows_;     // buffer rows at.y .. at.y + at.height - 1, clipped
  int first_column_ = 0;       // the buffer column of columns_[0]
  int first_row_ = 0;          // the buffer row of rows_[0]
  std::array<std::uint32_t, 256> colours_{};
  // Two page rows widened, kept between calls so that painting a band allocates nothing.
  mutable std::vector<std::uint32_t> upper_, lower_;
};

}  // namespace screen::window
