// The page enlarged at whole and fractional scales: exact inside every page pixel, mixed by
// area only where a buffer pixel straddles two, and the way back from a buffer point.

#include "screen/window/scaler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using screen::scale::Point;
using screen::window::Placement;
using screen::window::Scaler;

// A page whose pixel (x, y) has colour x % 4 + 4 * (y % 4); colour i is (i * 16, 0, 255 - i).
struct Picture {
  Point page{8, 6};
  std::vector<std::uint8_t> pixels;
  Scaler scaler;
  Picture() {
    for (int y = 0; y < page.y; ++y)
      for (int x = 0; x < page.x; ++x) pixels.push_back(std::uint8_t(x % 4 + 4 * (y % 4)));
    std::array<screen::Rgb, 256> palette{};
    for (int i = 0; i < 256; ++i)
      palette[std::size_t(i)] = {std::uint8_t(i * 16), 0, std::uint8_t(255 - i)};
    scaler.set_palette(palette);
    scaler.start(page);
    scaler.keep(pixels.data(), page.x, 0, page.y - 1);
  }
  static std::uint32_t colour(int x, int y) {
    const int i = x % 4 + 4 * (y % 4);
    return std::uint32_t(i * 16) << 16 | std::uint32_t(255 - i);
  }
  std::vector<std::uint32_t> paint(Point buffer, const Placement& at) {
    scaler.place(buffer, at);
    std::vector<std::uint32_t> out(std::size_t(buffer.x * buffer.y), 0xDEAD);
    scaler.paint_all(out.data(), buffer.x * 4);
    return out;
  }
};

std::uint32_t red(std::uint32_t c) {
  return c >> 16 & 0xFF;
}

TEST(Scaler, WholeScalesRepeatEveryPagePixelAsABlock) {
  Picture p;
  const Placement at = screen::window::windowed(p.page, 2.0);
  ASSERT_EQ(at, (Placement{2.0, 0, 0, 16, 12}));
  const auto out = p.paint({16, 12}, at);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(out[std::size_t(y * 16 + x)], Picture::colour(x / 2, y / 2)) << x << "," << y;
}

TEST(Scaler, AtOneAndAHalfOnlyStraddlingPixelsMixAndByArea) {
  Picture p;
  const Placement at = screen::window::windowed(p.page, 1.5);
  ASSERT_EQ(at, (Placement{1.5, 0, 0, 12, 9}));
  const auto out = p.paint({12, 9}, at);
  // Buffer columns 0, 2 (and 3, 5, ...) lie inside one page pixel; 1, 4, 7, 10 straddle two,
  // half of each. Rows likewise.
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 12; ++x) {
      const std::uint32_t c = out[std::size_t(y * 12 + x)];
      const bool x_straddles = x % 3 == 1, y_straddles = y % 3 == 1;
      const int px = x * 2 / 3, py = y * 2 / 3;
      if (!x_straddles && !y_straddles) {
        ASSERT_EQ(c, Picture::colour(px, py)) << x << "," << y;
      } else if (x_straddles && !y_straddles) {
        const unsigned want =
            (red(Picture::colour(px, py)) + red(Picture::colour(px + 1, py)) + 1) / 2;
        ASSERT_NEAR(red(c), want, 1) << x << "," << y;
      } else if (y_straddles && !x_straddles) {
        const unsigned want =
            (red(Picture::colour(px, py)) + red(Picture::colour(px, py + 1)) + 1) / 2;
        ASSERT_NEAR(red(c), want, 1) << x << "," << y;
      }
    }
  }
}

TEST(Scaler, FullScreenKeepsThePageShapeCentredOnBlack) {
  Picture p;
  const Placement at = screen::window::fitted({30, 12}, p.page);  // room for 3.75 x 2
  ASSERT_EQ(at, (Placement{2.0, 7, 0, 16, 12}));
  const auto out = p.paint({30, 12}, at);
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[6], 0u);
  EXPECT_EQ(out[7], Picture::colour(0, 0));
  EXPECT_EQ(out[22], Picture::colour(7, 0));
  EXPECT_EQ(out[23], 0u);
  using screen::window::fitted;
  EXPECT_EQ(fitted({1920, 1080}, {640, 480}), (Placement{2.25, 240, 0, 1440, 1080}));
  EXPECT_EQ(fitted({1024, 768}, {640, 480}), (Placement{1.6, 0, 0, 1024, 768}));
  EXPECT_EQ(fitted({1366, 768}, {640, 480}), (Placement{1.6, 171, 0, 1024, 768}));
  EXPECT_EQ(fitted({3840, 2160}, {640, 480}), (Placement{4.5, 480, 0, 2880, 2160}));
  EXPECT_EQ(fitted({640, 480}, {640, 480}), (Placement{1.0, 0, 0, 640, 480}));
  // A screen smaller than the page shows it whole, smaller.
  EXPECT_EQ(fitted({320, 240}, {640, 480}), (Placement{0.5, 0, 0, 320, 240}));
}

TEST(Scaler, ABandPaintsTheBufferRowsItTouchesAndNoOthers) {
  Picture p;
  const Placement at = screen::window::windowed(p.page, 1.5);
  p.scaler.place({12, 9}, at);
  std::vector<std::uint32_t> out(12 * 9, 0xDEAD);
  // Page row 1 covers buffer rows 1.5 to 3: row 1 (shared with page row 0) and row 2.
  EXPECT_EQ(p.scaler.paint(1, 1, out.data(), 48), (Point{1, 2}));
  EXPECT_EQ(out[0], 0xDEADu);
  EXPECT_NE(out[12], 0xDEADu);
  EXPECT_EQ(out[3 * 12], 0xDEADu);
}

TEST(Scaler, ABufferPointLandsOnThePagePixelUnderIt) {
  const Placement at = screen::window::windowed({640, 480}, 1.5);
  EXPECT_EQ(screen::window::page_point(at, 1.4, 0), (Point{0, 0}));
  EXPECT_EQ(screen::window::page_point(at, 1.6, 719.9), (Point{1, 479}));
  EXPECT_EQ(screen::window::page_point(at, 959.5, 0).x, 639);
  EXPECT_EQ(screen::window::page_point(at, -0.5, 720).y, 480);
  EXPECT_EQ(screen::window::page_point(at, -0.5, 0).x, -1);
  // Left of and above a page placed off the corner is outside it, not its first pixel.
  const Placement centred{2.0, 320, 60, 1280, 960};
  EXPECT_EQ(screen::window::page_point(centred, 319.5, 59.5), (Point{-1, -1}));
  EXPECT_EQ(screen::window::page_point(centred, 317.5, 57.5), (Point{-2, -2}));
  EXPECT_EQ(screen::window::page_point(centred, 321.5, 61.5), (Point{0, 0}));
  EXPECT_EQ(screen::window::page_point(centred, 1599.5, 1019.5), (Point{639, 479}));
  EXPECT_EQ(screen::window::page_point(centred, 1600.5, 1020.5), (Point{640, 480}));
  EXPECT_EQ(screen::window::scale_of_percent(150), 1.5);
  EXPECT_EQ(screen::window::scale_of_percent(50), 1.0);
}

// A point far beyond any page (a 1x1 full screen at scale 16, the pointer at wl_fixed's
// largest value) stays far off on its own side, never wrapping round into the page.
TEST(Scaler, APointFarOffStaysOffOnItsSide) {
  const Placement tiny{1.0 / 16, 0, 0, 1, 1};
  const Point far = screen::window::page_point(tiny, 8388607.0 * 16, -8388608.0 * 16);
  EXPECT_GE(far.x, 640);
  EXPECT_LT(far.y, 0);
  const Point huge = screen::window::page_point(tiny, 1e300, -1e300);
  EXPECT_GE(huge.x, 640);
  EXPECT_LT(huge.y, 0);
}

TEST(Scaler, DesktopScalesOfMonitorsAndPercentages) {
  using screen::window::percent_of_dpi;
  using screen::window::scale_of_percent;
  const std::pair<int, double> monitors[] = {{96, 1.0},   {120, 1.25}, {144, 1.5},
                                             {168, 1.75}, {192, 2.0},  {72, 1.0}};
  for (const auto& [dpi, scale] : monitors)
    EXPECT_EQ(scale_of_percent(percent_of_dpi(dpi)), scale) << dpi;
  EXPECT_EQ(percent_of_dpi(97), 101);
  EXPECT_EQ(screen::window::windowed({640, 480}, 1.75), (Placement{1.75, 0, 0, 1120, 840}));
  EXPECT_EQ(screen::window::windowed({640, 480}, 1.25), (Placement{1.25, 0, 0, 800, 600}));
}

TEST(Scaler, TheWindowGivesWayToASmallWorkAreaFrameIncluded) {
  using screen::window::fitting_scale;
  const Point page{640, 480};
  EXPECT_EQ(fitting_scale(1.5, {1024, 720}, page), 1.5);  // 960 x 720 fits exactly
  EXPECT_EQ(fitting_scale(1.5, {1024, 719}, page), 1.0);
  EXPECT_EQ(fitting_scale(2.5, {1600, 1200}, page), 2.5);
  EXPECT_EQ(fitting_scale(2.5, {1599, 1200}, page), 2.0);  // its whole part first
  EXPECT_EQ(fitting_scale(3.0, {1366, 728}, page), 1.0);
  EXPECT_EQ(fitting_scale(4.0, {2560, 1400}, page), 2.0);
  EXPECT_EQ(fitting_scale(2.0, {100, 100}, page), 1.0);  // never below 1
  EXPECT_EQ(fitting_scale(0.5, {1920, 1080}, page), 1.0);
  // The frame counts: fitting exactly with it, one pixel short without room.
  const Point frame{16, 39};
  EXPECT_EQ(fitting_scale(2.0, {1296, 999}, page, frame), 2.0);
  EXPECT_EQ(fitting_scale(2.0, {1295, 999}, page, frame), 1.0);
  EXPECT_EQ(fitting_scale(2.0, {1296, 998}, page, frame), 1.0);
  EXPECT_EQ(fitting_scale(1.75, {1136, 879}, page, frame), 1.75);
  EXPECT_EQ(fitting_scale(1.75, {1136, 878}, page, frame), 1.0);
}

// A window moved from one monitor to another takes the second one's scale, as far as its
// work area allows, and a page point is found again at the new size.
TEST(Scaler, AMonitorMoveLaysThePageOutAnew) {
  using screen::window::fitting_scale;
  using screen::window::percent_of_dpi;
  using screen::window::scale_of_percent;
  const Point page{640, 480}, frame{16, 39};
  struct Monitor {
    int dpi;
    Point work;
    Point client;
  };
  // A laptop at 150 % with a taskbar, a 4K monitor at 175 %, an old 1366 x 768 one at 150 %
  // (lowered to 1), and a 1080p one at 125 %.
  const Monitor monitors[] = {{144, {1920, 1032}, {960, 720}},
                              {168, {3840, 2112}, {1120, 840}},
                              {144, {1366, 728}, {640, 480}},
                              {120, {1920, 1040}, {800, 600}}};
  for (const Monitor& m : monitors) {
    const double s = fitting_scale(scale_of_percent(percent_of_dpi(m.dpi)), m.work, page, frame);
    const Placement at = screen::window::windowed(page, s);
    EXPECT_EQ((Point{at.width, at.height}), m.client) << m.dpi;
    // The right end of the page's last row, and the middle of pixel (100, 200).
    EXPECT_EQ(screen::window::page_point(at, at.width - 0.5, at.height - 0.5), (Point{639, 479}));
    EXPECT_EQ(screen::window::page_point(at, 100.5 * s, 200.5 * s), (Point{100, 200}));
  }
}

}  // namespace
