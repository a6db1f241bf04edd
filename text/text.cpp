#include "text/text.h"

#include "screen/screen.h"
#include "text/art.h"
#include "text/text_state.h"

namespace text {

using text::text_state;

void set_text_colours(int c1, int c2, int c3, int c4, int c5) {
  text_state.text_colour_1 = c1;
  text_state.text_colour_2 = c2;
  text_state.text_colour_3 = c3;
  text_state.text_colour_4 = c4;
  text_state.text_colour_5 = c5;
}

void set_text_scale(int scale) {
  text_state.text_scale = scale;
}

void set_text_cursor(int row, int x) {
  text_state.cursor_row = row;
  text_state.cursor_x = x;
}

namespace {

// Colour of an art letter, or -1 for a clear one. Text colour 3 has no letter.
int letter_colour(char letter) {
  switch (letter) {
    case '1':
      return text_state.text_colour_1;
    case '2':
      return text_state.text_colour_2;
    case 's':
      return text_state.text_colour_4;
    case 'x':
      return text_state.text_colour_5;
    default:
      return -1;
  }
}

}  // namespace

void draw_text(int x, int y, std::string_view text, std::string_view option) {
  const int s = text_state.text_scale;
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
  if (option == "SvOF") text_state.cursor_x = pen;
}

void print_at_cursor(std::string_view text, int lines) {
  const int y = text_state.text_scale * text_state.cursor_row * 9;
  const int x = text_state.cursor_x;
  if (lines > 0) text_state.cursor_row += lines;
  draw_text(x, y, text, lines == 0 ? "SvOF" : "");
}

int text_width(std::string_view text) {
  if (text.empty()) return 0;
  int sum = 0;
  for (const char ch : text) sum += select_glyph(static_cast<unsigned char>(ch)).width;
  return sum - int(text.size()) + 1;
}

}  // namespace text
