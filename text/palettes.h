#pragma once
// The built-in palettes: "GORV", the game's, and "BGDEF", the toolkit's default.

#include <array>
#include <string_view>

#include "screen/screen.h"

namespace text {

using screen::Rgb;

extern const std::array<Rgb, 256> game_palette;
extern const std::array<Rgb, 256> gui_default_palette;

// Loads "BGDEF" or "GORV" entry by entry, 0 to 255; any other key changes nothing.
void set_palette(std::string_view key);

}  // namespace text
