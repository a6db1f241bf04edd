// Palettes: six-bit storage, the two built-in tables, and their hand-over to the window.

#include "screen/window/headless/headless.h"
#include "screen/screen.h"
#include "tests/test_support.h"
#include "text/palettes.h"

namespace {

using testing_support::ScreenTest;

using Palette = ScreenTest;

TEST_F(Palette, EntriesKeepSixBitsShownSpreadBack) {
  screen::set_palette_entry(7, 170, 85, 1);
  EXPECT_TRUE(screen::palette()[7] == (screen::Rgb{170, 85, 0}));
  screen::set_palette_entry(256 + 8, 252, 255, 100);
  EXPECT_TRUE(screen::palette()[8] == (screen::Rgb{255, 255, 101}));
}

TEST_F(Palette, KeysAreExactAndSelectWholeTables) {
  const auto before = screen::palette();
  text::set_palette("gorv");
  text::set_palette("GORV ");
  EXPECT_EQ(before, screen::palette());

  text::set_palette("BGDEF");
  auto p = screen::palette();
  EXPECT_TRUE(p[15] == (screen::Rgb{255, 255, 255}));
  EXPECT_TRUE(p[6] == (screen::Rgb{170, 85, 0}));
  for (int i = 86; i < 256; ++i) EXPECT_TRUE(p[std::size_t(i)] == (screen::Rgb{0, 0, 0})) << i;

  text::set_palette("GORV");
  p = screen::palette();
  EXPECT_TRUE(p[0] == (screen::Rgb{250, 250, 0}));  // yellow: 62 of 63 spread back
  EXPECT_TRUE(p[4] == (screen::Rgb{255, 255, 255}));
  EXPECT_TRUE(p[247] == p[255]);
  text::set_palette("GORV");
  EXPECT_EQ(p, screen::palette());
}

TEST_F(Palette, ChangeIsHandedOverOnceAndRepaintsTheWholePage) {
  screen::presentation_pass();
  const int updates = screen::headless::window().palette_updates;
  screen::presentation_pass();
  EXPECT_EQ(screen::headless::window().palette_updates, updates);  // nothing changed
  text::set_palette("GORV");
  screen::presentation_pass();
  const auto w = screen::headless::window();
  EXPECT_EQ(w.palette_updates, updates + 1);
  EXPECT_EQ(w.first_row, 0);
  EXPECT_EQ(w.last_row, 479);
  EXPECT_EQ(w.palette, screen::palette());
}

}  // namespace
