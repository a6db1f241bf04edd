#pragma once
// The text settings: text cursor, text scale and the five text colours. Widget drawing
// writes the colours; text drawing reads them. Nothing restores them.

#include <cstdint>

namespace text {

struct TextState {
  std::int32_t cursor_row = 0;
  std::int32_t cursor_x = 0;
  std::int32_t text_scale = 1;
  std::int32_t text_colour_1 = 30;
  std::int32_t text_colour_2 = 28;
  std::int32_t text_colour_3 = 25;
  std::int32_t text_colour_4 = 23;
  std::int32_t text_colour_5 = 17;
};

inline TextState text_state;

}  // namespace text
