#include <algorithm>

#include "gui/widgets.h"
#include "screen/screen.h"
#include "text/text.h"
#include "text/text_state.h"

namespace gui {

namespace {

// The bevelled box. Every line is kept inside the box, which changes nothing from 7 pixels
// on and keeps smaller boxes from spilling out.
void draw_box(int x, int y, int h, int w, int c1, int c2, int c3, int c4, int c5) {
  const auto line = [&](int x1, int y1, int x2, int y2, int c) {
    const auto in_x = [&](int v) { return std::clamp(v, x, x + w); };
    const auto in_y = [&](int v) { return std::clamp(v, y, y + h); };
    screen::draw_line(in_x(x1), in_y(y1), in_x(x2), in_y(y2), c);
  };
  screen::fill_box(x, y, x + w, y + h, 0);
  line(x, y, x + w, y, c1);  // outer ring, top and left
  line(x, y, x, y + h, c1);
  line(x + 1, y + 1, x + w - 1, y + 1, c2);  // inner ring, top and left
  line(x + 1, y + 1, x + 1, y + h - 1, c2);
  line(x + w, y + h, x + 1, y + h, c5);  // outer ring, bottom and right
  line(x + w, y + h, x + w, y, c5);
  line(x + w - 1, y + h - 1, x + 2, y + h - 1, c4);  // inner ring, bottom and right
  line(x + w - 1, y + h - 1, x + w - 1, y + 1, c4);
  line(x + 2, y + 2, x + w - 2, y + 2, c3);  // face outline: right, down, left, up
  line(x + w - 2, y + 2, x + w - 2, y + h - 2, c3);
  line(x + w - 2, y + h - 2, x + 2, y + h - 2, c3);
  line(x + 2, y + h - 2, x + 2, y + 2, c3);
  if (w >= 7 && h >= 7) {
    screen::flood_fill(x + 4, y + 4, c3, c3);  // the inside of the outline is still colour 0
  } else if (w >= 4 && h >= 4) {
    screen::fill_box(x + 2, y + 2, x + w - 2, y + h - 2, c3);  // no room for the seed
  }
}

}  // namespace

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
  if (w >= 0 && h >= 0) draw_box(x, y, h, w, c1, c2, c3, c4, c5);
  const int s = text::text_state.text_scale;
  const int t = text::text_width(caption) * s;
  const int tx = half_to_even(2LL * x + w - t);
  const int ty = half_to_even(2LL * y + h - 8LL * s);
  text::set_text_colours(c1, c2, c3, c4, c5);
  text::draw_text(tx, ty, caption, " ");
}

}  // namespace gui
