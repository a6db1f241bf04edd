#pragma once
// Writes 8-bit BMP pictures with a 256-entry colour table, bottom-up, rows padded to 4 bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "screen/screen.h"

namespace tools {

// Saves width x height colour indices (top row first) with the palette; false on an I/O error.
bool save_bmp8(const std::string& path, int width, int height, std::span<const std::uint8_t> pixels,
               const std::array<screen::Rgb, 256>& palette);

// The visible page of the open screen, as shown.
bool save_visible_page(const std::string& path);

}  // namespace tools
