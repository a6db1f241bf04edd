#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/screen.h"
#include "text/text.h"

namespace gui {

void draw_widget(int slot, std::string_view state) {
  if (slot < 0 || slot > 255) return;
  const auto i = std::size_t(slot);
  const WidgetTable& w = widgets;
  if (state == "Nor") {
    draw_bevel_box(w.x[i], w.y[i], w.height[i], w.width[i], w.colour_1[i], w.colour_2[i],
                   w.colour_3[i], w.colour_4[i], w.colour_5[i], w.caption[i]);
  } else if (state == "Inv") {
    draw_bevel_box(w.x[i], w.y[i], w.height[i], w.width[i], w.colour_5[i], w.colour_4[i],
                   w.colour_3[i], w.colour_2[i], w.colour_1[i], w.caption[i]);
  }
}

void draw_bevel_box(int x, int y, int h, int w, int c1, int c2, int c3, int c4, int c5,
                    std::string_view caption) {
  using screen::draw_line;
  screen::fill_box(x, y, x + w, y + h, 0);
  draw_line(x, y, x + w, y, c1);  // outer ring, top and left
  draw_line(x, y, x, y + h, c1);
  draw_line(x + 1, y + 1, x + w - 1, y + 1, c2);  // inner ring, top and left
  draw_line(x + 1, y + 1, x + 1, y + h - 1, c2);
  draw_line(x + w, y + h, x + 1, y + h, c5);  // outer ring, bottom and right
  draw_line(x + w, y + h, x + w, y, c5);
  draw_line(x + w - 1, y + h - 1, x + 2, y + h - 1, c4);  // inner ring, bottom and right
  draw_line(x + w - 1, y + h - 1, x + w - 1, y + 1, c4);
  draw_line(x + 2, y + 2, x + w - 2, y + 2, c3);  // face outline: right, down, left, up
  draw_line(x + w - 2, y + 2, x + w - 2, y + h - 2, c3);
  draw_line(x + w - 2, y + h - 2, x + 2, y + h - 2, c3);
  draw_line(x + 2, y + h - 2, x + 2, y + 2, c3);
  if (w >= 7 && h >= 7) {
    screen::flood_fill(x + 4, y + 4, c3, c3);
  } else if (w >= 4 && h >= 4) {
    // Too small for a seed inside the outline: fill the face directly, never outside it.
    screen::fill_box(x + 2, y + 2, x + w - 2, y + h - 2, c3);
  }

  const int s = toolkit.text_scale;
  const int t = text::text_width(caption) * s;
  const int tx = half_to_even(2LL * x + w - t);
  const int ty = half_to_even(2LL * y + h - 8LL * s);
  text::set_text_colours(c1, c2, c3, c4, c5);
  text::draw_text(tx, ty, caption, " ");
}

}  // namespace gui
