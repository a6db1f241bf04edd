#include <cstdlib>

#include "app/dialogs.h"
#include "app/launcher.h"
#include "screen/screen.h"

int main() {
  if (!app::start_up()) {
    app::report_no_window(screen::last_window_error());
    return 1;
  }
  app::main_loop();
}
