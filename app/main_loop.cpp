// The main loop: poll the pointer, act on a fresh press of the left button alone, sleep.

#include "app/launcher.h"
#include "gui/widgets.h"
#include "screen/pointer.h"
#include "screen/process.h"
#include "text/text.h"

namespace app {

namespace {

constexpr cp1251::Text game_arguments = "-noconsole -conf CFG\\gorvex.cnf";
constexpr cp1251::Text editor_arguments = "-noconsole -conf CFG\\editor.cnf";
constexpr cp1251::Text setup_arguments = "-noconsole -conf CFG\\setup.cnf";

}  // namespace

void run_command(int slot) {
  switch (slot) {
    case slot_game:
      gui::draw_widget(slot, "Inv");
      start_emulator(game_arguments);
    case slot_editor:
      gui::draw_widget(slot, "Inv");
      start_emulator(editor_arguments);
    case slot_setup:
      gui::draw_widget(slot, "Inv");
      start_emulator(setup_arguments);
    case slot_mods:
      gui::draw_widget(slot, "Inv");
      install_mod();
    case slot_exit:
      text::set_text_scale(1);
      gui::draw_widget(slot, "Inv");
      screen::sleep_ms(50);
      screen::end_program(0);
    default:
      break;
  }
}

void main_loop_pass(bool& click_latch) {
  LauncherState& l = launcher;
  screen::get_pointer(l.pointer_x, l.pointer_y, l.wheel, l.buttons);
  if (l.buttons == 0) click_latch = false;
  if (l.buttons == 1 && !click_latch) {
    click_latch = true;
    run_command(gui::hit_test(l.pointer_x, l.pointer_y));
  }
}

void main_loop() {
  bool click_latch = false;  // set by an acted-on press until a poll sees no button
  for (;;) {
    main_loop_pass(click_latch);
    screen::sleep_ms(10);
  }
}

}  // namespace app
