// Start-up of the main screen: layout, picture, palette, buttons, about lines.

#include <algorithm>
#include <map>
#include <set>

#include "app/launcher.h"
#include "base/cp1251.h"
#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/process.h"
#include "screen/screen.h"
#include "screen/window/headless/headless.h"
#include "tests/test_support.h"
#include "text/palettes.h"
#include "text/text.h"
#include "text/text_state.h"
#include "tools/bmp_writer.h"

namespace {

using testing_support::ScreenTest;
using testing_support::TempDir;

class StartUp : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    screen::close_screen();
  }
  // A picture of w x h in one colour index, with that entry of its colour table red.
  static void write_picture(int w, int h, std::uint8_t colour) {
    std::filesystem::create_directories("CFG");
    std::array<screen::Rgb, 256> table{};
    table[colour] = {255, 0, 0};
    std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h), colour);
    ASSERT_TRUE(tools::save_bmp8("CFG/INTERPIC.bmp", w, h, pixels, table));
  }
};

// What the player can click is what is drawn: the hit test finds the four buttons, EXIT and
// the banner's area, and each button's area lies just inside its drawn outer ring.
TEST_F(StartUp, EachClickableAreaLiesInsideItsDrawnButton) {
  TempDir dir(true);
  ASSERT_TRUE(app::start_up());
  struct Area {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  };
  std::map<int, Area> areas;
  for (int y = 0; y < screen::height(); ++y) {
    for (int x = 0; x < screen::width(); ++x) {
      const int slot = gui::hit_test(x, y);
      if (slot == 0) continue;
      Area& a = areas[slot];
      a.left = std::min(a.left, x);
      a.top = std::min(a.top, y);
      a.right = std::max(a.right, x);
      a.bottom = std::max(a.bottom, y);
    }
  }
  std::set<int> slots;
  for (const auto& [slot, a] : areas) {
    slots.insert(slot);
    if (slot == 100) continue;  // the banner's area: nothing drawn, no command
    const auto i = std::size_t(slot);
    EXPECT_EQ(screen::pixel(0, a.left - 1, a.top - 1), gui::widgets.colour_1[i]) << slot;
    EXPECT_EQ(screen::pixel(0, a.right + 1, a.bottom + 1), gui::widgets.colour_5[i]) << slot;
  }
  EXPECT_EQ(slots, (std::set<int>{1, 2, 3, 4, 100, 255}));
  EXPECT_EQ(gui::widgets.caption[1], cp1251::Text("Запустить GORVEX").view());
  EXPECT_EQ(gui::widgets.caption[255], cp1251::Text("*Закрыть*").view());
  EXPECT_EQ(screen::work_page(), 0);
  EXPECT_EQ(screen::visible_page(), 0);
  screen::presentation_pass();
  EXPECT_EQ(screen::headless::window().title, "Gorvex Launcher");
}

TEST_F(StartUp, DrawsButtonsOverColourZeroInTheGamePalette) {
  TempDir dir(true);  // no picture here
  ASSERT_TRUE(app::start_up());
  EXPECT_EQ(screen::palette()[0].red, 250);
  EXPECT_EQ(count(100, 330, 639, 450, 0), 540 * 121);  // nothing but the cleared page
  EXPECT_EQ(count(120, 90, 520, 140, 0), 401 * 51);    // the title plate is not drawn
  EXPECT_EQ(at(170, 150), 81);
  EXPECT_EQ(at(470, 180), 111);
  EXPECT_EQ(at(170, 240), 112);
  EXPECT_EQ(at(4, 458), 163);
  EXPECT_EQ(at(74, 476), 167);
  EXPECT_EQ(at(461, 469), 111);  // the version line's opening quote: "x" in text colour 5
  EXPECT_EQ(at(460, 468), 0);
}

TEST_F(StartUp, PictureCoversOnlyItsOwnCornerAndTheGamePaletteWins) {
  TempDir dir(true);
  write_picture(320, 200, 7);
  ASSERT_TRUE(app::start_up());
  EXPECT_EQ(at(319, 120), 7);
  EXPECT_EQ(at(320, 120), 0);
  EXPECT_EQ(at(100, 200), 0);
  EXPECT_EQ(screen::palette()[7].red, 8);  // the game palette replaced the picture's red
  screen::close_screen();
  write_picture(800, 600, 9);
  ASSERT_TRUE(app::start_up());
  EXPECT_EQ(at(639, 479), 9);
}

TEST_F(StartUp, AboutLinesShowTheLauncherFolder) {
  TempDir dir(true);
  ASSERT_TRUE(app::start_up());
  // Draw the folder line again on a clean page 1 and compare its rows.
  screen::set_pages(1, 0);
  text::set_text_scale(1);
  text::set_text_colours(81, 96, 101, 109, 111);
  text::draw_text(4, 30, cp1251::from_utf8(screen::get_launcher_directory()), " ");
  for (int y = 31; y <= 39; ++y)
    for (int x = 0; x < 640; ++x) {
      if (screen::pixel(1, x, y) != 0) {
        ASSERT_EQ(screen::pixel(0, x, y), screen::pixel(1, x, y)) << x << "," << y;
      }
    }
}

TEST(StartUpWindow, FailsWhenNoWindowOpens) {
  screen::headless::options().fail_open = true;
  EXPECT_FALSE(app::start_up());
  screen::headless::options() = {};
}

}  // namespace
