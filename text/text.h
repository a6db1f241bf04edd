#pragma once
// Text in the pixel-art font at an integer scale, in the toolkit state's five text colours.

#include <string_view>

namespace text {

// Stores text colours 1..5 ("1", "2", -, "s", "x" letters).
void set_text_colours(int c1, int c2, int c3, int c4, int c5);
void set_text_scale(int scale);
void set_text_cursor(int row, int x);

// Draws each byte's glyph (or picture, with the option "TiLE") with its art beginning one
// pixel right of and below (x, y); the pen advances (width - 1) x scale per character.
// The option "SvOF" leaves cursor_x at the final pen. A scale below 1 draws nothing.
void draw_text(int x, int y, std::string_view text, std::string_view option);

// Draws at the text cursor's line (9 x scale pixels each). lines > 0 moves the cursor down
// that many lines; lines == 0 leaves cursor_x just behind the text; lines < 0 leaves it.
void print_at_cursor(std::string_view text, int lines);

// Width in pixels covered by the text at scale 1: glyph widths added, minus the shared
// columns (G - n + 1); 0 for an empty text.
int text_width(std::string_view text);

}  // namespace text
