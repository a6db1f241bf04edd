// The demo background: a dusk sky over dark hills, a framed panel behind the launcher's
// buttons with the game's name above them, a floppy and an EXIT plate on either side and the
// game palette's 256 colours laid out as ramps in a second frame below.

#include "tools/demo/picture.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "screen/screen.h"
#include "base/cp1251.h"
#include "text/text.h"

namespace demo {

namespace {

constexpr int screen_width = 640, screen_height = 480;
constexpr int tile = 16;  // a frame tile's pen advance and height at scale 1

// Game palette entries used by the picture.
constexpr int near_black = 7;
constexpr int sky[] = {246, 245, 244, 243, 242, 241, 240, 206, 205, 204, 203};
constexpr int hills[] = {239, 238, 237, 236};
constexpr int star_colours[] = {224, 226, 193, 209};
constexpr int gold[] = {160, 162, 163, 164, 165, 166, 167};
constexpr int panel_face = 243;

// A 4 x 4 ordered-dither threshold, 0..15.
constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// One of two neighbouring ramp colours, so that a run of rows blends smoothly between them;
// `sixteenths` says how far (0..16) the pixel lies towards `next`.
int dithered(int x, int y, int here, int next, int sixteenths) {
  return bayer[y & 3][x & 3] < sixteenths ? next : here;
}

// Fills rows top..bottom with the ramp, blending from its first to its last colour.
template <std::size_t N>
void ramp_rows(int top, int bottom, const int (&ramp)[N]) {
  const int steps = int(N) - 1;
  for (int y = top; y <= bottom; ++y) {
    const int pos = (y - top) * steps * 16 / (bottom - top + 1);  // sixteenths along the ramp
    const int i = pos / 16;
    const int next = i + 1 < int(N) ? i + 1 : i;
    for (int x = 0; x < screen_width; ++x)
      screen::fill_box(x, y, x, y, dithered(x, y, ramp[i], ramp[next], pos % 16));
  }
}

// The same small generator on every run, so that the picture never changes.
struct Random {
  std::uint32_t state = 20070909;
  int below(int n) {
    state = state * 1664525u + 1013904223u;
    return int((state >> 8) % std::uint32_t(n));
  }
};

void draw_sky() {
  ramp_rows(0, screen_height - 1, sky);
  Random r;
  for (int i = 0; i < 140; ++i) {
    const int x = r.below(screen_width), y = 44 + r.below(360);
    const int c = star_colours[r.below(4)];
    screen::fill_box(x, y, x, y, c);
    if (r.below(8) == 0) {  // a bright one, with a small cross
      screen::draw_line(x - 1, y, x + 1, y, c);
      screen::draw_line(x, y - 1, x, y + 1, c);
    }
  }
}

// Rolling hills along the bottom, darker towards the screen's edge.
void draw_hills() {
  Random r;
  r.state = 1984;
  int height = 40;
  for (int x = 0; x < screen_width; ++x) {
    if (x % 8 == 0) height += r.below(7) - 3;
    height = height < 28 ? 28 : height > 62 ? 62 : height;
    const int top = screen_height - height;
    for (int y = top; y < screen_height; ++y) {
      const int depth = (y - top) * 3 * 16 / (screen_height - top);
      const int i = depth / 16;
      screen::fill_box(x, y, x, y, dithered(x, y, hills[i], hills[i + 1], depth % 16));
    }
    screen::fill_box(x, top, x, top, 78);  // a lit ridge
  }
}

// A frame of picture-table tiles, columns x rows tiles with its top-left pixel at (x, y).
void draw_frame(int x, int y, int columns, int rows) {
  text::set_text_scale(1);
  text::set_text_colours(gold[0], panel_face, 0, gold[3], gold[5]);
  const auto row_of = [columns](char left, char middle, char right) {
    return std::string(1, left) + std::string(std::size_t(columns - 2), middle) + right;
  };
  // Art starts one pixel right of and below the pen.
  text::draw_text(x - 1, y - 1, row_of('q', 'w', 'e'), "TiLE");
  for (int i = 1; i < rows - 1; ++i)
    text::draw_text(x - 1, y - 1 + i * tile, row_of('a', 's', 'd'), "TiLE");
  text::draw_text(x - 1, y - 1 + (rows - 1) * tile, row_of('z', 'x', 'c'), "TiLE");
}

// Text centred on x = 320 with a one-step drop shadow.
void draw_centred(int y, std::string_view s, int scale, const int (&colours)[4]) {
  text::set_text_scale(scale);
  const int x = (screen_width - text::text_width(s) * scale) / 2;
  text::set_text_colours(near_black, near_black, 0, near_black, near_black);
  text::draw_text(x + scale, y + scale, s, " ");
  text::set_text_colours(colours[0], colours[1], 0, colours[2], colours[3]);
  text::draw_text(x, y, s, " ");
}

// All 256 entries as 8 rows of 32 cells; most rows run down a ramp from light to dark.
void draw_palette_ramps(int x, int y, int cell_width, int cell_height) {
  for (int c = 0; c < 256; ++c) {
    const int cx = x + (c % 32) * cell_width, cy = y + (c / 32) * cell_height;
    screen::fill_box(cx, cy, cx + cell_width - 1, cy + cell_height - 1, c);
  }
}

void draw_pictures() {
  text::set_text_scale(2);
  text::set_text_colours(near_black, 196, 0, 202, 0);  // a blue floppy with a white label
  text::draw_text(36, 190, "1", "TiLE");
  text::set_text_colours(near_black, gold[1], 0, 96, gold[4]);
  text::draw_text(540, 190, "2", "TiLE");
}

}  // namespace

void draw_picture() {
  draw_sky();
  draw_hills();

  // The panel behind the title and the four buttons, and the palette's frame below it.
  draw_frame(128, 64, 24, 18);
  draw_frame(128, 358, 24, 5);
  draw_palette_ramps(144, 374, 11, 6);

  static constexpr cp1251::Text title = "GORVEX";
  static constexpr cp1251::Text note = "Демо-папка: самой игры здесь нет, только ланчер";
  draw_centred(86, title, 5, {gold[0], gold[2], gold[6], near_black});
  draw_centred(322, note, 1, {81, 96, 109, 111});
  draw_pictures();
}

}  // namespace demo
