// bmp-dump: loads a picture as the launcher does, onto a headless 640 x 480 page cleared to
// colour 0, and saves the page with the palette as an 8-bit BMP of our own.
//   bmp-dump IN.bmp OUT.bmp      prints load_bmp's result code

#include <cstdio>

#include "screen/screen.h"
#include "tools/bmp_writer.h"

int main(int argc, char** argv) {
  if (argc != 3 || screen::set_screen_mode(640, 480, 8, 1) != 0) return 2;
  std::printf("%d\n", screen::load_bmp(argv[1]));
  return tools::save_visible_page(argv[2]) ? 0 : 1;
}
