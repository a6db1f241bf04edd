#pragma once
// Square RGBA pictures written as PNG files and as Windows icon files.

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct RgbaImage {
  int size = 0;                    // width and height
  std::vector<std::uint8_t> rgba;  // size * size pixels, top row first, 4 bytes each
};

// The picture as PNG bytes (8-bit RGBA, run-length compressed).
std::vector<std::uint8_t> png_bytes(const RgbaImage& image);

// An icon file: images up to 48 px as 32-bit bitmaps, larger ones as PNG, as Vista and later
// read them. False on an I/O error.
bool save_ico(const std::string& path, const std::vector<RgbaImage>& images);

// One picture as a PNG file; false on an I/O error.
bool save_png(const std::string& path, const RgbaImage& image);

}  // namespace tools
