// gorvex-demo-picture: draws the demo game folder's background picture without a window and
// saves it as an 8-bit BMP in the game palette.
//   gorvex-demo-picture OUT.bmp

#include <cstdio>
#include <vector>

#include "screen/screen.h"
#include "text/palettes.h"
#include "tools/bmp_writer.h"
#include "tools/demo/picture.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gorvex-demo-picture OUT.bmp\n");
    return 2;
  }
  constexpr int w = 640, h = 480;
  if (screen::set_screen_mode(w, h, 8, 1) != 0) {
    std::fprintf(stderr, "gorvex-demo-picture: %s\n", screen::last_window_error().c_str());
    return 1;
  }
  text::set_palette("GORV");
  demo::draw_picture();

  std::vector<std::uint8_t> pixels(std::size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      pixels[std::size_t(y) * w + std::size_t(x)] = screen::pixel(0, x, y);
  // The game palette at full precision, so that viewers show the colours as designed.
  std::array<screen::Rgb, 256> palette{};
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const text::Rgb& c = text::game_palette[i];
    palette[i] = {c.red, c.green, c.blue};
  }
  if (!tools::save_bmp8(argv[1], w, h, pixels, palette)) {
    std::fprintf(stderr, "gorvex-demo-picture: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
