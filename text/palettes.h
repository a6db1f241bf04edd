#pragma once
// The built-in palettes: "GORV", the game's, and "BGDEF", the toolkit's default.

#include <array>
#include <cstdint>
#include <string_view>

namespace text {

struct Rgb {
  std::uint8_t red, green, blue;
};

extern const std::array<Rgb, 256> game_palette;
extern const std::array<Rgb, 256> gui_default_palette;

// Loads "BGDEF" or "GORV" entry by entry, 0 to 255; any other key changes nothing.
void set_palette(std::string_view key);

}  // namespace text
