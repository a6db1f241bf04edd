#pragma once
// The widget table: 256 slots of name, caption, geometry and five colours, hit testing, and
// bevelled drawing. Interfaces give the height before the width.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gui {

struct WidgetTable {
  std::array<std::string, 256> name;
  std::array<std::string, 256> caption;
  std::array<std::int32_t, 256> x{}, y{}, height{}, width{};
  std::array<std::int32_t, 256> colour_1{}, colour_2{}, colour_3{}, colour_4{}, colour_5{};
};

extern WidgetTable widgets;

// Stores name, position, size and caption of a slot 0..255, keeping its colours.
// Slots outside 0..255 are ignored.
void define_widget(int slot, std::string_view name, int x, int y, int height, int width,
                   std::string_view caption);

// Stores the five colours of a slot 0..255, touching nothing else.
void set_widget_colours(int slot, int c1, int c2, int c3, int c4, int c5);

// Highest slot 1..255 whose open rectangle x < px < x + width, y < py < y + height holds the
// point; 0 for none. The drawn frame's outermost pixels do not count.
int hit_test(int px, int py);

// Draws the slot "Nor" (colours in order) or "Inv" (reversed, the pressed look); any other
// state draws nothing.
void draw_widget(int slot, std::string_view state);

// Draws the box (x, y)..(x + width, y + height), both corners included: outer ring c1
// top-left / c5 bottom-right, inner ring c2 / c4, face c3, and the caption centred on it in
// the current text scale. Leaves the text colours set to c1..c5.
void draw_bevel_box(int x, int y, int height, int width, int c1, int c2, int c3, int c4, int c5,
                    std::string_view caption);

// x / 2 rounded to the nearest integer, an exact half going to the even neighbour.
constexpr int half_to_even(long long x) {
  const long long q = x / 2;  // toward zero
  if (x % 2 == 0) return int(q);
  // x / 2 lies halfway between q and its neighbour away from zero: take the even one
  return int(q % 2 == 0 ? q : (x > 0 ? q + 1 : q - 1));
}

}  // namespace gui
