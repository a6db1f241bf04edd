#include "screen/window/scaler.h"

#include <algorithm>
#include <cmath>

namespace screen::window {

namespace {

// Scales are kept in 120ths, as Wayland sends them, so that spans are worked out exactly.
constexpr int units = 120;

int scale_units(double scale) {
  return std::clamp(int(std::lround(scale * units)), units, 16 * units);
}

// Mixes two colours, `weight` of 256 for the first, each channel rounded to nearest. Red and
// blue are worked out side by side: neither sum reaches the other's bits.
std::uint32_t mix(std::uint32_t a, std::uint32_t b, int weight) {
  if (weight >= 256) return a;
  const auto w = std::uint32_t(weight), other = 256 - w;
  const std::uint32_t red_blue =
      ((a & 0xFF00FFu) * w + (b & 0xFF00FFu) * other + 0x800080u) >> 8 & 0xFF00FFu;
  const std::uint32_t green = ((a & 0xFF00u) * w + (b & 0xFF00u) * other + 0x8000u) >> 8 & 0xFF00u;
  return red_blue | green;
}

}  // namespace

Placement windowed(scale::Point page, double scale) {
  const int u = scale_units(scale);
  return {double(u) / units, 0, 0, (page.x * u + units / 2) / units,
          (page.y * u + units / 2) / units};
}

Placement fitted(scale::Point area, scale::Point page) {
  if (page.x <= 0 || page.y <= 0 || area.x <= 0 || area.y <= 0) return {};
  const int u = std::max(1, std::min(area.x * units / page.x, area.y * units / page.y));
  const int w = std::min(area.x, page.x * u / units), h = std::min(area.y, page.y * u / units);
  return {double(u) / units, (area.x - w) / 2, (area.y - h) / 2, w, h};
}

scale::Point page_point(const Placement& at, double buffer_x, double buffer_y) {
  const double s = at.scale > 0 ? at.scale : 1;
  // Kept within what an int holds before it becomes one; a NaN counts as far off.
  const auto pixel = [&](double buffer, int origin) {
    const double page = std::floor((buffer - origin) / s);
    constexpr double far = 1 << 30;
    return page > -far && page < far ? int(page) : page < 0 ? -int(far) : int(far);
  };
  return {pixel(buffer_x, at.x), pixel(buffer_y, at.y)};
}

double scale_of_percent(int percent) {
  return double(scale_units(percent / 100.0)) / units;
}

int percent_of_dpi(int dpi) {
  return (dpi * 100 + 48) / 96;
}

double fitting_scale(double scale, scale::Point work, scale::Point page, scale::Point frame) {
  const auto fits = [&](double s) {
    const Placement p = windowed(page, s);
    return p.width + frame.x <= work.x && p.height + frame.y <= work.y;
  };
  if (scale <= 1 || fits(scale)) return std::max(scale, 1.0);
  scale = std::floor(scale);
  while (scale > 1 && !fits(scale)) scale -= 1;
  return std::max(scale, 1.0);
}

void Scaler::start(scale::Point page) {
  page_ = page;
  picture_.assign(std::size_t(std::max(page.x, 0)) * std::size_t(std::max(page.y, 0)), 0);
  place({}, {});
}

scale::Point Scaler::keep(const std::uint8_t* page, int width, int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, page_.y - 1);
  if (width != page_.x || last < first) return {0, -1};
  const std::size_t from = std::size_t(first) * std::size_t(width);
  const std::size_t to = std::size_t(last + 1) * std::size_t(width);
  std::copy(page + from, page + to, picture_.begin() + std::ptrdiff_t(from));
  return {first, last};
}

void Scaler::place(scale::Point buffer, const Placement& at) {
  const scale::Point page = page_;
  buffer_ = buffer;
  at_ = at;
  const int u = std::max(1, int(std::lround(at.scale * units)));
  // Buffer pixel i of the page's run covers page units [i * units, (i + 1) * units) / u.
  const auto spans = [&](int origin, int length, int limit, int page_length,
                         std::vector<Span>& out) {
    out.clear();
    const int from = std::max(0, origin), to = std::min(limit, origin + length);
    for (int b = from; b < to; ++b) {
      const long long start = (long long)(b - origin) * units;  // in page pixels times u
      Span s;
      s.from = int(start / u);
      const long long boundary = (long long)(s.from + 1) * u;
      if (boundary < start + units && s.from + 1 < page_length)
        s.weight = int((boundary - start) * 256 / units);
      s.from = std::min(s.from, page_length - 1);
      out.push_back(s);
    }
    return from;
  };
  first_column_ = spans(at.x, at.width, buffer.x, page.x, columns_);
  first_row_ = spans(at.y, at.height, buffer.y, page.y, rows_);
  upper_.assign(columns_.size(), 0);
  lower_.assign(columns_.size(), 0);
}

void Scaler::set_palette(const std::array<Rgb, 256>& palette) {
  for (std::size_t i = 0; i < palette.size(); ++i)
    colours_[i] = std::uint32_t(palette[i].red) << 16 | std::uint32_t(palette[i].green) << 8 |
                  palette[i].blue;
}

void Scaler::widen(const std::uint8_t* row, std::uint32_t* out) const {
  for (const Span column : columns_) {
    const std::uint32_t left = colours_[row[column.from]];
    *out++ = column.weight < 256 ? mix(left, colours_[row[column.from + 1]], column.weight) : left;
  }
}

scale::Point Scaler::paint(int first, int last, std::uint32_t* buffer, int stride) const {
  const std::uint8_t* page = picture_.data();
  const std::size_t page_stride = std::size_t(page_.x);
  first = std::max(first, 0);
  last = std::min(last, page_.y - 1);
  // Buffer rows touched by the band: those starting in it, and one straddling into it.
  std::size_t r = 0;
  while (r < rows_.size() && rows_[r].from < first &&
         !(rows_[r].from == first - 1 && rows_[r].weight < 256))
    ++r;
  const std::size_t r_from = r;
  while (r < rows_.size() && rows_[r].from <= last) ++r;
  if (r == r_from) return {0, -1};
  // Each page row is widened once into `upper` or `lower`; a buffer row inside one page row
  // is a copy of it, a straddling one mixes the two.
  std::vector<std::uint32_t>& upper = upper_;
  std::vector<std::uint32_t>& lower = lower_;
  int upper_row = -1, lower_row = -1;
  for (std::size_t i = r_from; i < r; ++i) {
    const Span row = rows_[i];
    if (row.from != upper_row) {
      if (row.from == lower_row) {
        std::swap(upper, lower);
        std::swap(upper_row, lower_row);
      } else {
        widen(page + std::size_t(row.from) * page_stride, upper.data());
        upper_row = row.from;
      }
    }
    auto* out =
        reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(buffer) +
                                         std::size_t(first_row_ + int(i)) * std::size_t(stride)) +
        first_column_;
    if (row.weight >= 256) {
      std::copy(upper.begin(), upper.end(), out);
      continue;
    }
    if (row.from + 1 != lower_row) {
      lower_row = row.from + 1;
      widen(page + std::size_t(lower_row) * page_stride, lower.data());
    }
    for (std::size_t x = 0; x < upper.size(); ++x) out[x] = mix(upper[x], lower[x], row.weight);
  }
  return {first_row_ + int(r_from), first_row_ + int(r) - 1};
}

void Scaler::paint_all(std::uint32_t* buffer, int stride) const {
  for (int y = 0; y < buffer_.y; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(buffer) +
                                                 std::size_t(y) * std::size_t(stride));
    std::fill(row, row + buffer_.x, 0u);
  }
  paint(0, page_.y - 1, buffer, stride);
}

}  // namespace screen::window
