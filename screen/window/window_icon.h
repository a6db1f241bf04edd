#pragma once
// The launcher's icon for its window: a square picture drawn at build time by gorvex-icon
// from the launcher's own art, RGBA, top row first.

namespace screen {

extern const int window_icon_size;
extern const unsigned char window_icon_rgba[];

}  // namespace screen
