// gorvex-snapshot: performs the launcher's start-up in the current folder without a window
// and saves the screen as shown, as an 8-bit BMP.
//   gorvex-snapshot OUT.bmp [--press SLOT]
// --press draws that widget's pressed look, as a click on it would.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/launcher.h"
#include "gui/widgets.h"
#include "text/text.h"
#include "tools/bmp_writer.h"

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--press")) {
    std::fprintf(stderr, "usage: gorvex-snapshot OUT.bmp [--press SLOT]\n");
    return 2;
  }
  if (!app::start_up()) {
    std::fprintf(stderr, "gorvex-snapshot: the screen could not be opened\n");
    return 1;
  }
  if (argc == 4) {
    const int slot = std::atoi(argv[3]);
    if (slot == app::slot_exit) text::set_text_scale(1);
    gui::draw_widget(slot, "Inv");
  }
  if (!tools::save_visible_page(argv[1])) {
    std::fprintf(stderr, "gorvex-snapshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
