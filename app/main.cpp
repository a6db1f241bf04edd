#include <cstdlib>

#include "app/dialogs.h"
#include "app/launcher.h"
#include "screen/screen.h"

int main() {
  if (!app::start_up()) {
    app::report_no_window(screen::last_window_error());
    return 1;
  }
  // Benchmarks name a file here to learn when the finished start screen reached the window.
  if (const char* stamp = std::getenv("GORVEX_PRESENTED_STAMP"))
    screen::report_next_presentation(stamp);
  // The end-to-end tests name a file here to learn what the loop saw, and wait for it.
  if (const char* log = std::getenv("GORVEX_POLL_LOG")) app::launcher.poll_log = log;
  screen::present_now();  // the start screen is finished: show it without waiting for a tick
  app::main_loop();
}
