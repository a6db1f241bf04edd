#include "text/text.h"

#include "gui/toolkit_state.h"
#include "screen/screen.h"
#include "text/art.h"

namespace text {

using gui::toolkit;

void set_text_colours(int c1, int c2, int c3, int c4, int c5) {
  toolkit.text_colour_1 = c1;
  toolkit.text_colour_2 = c2;
  toolkit.text_colour_3 = c3;
  toolkit.text_colour_4 = c4;
  toolkit.text_colour_5 = c5;
}

void set_text_scale(int scale) {
  toolkit.text_scale = scale;
}

void set_text_cursor(int row, int x) {
  toolkit.cursor_row = row;
  toolkit.cursor_x = x;
}

namespace {

// Colour of an art letter, or -1 for a clear one. Text colour 3 has no letter.
int letter_colour(char letter) {
  switch (letter) {
    case '1':
      return toolkit.text_colour_1;
    case '2':
      return toolkit.text_colour_2;
    case 's':
      return toolkit.text_colour_4;
    case 'x':
      return toolkit.text_colour_5;
    default:
      return -1;
  }
}

}  // namespace

void draw_text(int x, int y, std::string_view text, std::string_view option) {
  const int s = toolkit.text_scale;
  const bool pictures = option == "TiLE";
  int pen = x;
  if (s >= 1) {
    for (const char ch : text) {
      const auto code = static_cast<unsigned char>(ch);
      ArtEntry entry;
      if (pictures) {
        const ArtEntry* picture = select_picture(code);
        if (picture == nullptr) continue;  // no picture: nothing drawn, the pen stays
        entry = *picture;
      } else {
        entry = select_glyph(code);
      }
      for (int i = 0; i < entry.height; ++i) {
        for (int j = 0; j < entry.width; ++j) {
          const int c = letter_colour(entry.letter(i, j));
          if (c < 0) continue;
          const int bx = pen + 1 + j * s;
          const int by = y + 1 + i * s;
          screen::fill_box(bx, by, bx + s - 1, by + s - 1, c);
        }
      }
      pen += (entry.width - 1) * s;
    }
  }
  if (option == "SvOF") toolkit.cursor_x = pen;
}

void print_at_cursor(std::string_view text, int lines) {
  const int y = toolkit.text_scale * toolkit.cursor_row * 9;
  const int x = toolkit.cursor_x;
  if (lines > 0) toolkit.cursor_row += lines;
  draw_text(x, y, text, lines == 0 ? "SvOF" : "");
}

int text_width(std::string_view text) {
  if (text.empty()) return 0;
  int sum = 0;
  for (const char ch : text) sum += select_glyph(static_cast<unsigned char>(ch)).width;
  return sum - int(text.size()) + 1;
}

}  // namespace text
