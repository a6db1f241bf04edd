// The X11 window's scale from the player's settings.

#include <gtest/gtest.h>

#include "screen/window/x_scale.h"

namespace {

using screen::window::desktop_percent;

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

}  // namespace
