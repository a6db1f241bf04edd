#include "screen/scale.h"

#include <algorithm>

namespace screen::scale {

namespace {

// Division rounding towards minus infinity.
int floor_div(int a, int b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

bool fits(int factor, Point area, Point page, Point frame) {
  return page.x * factor + frame.x <= area.x && page.y * factor + frame.y <= area.y;
}

}  // namespace

int percent_of_dpi(int dpi) {
  return (dpi * 100 + 48) / 96;
}

int window_factor(int percent, Point work, Point page, Point frame) {
  int factor = std::max(1, (percent + 50) / 100);
  while (factor > 1 && !fits(factor, work, page, frame)) --factor;
  return factor;
}

int fitting_factor(Point area, Point page) {
  if (page.x <= 0 || page.y <= 0) return 1;
  return std::max(1, std::min(area.x / page.x, area.y / page.y));
}

Point centred_origin(Point area, Point page, int factor) {
  return {(area.x - page.x * factor) / 2, (area.y - page.y * factor) / 2};
}

Point page_point(Point client, Point origin, int factor) {
  return {floor_div(client.x - origin.x, factor), floor_div(client.y - origin.y, factor)};
}

}  // namespace screen::scale
