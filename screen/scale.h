#pragma once
// Where the page goes on a screen larger than it: a whole number of screen pixels per page
// pixel, so the font stays sharp, and the way back from a screen point to a page point.

namespace screen::scale {

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

// The monitor's scale in percent for its dots per inch (96 is 100 %).
int percent_of_dpi(int dpi);

// The factor of a window on a monitor scaled `percent` %: the whole number nearest the scale
// (100-149 % give 1, 150-249 % 2, ...), lowered until the client area plus a frame of
// frame_w x frame_h fits the work area; never below 1.
int window_factor(int percent, Point work, Point page, Point frame);

// The largest factor at which the page fits the area (full screen); never below 1.
int fitting_factor(Point area, Point page);

// The page's top-left corner when it is shown at `factor`, centred in the area.
Point centred_origin(Point area, Point page, int factor);

// The page pixel under a client-area point; left of or above the page gives negative values.
Point page_point(Point client, Point origin, int factor);

}  // namespace screen::scale
