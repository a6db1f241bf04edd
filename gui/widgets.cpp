#include "gui/widgets.h"

#include <cstdint>

namespace gui {

WidgetTable widgets;

namespace {
bool valid(int slot) {
  return slot >= 0 && slot <= 255;
}
}  // namespace

void define_widget(int slot, std::string_view name, int x, int y, int height, int width,
                   std::string_view caption) {
  if (!valid(slot)) return;
  const auto i = std::size_t(slot);
  widgets.name[i] = name;
  widgets.caption[i] = caption;
  widgets.x[i] = x;
  widgets.y[i] = y;
  widgets.height[i] = height;
  widgets.width[i] = width;
}

void set_widget_colours(int slot, int c1, int c2, int c3, int c4, int c5) {
  if (!valid(slot)) return;
  const auto i = std::size_t(slot);
  widgets.colour_1[i] = c1;
  widgets.colour_2[i] = c2;
  widgets.colour_3[i] = c3;
  widgets.colour_4[i] = c4;
  widgets.colour_5[i] = c5;
}

int hit_test(int px, int py) {
  int result = 0;
  for (std::size_t i = 1; i < 256; ++i) {
    // 64-bit sums: a widget near the edge of the integer range cannot wrap around.
    const std::int64_t right = std::int64_t(widgets.x[i]) + widgets.width[i];
    const std::int64_t bottom = std::int64_t(widgets.y[i]) + widgets.height[i];
    if (px > widgets.x[i] && py > widgets.y[i] && px < right && py < bottom) result = int(i);
  }
  return result;
}

}  // namespace gui
