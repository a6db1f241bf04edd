#include "tools/bmp_writer.h"

#include <cstdio>
#include <vector>

namespace tools {

namespace {
void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
}  // namespace

bool save_bmp8(const std::string& path, int width, int height, std::span<const std::uint8_t> pixels,
               const std::array<screen::Rgb, 256>& palette) {
  const std::uint32_t stride = (std::uint32_t(width) + 3) / 4 * 4;
  const std::uint32_t offset = 14 + 40 + 256 * 4;
  const std::uint32_t image = stride * std::uint32_t(height);
  std::vector<std::uint8_t> out;
  out.reserve(offset + image);
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + image);
  put32(out, 0);
  put32(out, offset);
  put32(out, 40);
  put32(out, std::uint32_t(width));
  put32(out, std::uint32_t(height));
  put16(out, 1);  // planes
  put16(out, 8);  // bits per pixel
  put32(out, 0);  // no compression
  put32(out, image);
  put32(out, 2835);  // 72 dpi
  put32(out, 2835);
  put32(out, 256);
  put32(out, 0);
  for (const screen::Rgb& c : palette) {
    out.push_back(c.blue);
    out.push_back(c.green);
    out.push_back(c.red);
    out.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    const auto row = pixels.subspan(std::size_t(y) * std::size_t(width), std::size_t(width));
    out.insert(out.end(), row.begin(), row.end());
    out.resize(out.size() + (stride - std::uint32_t(width)), 0);
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

bool save_visible_page(const std::string& path) {
  const int w = screen::width(), h = screen::height(), page = screen::visible_page();
  std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)] = screen::pixel(page, x, y);
  return save_bmp8(path, w, h, pixels, screen::palette());
}

}  // namespace tools
