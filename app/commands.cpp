// What the launcher does outside its window: hand over to the emulator, install an add-on
// level through temp.bat, and report failures.

#include <cstdint>
#include <string>

#include "app/dialogs.h"
#include "app/launcher.h"
#include "app/names.h"
#include "app/texts.h"
#include "screen/files.h"
#include "screen/process.h"

namespace app {

namespace {

constexpr std::string_view emulator = "gorvex.exe";
constexpr std::string_view batch_file = "temp.bat";
constexpr std::string_view installed_wad = "roms\\temp.wad";
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

namespace {

// The box for a name that temp.bat cannot carry; nothing has been changed on disk.
[[noreturn]] void refuse_name(NameFault fault, bool is_folder) {
  std::string text(is_folder ? texts::bad_folder_name.view() : texts::bad_wad_name.view());
  switch (fault) {
    case NameFault::control:
      text += texts::name_has_control;
      break;
    case NameFault::quote:
      text += texts::name_has_quote;
      break;
    case NameFault::backslash:
      text += texts::name_has_backslash;
      break;
    default:
      text += texts::name_has_lost_letters;
      break;
  }
  text += texts::rename_advice;
  show_message_box(text, texts::trouble_caption);
  screen::end_program(0);
}

// Makes room for a fresh temp.bat: an old file or link of that name goes; a folder or
// anything else there stays and stops the installation.
bool clear_batch_file() {
  switch (screen::files::path_kind(batch_file)) {
    case screen::files::Kind::missing:
      return true;
    case screen::files::Kind::file:
    case screen::files::Kind::link:
      return screen::delete_file(batch_file) == 0;
    default:
      return false;
  }
}

}  // namespace

void install_mod() {
  launcher.chosen_wad = choose_wad(nullptr);
  const std::string& wad = launcher.chosen_wad;
  if (screen::change_directory(screen::get_launcher_directory()) == -1) report_failure("NoFile");

  // Every path that goes into the batch is checked before anything on disk changes.
  const std::string folder = screen::get_launcher_directory();
  if (const NameFault f = batch_name_fault(folder); f != NameFault::none) refuse_name(f, true);
  if (const NameFault f = batch_name_fault(wad); f != NameFault::none) refuse_name(f, false);
  if (!screen::files::claim_current_folder()) report_failure("NoLock");
  // The installed level itself, chosen again: it is already in place.
  if (!wad.empty() && screen::files::same_file(wad, installed_wad)) {
    screen::hand_over(emulator, mod_arguments);
    report_failure("NoFile");
  }

  if (!clear_batch_file()) report_failure("NoTRun");
  const int number = screen::files::free_file_number();
  if (screen::files::open_new_for_output(batch_file, number) != 0) report_failure("NoTRun");
  const BatchLines lines = batch_lines(folder, wad, screen::ansi_code_page());
  for (const std::string& line : {lines.code_page, lines.remove, lines.copy})
    screen::files::print_line(number, line);
  screen::files::close_file(number);

  if (screen::run_and_wait(batch_file, "") == -1) report_failure("NoTRun");
  if (screen::delete_file(batch_file) != 0) report_failure("NoTDel");
  // A copy that did not happen (no room, unreadable file, no roms folder) is no success.
  if (!wad.empty()) {
    const std::int64_t size = screen::files::file_size(wad);
    if (size < 0 || screen::files::file_size(installed_wad) != size) report_failure("NoCopy");
  }
  screen::hand_over(emulator, mod_arguments);
  report_failure("NoFile");
  screen::end_program(0);
}

void report_failure(std::string_view code) {
  struct Box {
    std::string_view code, text, caption;
  };
  static constexpr Box boxes[] = {
      {"NoFile", texts::no_file_text, texts::no_file_caption},
      {"NoTRun", texts::no_run_text, texts::trouble_caption},
      {"NoTDel", texts::no_delete_text, texts::trouble_caption},
      {"NoCopy", texts::no_copy_text, texts::trouble_caption},
      {"NoLock", texts::busy_text, texts::trouble_caption},
  };
  for (const Box& box : boxes) {
    if (box.code != code) continue;
    show_message_box(box.text, box.caption);
    screen::end_program(0);
  }
}

}  // namespace app
