// What the launcher does outside its window: hand over to the emulator, install an add-on
// level through temp.bat, and report failures.

#include <string>

#include "app/dialogs.h"
#include "app/launcher.h"
#include "app/texts.h"
#include "screen/files.h"
#include "screen/process.h"

namespace app {

namespace {

constexpr std::string_view emulator = "gorvex.exe";
constexpr std::string_view batch_file = "temp.bat";
constexpr cp1251::Text mod_arguments = "-noconsole -conf CFG\\plusmod.cnf";

// The command interpreter expands %...% even inside quotes; "%%" stands for one "%".
std::string escape_percent(std::string_view path) {
  std::string out;
  for (const char c : path) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

BatchLines batch_lines(std::string_view dir, std::string_view wad, int code_page) {
  const std::string d = escape_percent(dir);
  const std::string target = "\"" + d + "\\roms\\temp.wad\"";
  return {"chcp " + std::to_string(code_page), "del /f /q " + target,
          "copy /y \"" + escape_percent(wad) + "\" " + target};
}

void start_emulator(std::string_view arguments) {
  if (screen::change_directory(screen::get_launcher_directory()) == -1) report_failure("NoFile");
  screen::hand_over(emulator, arguments);
  report_failure("NoFile");
  screen::end_program(0);  // not reached: the report ends the program
}

void install_mod() {
  launcher.chosen_wad = choose_wad(nullptr);
  if (screen::change_directory(screen::get_launcher_directory()) == -1) report_failure("NoFile");

  const int number = screen::files::free_file_number();
  screen::files::open_for_output(batch_file, number);
  const BatchLines lines =
      batch_lines(screen::get_launcher_directory(), launcher.chosen_wad, screen::ansi_code_page());
  for (const std::string& line : {lines.code_page, lines.remove, lines.copy})
    screen::files::print_line(number, line);
  screen::files::close_file(number);

  if (screen::run_and_wait(batch_file, "") == -1) report_failure("NoTRun");
  if (screen::delete_file(batch_file) != 0) report_failure("NoTDel");
  screen::hand_over(emulator, mod_arguments);
  report_failure("NoFile");
  screen::end_program(0);
}

void report_failure(std::string_view code) {
  if (code == "NoFile") {
    show_message_box(texts::no_file_text, texts::no_file_caption);
  } else if (code == "NoTRun") {
    show_message_box(texts::no_run_text, texts::trouble_caption);
  } else if (code == "NoTDel") {
    show_message_box(texts::no_delete_text, texts::trouble_caption);
  } else {
    return;
  }
  screen::end_program(0);
}

}  // namespace app
