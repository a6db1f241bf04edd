// The widget table, hit testing and bevelled drawing with centred captions.

#include <algorithm>

#include "base/cp1251.h"
#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/screen.h"
#include "tests/test_support.h"
#include "text/text.h"
#include "text/text_state.h"

namespace {

using testing_support::ScreenTest;

class Widgets : public ScreenTest {
 protected:
  // Bounding box of the pixels inside the face (x+2..x+w-2, y+2..y+h-2) not in colour c3.
  struct Box {
    int x1 = 1 << 30, y1 = 1 << 30, x2 = -1, y2 = -1;
  };
  Box caption_box(int x, int y, int h, int w, int c3) const {
    Box b;
    for (int py = y + 2; py <= y + h - 2; ++py)
      for (int px = x + 2; px <= x + w - 2; ++px)
        if (at(px, py) != c3) {
          b.x1 = std::min(b.x1, px);
          b.y1 = std::min(b.y1, py);
          b.x2 = std::max(b.x2, px);
          b.y2 = std::max(b.y2, py);
        }
    return b;
  }
};

TEST_F(Widgets, HitAreaIsTheOpenRectangleAndTheHighestSlotWins) {
  EXPECT_EQ(gui::hit_test(300, 160), 0);  // empty table
  gui::define_widget(1, "GVX", 170, 150, 30, 300, "");
  EXPECT_EQ(gui::hit_test(171, 151), 1);
  EXPECT_EQ(gui::hit_test(469, 179), 1);
  for (const auto& [x, y] : {std::pair{170, 160}, {470, 160}, {200, 150}, {200, 180}})
    EXPECT_EQ(gui::hit_test(x, y), 0) << x << "," << y;
  gui::define_widget(200, "B", 160, 140, 30, 30, "");
  gui::define_widget(7, "C", 150, 140, 60, 60, "");
  EXPECT_EQ(gui::hit_test(175, 155), 200);
  EXPECT_EQ(gui::hit_test(155, 190), 7);
  gui::define_widget(0, "Z", 0, 0, 100, 100, "");
  EXPECT_EQ(gui::hit_test(50, 50), 0);  // slot 0 is never reported
  gui::define_widget(255, "X", 0, 0, 100, 100, "");
  EXPECT_EQ(gui::hit_test(50, 50), 255);
  gui::define_widget(9, "N", 0, 0, -10, 100, "");
  EXPECT_EQ(gui::hit_test(50, -5), 0);
  EXPECT_EQ(gui::hit_test(2147483647, 5), 0);  // no wrap-around near the integer limits
}

TEST_F(Widgets, DefiningAndColouringTouchOnlyTheirOwnFields) {
  gui::set_widget_colours(3, 1, 2, 3, 4, 5);
  gui::define_widget(3, "SET", 1, 2, 3, 4, "cap");
  EXPECT_EQ(gui::widgets.colour_5[3], 5);
  gui::set_widget_colours(3, 6, 7, 8, 9, 10);
  EXPECT_EQ(gui::widgets.caption[3], "cap");
  EXPECT_EQ(gui::widgets.width[3], 4);
  EXPECT_EQ(gui::widgets.name[3], "SET");
}

TEST_F(Widgets, BevelPixelMap) {
  gui::define_widget(1, "GVX", 170, 150, 30, 300, "");
  gui::set_widget_colours(1, 11, 12, 13, 14, 15);
  screen::fill_box(0, 0, 639, 479, 99);
  gui::draw_widget(1, "Nor");
  EXPECT_EQ(count(170, 150, 170, 180, 11), 31);   // outer left column, full height
  EXPECT_EQ(count(171, 150, 469, 150, 11), 299);  // outer top row
  EXPECT_EQ(count(470, 150, 470, 180, 15), 31);   // outer right column: top-right corner c5
  EXPECT_EQ(count(171, 180, 469, 180, 15), 299);  // outer bottom row
  EXPECT_EQ(count(171, 151, 171, 179, 12), 29);
  EXPECT_EQ(count(172, 151, 468, 151, 12), 297);
  EXPECT_EQ(count(469, 151, 469, 179, 14), 29);
  EXPECT_EQ(count(172, 179, 468, 179, 14), 297);
  EXPECT_EQ(count(172, 152, 468, 178, 13), 297 * 27);          // the face, caption empty
  EXPECT_EQ(count(169, 149, 471, 181, 99), 303 * 2 + 31 * 2);  // nothing outside the box

  gui::draw_widget(1, "Inv");  // pressed: the rings swap their colours
  EXPECT_EQ(at(170, 150), 15);
  EXPECT_EQ(at(470, 150), 11);
  EXPECT_EQ(at(171, 151), 14);
  EXPECT_EQ(at(469, 179), 12);
  EXPECT_EQ(at(300, 165), 13);
}

TEST_F(Widgets, CaptionsAreCentredHalvesToEven) {
  text::set_text_scale(1);
  gui::define_widget(255, "EXIT", 4, 458, 18, 70, cp1251::Text("*Закрыть*").view());
  gui::set_widget_colours(255, 163, 164, 165, 166, 167);
  gui::draw_widget(255, "Nor");
  auto b = caption_box(4, 458, 18, 70, 165);
  EXPECT_EQ(b.x1, 15);  // tx 13.5 goes to 14
  EXPECT_EQ(b.x2, 65);
  EXPECT_EQ(b.y1, 464);  // ty 463

  text::set_text_scale(2);
  gui::define_widget(2, "ED", 170, 195, 30, 300, cp1251::Text("Редактор карт").view());
  gui::set_widget_colours(2, 81, 96, 101, 109, 111);
  gui::draw_widget(2, "Nor");
  b = caption_box(170, 195, 30, 300, 101);
  EXPECT_EQ(b.x1, 257);  // tx 256
  EXPECT_EQ(b.x2, 384);
  EXPECT_EQ(b.y1, 203);  // ty 202
  EXPECT_EQ(b.y2, 220);  // "р" reaches a ninth art row

  text::set_text_scale(1);
  for (const auto& [y, top] : {std::pair{10, 19}, {11, 21}}) {  // ty 18.5 -> 18, 19.5 -> 20
    screen::fill_box(0, 0, 639, 479, 0);
    gui::draw_bevel_box(300, y, 25, 100, 1, 2, 3, 4, 5, "I");
    EXPECT_EQ(caption_box(300, y, 25, 100, 3).y1, top);
  }
}

TEST_F(Widgets, WideCaptionsOverhangAndDrawingRepaintsTheWholeBox) {
  text::set_text_scale(2);
  gui::define_widget(5, "W", 300, 100, 20, 20, "WWWW");  // T = 50 at scale 2
  gui::set_widget_colours(5, 1, 2, 3, 4, 5);
  gui::draw_widget(5, "Nor");
  EXPECT_GT(count(286, 100, 299, 125, 5), 0);  // about (50 - 20) / 2 on the left
  EXPECT_GT(count(321, 100, 335, 125, 5), 0);  // and on the right
  screen::fill_box(303, 103, 317, 117, 77);
  gui::draw_widget(5, "Nor");
  EXPECT_EQ(count(300, 100, 320, 120, 77), 0);
}

TEST_F(Widgets, StateKeysAreExactAndColoursFollowTheLastDrawing) {
  gui::define_widget(1, "GVX", 170, 150, 30, 300, "A");
  gui::set_widget_colours(1, 11, 12, 13, 14, 15);
  for (const char* key : {"nor", "NOR", "inv", "Nor ", "Invert", ""}) {
    gui::draw_widget(1, key);
    EXPECT_EQ(count(0, 0, 639, 479, 0), 640 * 480) << key;
    EXPECT_EQ(text::text_state.text_colour_1, 30) << key;
  }
  gui::draw_widget(1, "Inv");
  EXPECT_EQ(text::text_state.text_colour_1, 15);
  EXPECT_EQ(text::text_state.text_colour_5, 11);
  gui::define_widget(2, "E", 10, 10, 20, 20, "");
  gui::set_widget_colours(2, 21, 22, 23, 24, 25);
  gui::draw_widget(2, "Nor");  // an empty caption still sets the colours
  EXPECT_EQ(text::text_state.text_colour_3, 23);
}

TEST_F(Widgets, PressedThenNormalLeavesTheFirstLook) {
  text::set_text_scale(2);
  gui::define_widget(4, "REL", 170, 285, 30, 300, cp1251::Text("Моды к игрухе").view());
  gui::set_widget_colours(4, 112, 116, 121, 123, 125);
  gui::draw_widget(4, "Nor");
  std::vector<std::uint8_t> first;
  for (int y = 285; y <= 315; ++y)
    for (int x = 170; x <= 470; ++x) first.push_back(at(x, y));
  gui::draw_widget(4, "Inv");
  gui::draw_widget(4, "Nor");
  std::size_t i = 0;
  for (int y = 285; y <= 315; ++y)
    for (int x = 170; x <= 470; ++x) ASSERT_EQ(at(x, y), first[i++]) << x << "," << y;
}

TEST_F(Widgets, SmallBoxesNeverFillOutsideThemselves) {
  for (int size = 0; size < 7; ++size)
    gui::draw_bevel_box(100, 100 + 10 * size, size, size, 1, 2, 3, 4, 5, "");
  EXPECT_EQ(count(0, 0, 99, 479, 0), 100 * 480);
  EXPECT_EQ(count(107, 0, 639, 479, 0), 533 * 480);
}

TEST(HalfToEven, ExactHalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(gui::half_to_even(27), 14);
  EXPECT_EQ(gui::half_to_even(37), 18);
  EXPECT_EQ(gui::half_to_even(39), 20);
  EXPECT_EQ(gui::half_to_even(-3), -2);
  EXPECT_EQ(gui::half_to_even(-1), 0);
  EXPECT_EQ(gui::half_to_even(340), 170);
}

}  // namespace
