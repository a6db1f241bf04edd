// The demo folder's background picture: the launcher can load it, and it keeps the launcher's
// text readable.

#include <gtest/gtest.h>

#include <algorithm>

#include "screen/screen.h"
#include "tests/test_support.h"
#include "text/palettes.h"
#include "tools/bmp_writer.h"
#include "tools/demo/picture.h"

namespace {

using testing_support::ScreenTest;
using testing_support::TempDir;

class DemoPicture : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    text::set_palette("GORV");
    demo::draw_picture();
  }
  // Perceived brightness 0..255 of a pixel in the game palette.
  static int brightness(std::uint8_t index) {
    const text::Rgb& c = text::game_palette[index];
    return (299 * c.red + 587 * c.green + 114 * c.blue) / 1000;
  }
  int brightest(int x1, int y1, int x2, int y2) const {
    int b = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) b = std::max(b, brightness(at(x, y)));
    return b;
  }
};

TEST_F(DemoPicture, LoadsBackUnchangedThroughTheLaunchersReader) {
  std::vector<std::uint8_t> drawn;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) drawn.push_back(at(x, y));
  std::array<screen::Rgb, 256> palette{};
  for (std::size_t i = 0; i < 256; ++i)
    palette[i] = {text::game_palette[i].red, text::game_palette[i].green,
                  text::game_palette[i].blue};
  TempDir dir;
  const std::string path = (dir.path() / "INTERPIC.bmp").string();
  ASSERT_TRUE(tools::save_bmp8(path, 640, 480, drawn, palette));

  screen::fill_box(0, 0, 639, 479, 0);
  ASSERT_EQ(screen::load_bmp(path), 0);
  int differing = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) differing += at(x, y) != drawn[std::size_t(y * 640 + x)];
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(screen::palette()[0].red, 250 / 4 * 255 / 63);  // the game palette came with it
}

TEST_F(DemoPicture, KeepsADarkGroundBehindTheLaunchersLightText) {
  // About lines (top left), the EXIT button's surroundings and the version line (bottom).
  EXPECT_LT(brightest(0, 0, 420, demo::about_bottom), 100);
  EXPECT_LT(brightest(0, demo::bottom_line_top, 639, 479), 100);
}

TEST_F(DemoPicture, FramesTheButtonsOnOneCalmFace) {
  // A margin of 6 pixels around the four buttons shows only the panel's face.
  const std::uint8_t face = at(demo::buttons_left - 6, demo::buttons_top - 6);
  for (int y = demo::buttons_top - 6; y <= demo::buttons_bottom + 6; ++y)
    for (int x = demo::buttons_left - 6; x <= demo::buttons_right + 6; ++x)
      ASSERT_EQ(at(x, y), face) << "at " << x << ", " << y;
}

}  // namespace
