// The main loop: poll the pointer, act on a fresh press of the left button alone, sleep, and
// sleep on while the pointer stays as it was.

#include <cstdio>

#include "app/launcher.h"
#include "app/names.h"
#include "gui/widgets.h"
#include "screen/files.h"
#include "screen/pointer.h"
#include "screen/process.h"
#include "screen/screen.h"
#include "text/text.h"

namespace app {

namespace {

constexpr cp1251::Text game_arguments = "-noconsole -conf CFG\\gorvex.cnf";
constexpr cp1251::Text editor_arguments = "-noconsole -conf CFG\\editor.cnf";
constexpr cp1251::Text setup_arguments = "-noconsole -conf CFG\\setup.cnf";

// The argument line of button 1, 2 or 3.
std::string_view emulator_arguments(int slot) {
  if (slot == slot_game) return game_arguments;
  return slot == slot_editor ? editor_arguments.view() : setup_arguments.view();
}

// Appends what a poll saw to the poll log.
void log_poll(const LauncherState& l) {
  if (std::FILE* f = std::fopen(l.poll_log.c_str(), "a")) {
    std::fprintf(f, "%d %d %d\n", int(l.pointer_x), int(l.pointer_y), int(l.buttons));
    std::fclose(f);
  }
}

}  // namespace

void run_command(int slot) {
  switch (slot) {
    case slot_game:
    case slot_editor:
    case slot_setup:
      gui::draw_widget(slot, "Inv");
      screen::present_and_wait();  // the pressed look reaches the window before the hand-over
      start_emulator(emulator_arguments(slot));
    case slot_mods:
      gui::draw_widget(slot, "Inv");
      install_mod();
    case slot_exit:
      text::set_text_scale(1);
      gui::draw_widget(slot, "Inv");
      screen::present_and_wait();  // the 50 ms of pressed look count from the window
      screen::sleep_ms(50);
      screen::end_program(0);
    default:
      break;
  }
}

void main_loop_pass(bool& click_latch) {
  LauncherState& l = launcher;
  screen::get_pointer(l.pointer_x, l.pointer_y, l.wheel, l.buttons);
  if (!l.poll_log.empty()) log_poll(l);
  if (l.buttons == 0) click_latch = false;
  if (l.buttons == 1 && !click_latch) {
    click_latch = true;
    run_command(gui::hit_test(l.pointer_x, l.pointer_y));
  }
  // A level dropped onto the window installs as if chosen after a press on the mod button;
  // a folder or anything but a file is ignored. A name the batch cannot carry is refused as
  // it would be from the dialog.
  std::string dropped;
  if (screen::take_dropped_file(dropped) &&
      (batch_name_fault(dropped) != NameFault::none || screen::files::file_size(dropped) >= 0)) {
    gui::draw_widget(slot_mods, "Inv");
    install_level(std::move(dropped));
  }
}

bool main_loop_wait() {
  screen::sleep_ms(10);
  // No limit: a change is counted under the screen lock, so none is missed, and an idle
  // launcher is woken by nothing but the player.
  return screen::wait_for_pointer_change(-1);
}

void main_loop() {
  bool click_latch = false;  // set by an acted-on press until a poll sees no button
  for (;;) {
    main_loop_pass(click_latch);
    main_loop_wait();
  }
}

}  // namespace app
