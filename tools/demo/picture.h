#pragma once
// The demo game folder's background picture, drawn with the toolkit's own tiles, pictures,
// font and game palette.

namespace demo {

// Where the launcher draws over the picture; the picture keeps these areas calm.
inline constexpr int buttons_left = 170, buttons_right = 470;
inline constexpr int buttons_top = 150, buttons_bottom = 315;
inline constexpr int about_bottom = 40;
inline constexpr int bottom_line_top = 455;

// Draws the picture on the work page of an open 640 x 480 screen in the game palette.
void draw_picture();

}  // namespace demo
