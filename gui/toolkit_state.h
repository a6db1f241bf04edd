#pragma once
// The toolkit state: text cursor, text scale, the five text colours and the version banner.
// Widget drawing writes the text colours; text drawing reads them. Nothing restores them.

#include <cstdint>
#include <string>

namespace gui {

struct ToolkitState {
  std::int32_t cursor_row = 0;
  std::int32_t cursor_x = 0;
  std::int32_t text_scale = 1;
  std::int32_t text_colour_1 = 30;
  std::int32_t text_colour_2 = 28;
  std::int32_t text_colour_3 = 25;
  std::int32_t text_colour_4 = 23;
  std::int32_t text_colour_5 = 17;
  std::string version_text;
};

inline ToolkitState toolkit;

}  // namespace gui
