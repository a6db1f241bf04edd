// The whole-factor scaling of the page and the way back from a pointer position.

#include "screen/scale.h"

#include <gtest/gtest.h>

namespace {

using screen::scale::Point;

constexpr Point page{640, 480};
constexpr Point no_frame{0, 0};
constexpr Point big_work{7680, 4320};

TEST(Scale, WindowFactorFollowsTheMonitorScaleByWholeSteps) {
  using screen::scale::window_factor;
  const std::pair<int, int> cases[] = {{100, 1}, {125, 1}, {149, 1}, {150, 2}, {175, 2}, {200, 2},
                                       {249, 2}, {250, 3}, {300, 3}, {350, 4}, {96, 1},  {50, 1}};
  for (const auto& [percent, factor] : cases)
    EXPECT_EQ(window_factor(percent, big_work, page, no_frame), factor) << percent << " %";
}

TEST(Scale, WindowFactorIsLoweredUntilWindowAndFrameFitTheWorkArea) {
  using screen::scale::window_factor;
  // 200 % on a 1366 x 728 work area: 1280 x 960 does not fit, so 1.
  EXPECT_EQ(window_factor(200, {1366, 728}, page, {16, 39}), 1);
  // 300 % on 2560 x 1400: 1920 x 1440 is too tall, 1280 x 960 fits.
  EXPECT_EQ(window_factor(300, {2560, 1400}, page, {16, 39}), 2);
  // The frame counts: exactly fitting with it, one pixel short without room.
  EXPECT_EQ(window_factor(200, {1296, 999}, page, {16, 39}), 2);
  EXPECT_EQ(window_factor(200, {1295, 999}, page, {16, 39}), 1);
  EXPECT_EQ(window_factor(200, {1296, 998}, page, {16, 39}), 1);
  // Too small even for the page: still 1.
  EXPECT_EQ(window_factor(100, {320, 200}, page, {16, 39}), 1);
}

TEST(Scale, PercentOfDpi) {
  EXPECT_EQ(screen::scale::percent_of_dpi(96), 100);
  EXPECT_EQ(screen::scale::percent_of_dpi(120), 125);
  EXPECT_EQ(screen::scale::percent_of_dpi(144), 150);
  EXPECT_EQ(screen::scale::percent_of_dpi(192), 200);
}

TEST(Scale, FullScreenTakesTheLargestFactorThatFitsCentred) {
  using screen::scale::centred_origin;
  using screen::scale::fitting_factor;
  EXPECT_EQ(fitting_factor({1024, 768}, page), 1);
  EXPECT_EQ(centred_origin({1024, 768}, page, 1), (Point{192, 144}));
  EXPECT_EQ(fitting_factor({1920, 1080}, page), 2);
  EXPECT_EQ(centred_origin({1920, 1080}, page, 2), (Point{320, 60}));
  EXPECT_EQ(fitting_factor({3840, 2160}, page), 4);
  EXPECT_EQ(centred_origin({3840, 2160}, page, 4), (Point{640, 120}));
  EXPECT_EQ(fitting_factor({640, 480}, page), 1);
  EXPECT_EQ(fitting_factor({320, 240}, page), 1);
}

TEST(Scale, PointerMapsBackToThePagePixelDrawnThere) {
  using screen::scale::page_point;
  // At factor 2 with the page at (320, 60): each page pixel covers two screen pixels.
  const Point origin{320, 60};
  EXPECT_EQ(page_point({320, 60}, origin, 2), (Point{0, 0}));
  EXPECT_EQ(page_point({321, 61}, origin, 2), (Point{0, 0}));
  EXPECT_EQ(page_point({322, 62}, origin, 2), (Point{1, 1}));
  EXPECT_EQ(page_point({320 + 1279, 60 + 959}, origin, 2), (Point{639, 479}));
  EXPECT_EQ(page_point({320 + 1280, 60 + 960}, origin, 2), (Point{640, 480}));
  // Left of and above the page is outside it, not its first column and row.
  EXPECT_EQ(page_point({319, 59}, origin, 2), (Point{-1, -1}));
  EXPECT_EQ(page_point({318, 58}, origin, 2), (Point{-1, -1}));
  EXPECT_EQ(page_point({317, 57}, origin, 2), (Point{-2, -2}));
  // Factor 1 at the origin is the identity.
  EXPECT_EQ(page_point({-5, 7}, {0, 0}, 1), (Point{-5, 7}));
  EXPECT_EQ(page_point({9, 14}, {0, 0}, 3), (Point{3, 4}));
}

}  // namespace
