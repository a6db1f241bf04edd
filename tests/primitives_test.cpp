// Pages, boxes, lines, flood fill, the presentation pass and the window title.

#include <chrono>

#include "screen/window/headless/headless.h"
#include "screen/pointer.h"
#include "screen/screen.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScreenTest;
using Primitives = ScreenTest;

TEST_F(Primitives, BoxesIncludeBothCornersAndClip) {
  screen::fill_box(10, 10, 5, 5, 7);
  EXPECT_EQ(count(0, 0, 639, 479, 7), 36);
  EXPECT_EQ(count(5, 5, 10, 10, 7), 36);
  screen::fill_box(20, 20, 20, 20, 8);
  EXPECT_EQ(count(0, 0, 639, 479, 8), 1);
  screen::fill_box(630, 470, 700, 500, 9);
  EXPECT_EQ(count(0, 0, 639, 479, 9), 100);
  screen::fill_box(-50, -50, -1, 900, 10);
  screen::fill_box(640, 0, 700, 10, 10);
  EXPECT_EQ(count(0, 0, 639, 479, 10), 0);
  screen::fill_box(0, 0, 0, 0, 256 + 11);  // only the low 8 bits of a colour count
  EXPECT_EQ(at(0, 0), 11);
}

TEST_F(Primitives, LinesIncludeBothEndsAndSkipWhatIsOffScreen) {
  screen::draw_line(-5, 3, 5, 3, 7);
  EXPECT_EQ(count(0, 3, 639, 3, 7), 6);
  EXPECT_EQ(at(5, 3), 7);
  screen::draw_line(100, 479, 100, 400, 8);
  EXPECT_EQ(count(100, 0, 100, 479, 8), 80);
  screen::draw_line(0, 0, 3, 3, 9);  // slanted lines step pixel by pixel
  EXPECT_EQ(at(2, 2), 9);
  EXPECT_EQ(count(0, 0, 639, 479, 9), 4);
}

TEST_F(Primitives, FloodFillStopsAtTheBorderOnly) {
  // An outline in colour 5 with a stripe of the fill colour and a stray colour inside.
  screen::draw_line(10, 10, 60, 10, 5);
  screen::draw_line(60, 10, 60, 40, 5);
  screen::draw_line(60, 40, 10, 40, 5);
  screen::draw_line(10, 40, 10, 10, 5);
  screen::draw_line(20, 11, 20, 39, 6);
  screen::fill_box(30, 20, 35, 25, 9);
  screen::flood_fill(40, 30, 6, 5);
  EXPECT_EQ(count(11, 11, 59, 39, 6), 49 * 29);
  EXPECT_EQ(count(10, 10, 60, 40, 5), 51 * 2 + 29 * 2);
  EXPECT_EQ(at(9, 9), 0);
  EXPECT_EQ(at(61, 41), 0);
}

TEST_F(Primitives, FloodFillWithFillEqualToBorderFillsTheInside) {
  screen::draw_line(100, 100, 200, 100, 4);
  screen::draw_line(200, 100, 200, 150, 4);
  screen::draw_line(200, 150, 100, 150, 4);
  screen::draw_line(100, 150, 100, 100, 4);
  screen::flood_fill(104, 104, 4, 4);  // the seed is on the border colour: nothing
  screen::flood_fill(150, 125, 4, 4);
  EXPECT_EQ(count(100, 100, 200, 150, 4), 101 * 51);
  EXPECT_EQ(count(0, 0, 639, 479, 4), 101 * 51);
}

TEST_F(Primitives, FloodFillFollowsWindingRegionsWithoutRecursion) {
  // A comb: teeth reached only by going down then up again.
  screen::fill_box(0, 0, 639, 479, 1);
  for (int x = 2; x < 636; x += 4) screen::fill_box(x, 1, x + 1, 477, 0);
  screen::fill_box(2, 478, 637, 478, 0);
  screen::flood_fill(2, 1, 3, 1);
  EXPECT_EQ(count(0, 0, 639, 479, 0), 0);
  screen::flood_fill(-1, 5, 7, 1);  // off the screen: nothing
  screen::flood_fill(0, 0, 7, 1);   // on the border colour: nothing
  EXPECT_EQ(count(0, 0, 639, 479, 7), 0);
  screen::flood_fill(320, 240, 2, 99);  // no border anywhere: the whole screen
  EXPECT_EQ(count(0, 0, 639, 479, 2), 640 * 480);
}

TEST_F(Primitives, PagesSwitchOnlyToValidNumbers) {
  screen::set_pages(0, 1);
  screen::fill_box(0, 0, 0, 0, 7);
  EXPECT_EQ(screen::pixel(0, 0, 0), 7);
  EXPECT_EQ(screen::pixel(1, 0, 0), 0);
  screen::set_pages(5, 5);
  EXPECT_EQ(screen::work_page(), 0);
  EXPECT_EQ(screen::visible_page(), 1);
  screen::set_pages(2, -3);
  EXPECT_EQ(screen::work_page(), 2);
  EXPECT_EQ(screen::visible_page(), 1);
  screen::set_pages(-1, -1);
  EXPECT_EQ(screen::work_page(), 0);
  EXPECT_EQ(screen::visible_page(), 0);
}

TEST_F(Primitives, PassCopiesOnlyTheChangedBandOfTheVisiblePage) {
  screen::presentation_pass();
  const int presents = screen::headless::window().presents;
  screen::fill_box(5, 10, 8, 12, 7);
  screen::draw_line(0, 30, 3, 30, 7);
  screen::presentation_pass();
  auto w = screen::headless::window();
  EXPECT_EQ(w.presents, presents + 1);
  EXPECT_EQ(w.first_row, 10);
  EXPECT_EQ(w.last_row, 30);
  EXPECT_EQ(w.pixels[10 * 640 + 5], 7);
  screen::presentation_pass();  // flags were cleared
  EXPECT_EQ(screen::headless::window().presents, presents + 1);

  screen::set_pages(1, 0);  // drawing on a hidden page flags nothing
  screen::fill_box(0, 0, 9, 9, 3);
  screen::presentation_pass();
  EXPECT_EQ(screen::headless::window().presents, presents + 1);
  screen::set_pages(1, 1);  // showing it repaints the whole window
  screen::presentation_pass();
  w = screen::headless::window();
  EXPECT_EQ(w.first_row, 0);
  EXPECT_EQ(w.last_row, 479);
  EXPECT_EQ(w.pixels[0], 3);
}

TEST_F(Primitives, TitleKeepsItsFirst127Bytes) {
  screen::set_window_title(std::string(200, 'T'));
  screen::presentation_pass();
  EXPECT_EQ(screen::headless::window().title, std::string(127, 'T'));
}

TEST(ScreenMode, RefusesBadArgumentsAndAWindowThatCannotOpen) {
  EXPECT_EQ(screen::set_screen_mode(0, 480, 8, 3), 1);
  EXPECT_EQ(screen::set_screen_mode(640, 480, 7, 3), 1);
  EXPECT_FALSE(screen::is_open());
  ASSERT_EQ(screen::set_screen_mode(64, 48, 8, 0), 0);  // below 1 page counts as 1
  screen::set_pages(0, 1);
  EXPECT_EQ(screen::visible_page(), 0);
  screen::headless::options().fail_open = true;
  EXPECT_EQ(screen::set_screen_mode(640, 480, 8, 3), 1);
  EXPECT_FALSE(screen::is_open());
  EXPECT_FALSE(screen::last_window_error().empty());
  screen::fill_box(0, 0, 10, 10, 1);  // no screen: nothing happens
  EXPECT_EQ(screen::load_bmp("missing.bmp"), 1);
  screen::headless::options() = {};
}

}  // namespace

namespace {

TEST(ServiceThread, PresentsWhatIsDrawnAndFeedsThePointerWhileTheProgramDraws) {
  screen::headless::options().service_thread = true;
  ASSERT_EQ(screen::set_screen_mode(640, 480, 8, 3), 0);
  for (int i = 0; i < 200; ++i) screen::fill_box(0, i, 639, i + 40, i);
  screen::headless::push_move(12, 34);
  screen::headless::push_press(1);
  int x = -1, y = -1, wheel = -1, buttons = -1;
  // Waits for a pass that handled the events and showed the last drawing; the bound only
  // keeps a broken build from hanging.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < give_up) {
    screen::get_pointer(x, y, wheel, buttons);
    const auto w = screen::headless::window();
    if (buttons == 1 && w.pixels[239 * 640] == 199) break;
    screen::sleep_ms(10);
  }
  EXPECT_EQ(x, 12);
  EXPECT_EQ(y, 34);
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(screen::headless::window().pixels[239 * 640], 199);
  screen::close_screen();
  EXPECT_FALSE(screen::headless::window().open);
  screen::headless::options() = {};
}

}  // namespace
