// gorvex-icon: draws the launcher's icon with the toolkit's own bevelled button and font, in
// the game palette, at 16, 32, 48 and 256 pixels, without a window.
//   gorvex-icon OUT.ico [OUT.png [OUT.cpp]]   the icon file, the 256-pixel picture as PNG,
//                                             and the 48-pixel one as C++ for a window icon

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/widgets.h"
#include "screen/screen.h"
#include "text/palettes.h"
#include "text/text.h"
#include "tools/icon/image_files.h"

namespace {

constexpr int colours[5] = {112, 116, 121, 123, 125};  // the launcher's green buttons

// A button of size x size at the page's top-left corner with a "G" on it: its rim thickens
// with the size, the letter takes about three quarters of the height.
tools::RgbaImage draw_icon(int size) {
  screen::fill_box(0, 0, size - 1, size - 1, 0);
  const auto& [c1, c2, c3, c4, c5] = colours;
  const int rim = std::max(1, size / 32);
  for (int i = 0; i < rim - 1; ++i)
    gui::draw_bevel_box(i, i, size - 1 - 2 * i, size - 1 - 2 * i, c1, c1, c3, c5, c5, "");
  const int inset = rim - 1;
  text::set_text_scale(std::max(1, size * 3 / 4 / 8));
  gui::draw_bevel_box(inset, inset, size - 1 - 2 * inset, size - 1 - 2 * inset, c1, c2, c3, c4, c5,
                      "G");

  tools::RgbaImage image{size, {}};
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const text::Rgb& c = text::game_palette[screen::pixel(0, x, y)];
      image.rgba.insert(image.rgba.end(), {c.red, c.green, c.blue, 255});
    }
  return image;
}

// The picture as the definitions that screen/window/window_icon.h declares.
bool save_source(const char* path, const tools::RgbaImage& image) {
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return false;
  std::fprintf(f, "// Drawn by gorvex-icon at build time.\n#include \"screen/window/window_icon.h\"\n\n");
  std::fprintf(f, "const int screen::window_icon_size = %d;\n", image.size);
  std::fprintf(f, "const unsigned char screen::window_icon_rgba[] = {");
  for (std::size_t i = 0; i < image.rgba.size(); ++i)
    std::fprintf(f, "%s%u,", i % 16 == 0 ? "\n" : "", unsigned(image.rgba[i]));
  std::fprintf(f, "\n};\n");
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: gorvex-icon OUT.ico [OUT.png [OUT.cpp]]\n");
    return 2;
  }
  if (screen::set_screen_mode(640, 480, 8, 1) != 0) {
    std::fprintf(stderr, "gorvex-icon: %s\n", screen::last_window_error().c_str());
    return 1;
  }
  text::set_palette("GORV");
  std::vector<tools::RgbaImage> images;
  for (const int size : {16, 32, 48, 256}) images.push_back(draw_icon(size));
  if (!tools::save_ico(argv[1], images)) {
    std::fprintf(stderr, "gorvex-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  if (argc >= 3 && !tools::save_png(argv[2], images.back())) {
    std::fprintf(stderr, "gorvex-icon: cannot write %s\n", argv[2]);
    return 1;
  }
  if (argc == 4 && !save_source(argv[3], images[2])) {
    std::fprintf(stderr, "gorvex-icon: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
