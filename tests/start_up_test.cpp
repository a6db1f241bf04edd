// Start-up of the main screen: layout, picture, palette, buttons, about lines.

#include "app/launcher.h"
#include "base/cp1251.h"
#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/headless.h"
#include "screen/process.h"
#include "screen/screen.h"
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

TEST_F(StartUp, RegistersTheSixWidgetsOfTheLayout) {
  TempDir dir(true);
  ASSERT_TRUE(app::start_up());
  struct Expected {
    int slot, x, y, h, w, c1, c5;
    const char* name;
  };
  for (const Expected& e : {Expected{100, 120, 90, 50, 400, 81, 111, "NAMED"},
                            {1, 170, 150, 30, 300, 81, 111, "GVX"},
                            {2, 170, 195, 30, 300, 81, 111, "ED"},
                            {3, 170, 240, 30, 300, 112, 125, "SET"},
                            {4, 170, 285, 30, 300, 112, 125, "REL"},
                            {255, 4, 458, 18, 70, 163, 167, "EXIT"}}) {
    const auto i = std::size_t(e.slot);
    EXPECT_EQ(gui::widgets.name[i], e.name);
    EXPECT_EQ(gui::widgets.x[i], e.x) << e.name;
    EXPECT_EQ(gui::widgets.y[i], e.y) << e.name;
    EXPECT_EQ(gui::widgets.height[i], e.h) << e.name;
    EXPECT_EQ(gui::widgets.width[i], e.w) << e.name;
    EXPECT_EQ(gui::widgets.colour_1[i], e.c1) << e.name;
    EXPECT_EQ(gui::widgets.colour_5[i], e.c5) << e.name;
  }
  EXPECT_EQ(gui::widgets.caption[1], cp1251::Text("Запустить GORVEX").view());
  EXPECT_EQ(gui::widgets.caption[255], cp1251::Text("*Закрыть*").view());
  EXPECT_EQ(gui::toolkit.version_text, "Brisk GUI Ver 0.6 rev 5 (2007_08_xx)");
  EXPECT_EQ(text::text_state.text_scale, 2);
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
