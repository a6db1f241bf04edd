// The X11 window's scale from the player's settings, and how it gives way to a small screen.

#include <gtest/gtest.h>

#include "screen/window/x11/desktop_scale.h"

namespace {

using screen::x11_window::desktop_percent;
using screen::x11_window::fitting_scale;

TEST(X11Scale, GdkScaleWinsWhenItIsAWholeNumber) {
  EXPECT_EQ(desktop_percent("2", "Xft.dpi:\t96\n"), 200);
  EXPECT_EQ(desktop_percent("1", "Xft.dpi:\t192\n"), 100);
  // Not whole, or out of range: the resources decide.
  EXPECT_EQ(desktop_percent("1.5", "Xft.dpi:\t192\n"), 200);
  EXPECT_EQ(desktop_percent("0", nullptr), 100);
  EXPECT_EQ(desktop_percent("17", nullptr), 100);
  EXPECT_EQ(desktop_percent("", nullptr), 100);
}

TEST(X11Scale, XftDpiIsFoundAmongTheResources) {
  EXPECT_EQ(desktop_percent(nullptr, "Xcursor.size:\t24\nXft.dpi:\t144\nXft.hinting:\t1\n"), 150);
  EXPECT_EQ(desktop_percent(nullptr, "Xft.dpi: 120"), 125);
  EXPECT_EQ(desktop_percent(nullptr, "Xft.dpi:\t191.6\n"), 200);
  EXPECT_EQ(desktop_percent(nullptr, "Xft.dpi:\tlarge\n"), 100);
  EXPECT_EQ(desktop_percent(nullptr, "Xft.dpi:\t192abc\n"), 100);
  EXPECT_EQ(desktop_percent(nullptr, "Xft.dpi:\t192 \r\n"), 200);
  EXPECT_EQ(desktop_percent(nullptr, "Xft.dpi:\t10000\n"), 100);
  EXPECT_EQ(desktop_percent(nullptr, "XXft.dpi:\t192\n"), 100);
  EXPECT_EQ(desktop_percent(nullptr, ""), 100);
}

TEST(X11Scale, ScaleIsLoweredUntilTheWindowFitsTheWorkArea) {
  const screen::scale::Point page{640, 480};
  EXPECT_EQ(fitting_scale(1.5, {1024, 720}, page), 1.5);  // 960 x 720 fits exactly
  EXPECT_EQ(fitting_scale(1.5, {1024, 719}, page), 1.0);
  EXPECT_EQ(fitting_scale(2.5, {1600, 1200}, page), 2.5);
  EXPECT_EQ(fitting_scale(2.5, {1599, 1200}, page), 2.0);  // its whole part first
  EXPECT_EQ(fitting_scale(3.0, {1366, 728}, page), 1.0);
  EXPECT_EQ(fitting_scale(4.0, {2560, 1400}, page), 2.0);
  EXPECT_EQ(fitting_scale(2.0, {100, 100}, page), 1.0);  // never below 1
}

}  // namespace
