#pragma once
// The launcher: its state, start-up, main loop and commands.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/cp1251.h"

namespace app {

struct LauncherState {
  std::int32_t screen_width = 0;
  std::int32_t screen_height = 0;
  std::string window_title;
  std::int32_t pointer_x = 0, pointer_y = 0, wheel = 0, buttons = 0;
  std::string chosen_wad;
  std::string poll_log;  // a file that each poll's x, y and buttons are appended to, if named
};

inline LauncherState launcher;

// The main screen's widgets.
inline constexpr int slot_title_plate = 100;
inline constexpr int slot_game = 1;
inline constexpr int slot_editor = 2;
inline constexpr int slot_setup = 3;
inline constexpr int slot_mods = 4;
inline constexpr int slot_exit = 255;

inline constexpr cp1251::Text version_line = "\"Gorvex Launcher v1.0 (2007/09/09)\"";
static_assert(version_line.size == 35);

// Fills the widget table, opens the screen, shows the picture in the game palette and draws
// the buttons and about lines; leaves text scale 2. Returns false when no window opened.
bool start_up();

// Polls the pointer at most every 10 ms, and only once it has changed, and runs the command
// of the first fresh left click.
[[noreturn]] void main_loop();

// One pass of the main loop without its sleep: poll, latch, hit test, command. The click
// latch is the loop's own, clear when the loop starts.
void main_loop_pass(bool& click_latch);

// The main loop's pause after a pass: 10 ms, then until the pointer has changed, however long.
// True when it has.
bool main_loop_wait();

// The command behind a slot; slots without one do nothing.
void run_command(int slot);

// Hands over to the emulator with an argument line; reports "NoFile" when it cannot.
[[noreturn]] void start_emulator(std::string_view arguments);

// Lets the player pick a WAD, copies it to roms\temp.wad through temp.bat and starts the
// emulator with the add-on configuration.
[[noreturn]] void install_mod();

// The same for a level already chosen (a file dropped onto the window, or "" for none).
[[noreturn]] void install_level(std::string chosen);

// The three lines of temp.bat for launcher folder `dir` and chosen file `wad`.
struct BatchLines {
  std::string code_page, remove, copy;
};
BatchLines batch_lines(std::string_view dir, std::string_view wad, int code_page);

// Shows the box of "NoFile", "NoTRun" or "NoTDel" and ends the program with 0; any other
// code returns at once.
void report_failure(std::string_view code);

}  // namespace app
