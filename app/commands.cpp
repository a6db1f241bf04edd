// What the launcher does outside its window: hand over to the emulator, install an add-on
// level through temp.bat, and report failures.

#include <cstdint>
#include <cstdio>
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

namespace {

// Says on stderr, in English, what went wrong, for whoever started the launcher from a shell.
void tell(std::string_view what) {
  std::fprintf(stderr, "gorvex-launcher: %.*s\n", int(what.size()), what.data());
}

// Hands over to the emulator in the current folder; when it cannot be started, says why and
// how a player gets it in place, and reports "NoFile".
[[noreturn]] void hand_over_to_emulator(std::string_view arguments) {
  screen::hand_over(emulator, arguments);
  const std::string why = screen::last_start_error();
  tell("gorvex.exe in " + screen::get_launcher_directory() + " cannot be started: " + why +
       "; on Linux link it to DOSBox: ln -s /usr/bin/dosbox gorvex.exe");
  report_failure("NoFile");
  screen::end_program(0);  // not reached: the report ends the program
}

// The box for a name that temp.bat cannot carry; nothing has been changed on disk.
[[noreturn]] void refuse_name(NameFault fault, bool is_folder) {
  struct Reason {
    NameFault fault;
    std::string_view box, english;
  };
  static constexpr Reason reasons[] = {
      {NameFault::control, texts::name_has_control, "a control character such as a line break"},
      {NameFault::quote, texts::name_has_quote, "a double quote"},
      {NameFault::backslash, texts::name_has_backslash, "a backslash"},
      {NameFault::lost, texts::name_has_lost_letters, "letters the batch file's code page lacks"},
  };
  const Reason* r = &reasons[0];
  for (const Reason& each : reasons)
    if (each.fault == fault) r = &each;
  std::string text(is_folder ? texts::bad_folder_name.view() : texts::bad_wad_name.view());
  text.append(r->box).append(texts::rename_advice);
  tell(std::string(is_folder ? "the game folder's name" : "the chosen file's name") +
       " cannot go into temp.bat: it holds " + std::string(r->english) + "; nothing was changed");
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

// A regular file that can be opened for reading (a pipe or device is never waited on).
bool can_be_read(const std::string& path) {
  std::int64_t size = 0;
  std::FILE* f = screen::files::open_regular(path, size);
  if (f != nullptr) std::fclose(f);
  return f != nullptr;
}

}  // namespace

void start_emulator(std::string_view arguments) {
  if (screen::change_directory(screen::get_launcher_directory()) == -1) report_failure("NoFile");
  hand_over_to_emulator(arguments);
}

void install_mod() {
  bool no_dialog = false;
  std::string chosen = choose_wad(nullptr, &no_dialog);
  if (no_dialog) report_failure("NoDialog");
  install_level(std::move(chosen));
}

void install_level(std::string chosen) {
  launcher.chosen_wad = std::move(chosen);
  const std::string& wad = launcher.chosen_wad;
  const std::string folder = screen::get_launcher_directory();
  if (screen::change_directory(folder) == -1) report_failure("NoFile");

  // Every path that goes into the batch is checked before anything on disk changes.
  if (const NameFault f = batch_name_fault(folder); f != NameFault::none) refuse_name(f, true);
  if (const NameFault f = batch_name_fault(wad); f != NameFault::none) refuse_name(f, false);
  if (!wad.empty() && !can_be_read(wad)) report_failure("NoCopy");
  if (!screen::files::claim_current_folder()) report_failure("NoLock");
  // The installed level itself, chosen again: it is already in place.
  if (!wad.empty() && screen::files::same_file(wad, installed_wad))
    hand_over_to_emulator(mod_arguments);

  if (!clear_batch_file()) report_failure("NoTRun");
  const int number = screen::files::free_file_number();
  if (screen::files::open_new_for_output(batch_file, number) != 0) report_failure("NoTRun");
  const BatchLines lines = batch_lines(folder, wad, screen::ansi_code_page());
  for (const std::string& line : {lines.code_page, lines.remove, lines.copy})
    screen::files::print_line(number, line);
  screen::files::close_file(number);

  if (screen::run_and_wait(batch_file, "") == -1) report_failure("NoTRun");
  if (screen::delete_file(batch_file) != 0) report_failure("NoTDel");
  // A copy that did not happen is no success: no room, no roms folder, or an older level
  // that could not be replaced (held open, read-only) and may be just as long.
  if (!wad.empty() && !screen::files::same_contents(wad, installed_wad)) report_failure("NoCopy");
  hand_over_to_emulator(mod_arguments);
}

void report_failure(std::string_view code) {
  struct Box {
    std::string_view code, text, caption, english;
  };
  static constexpr Box boxes[] = {
      {"NoFile", texts::no_file_text, texts::no_file_caption,
       "the game's files are not in place; the launcher's folder must hold gorvex.exe, CFG and "
       "roms"},
      {"NoTRun", texts::no_run_text, texts::trouble_caption, "temp.bat cannot be made or run"},
      {"NoTDel", texts::no_delete_text, texts::trouble_caption, "temp.bat cannot be deleted"},
      {"NoCopy", texts::no_copy_text, texts::trouble_caption,
       "the chosen file was not copied to roms/temp.wad; the game was not started"},
      {"NoLock", texts::busy_text, texts::trouble_caption,
       "another launcher is installing a level in this folder; try again"},
      {"NoDialog", texts::no_dialog_text, texts::trouble_caption,
       "no file dialog could be started: install zenity (Debian and Ubuntu: apt install "
       "zenity) or kdialog (apt install kdialog); nothing was changed"},
  };
  for (const Box& box : boxes) {
    if (box.code != code) continue;
    tell(box.english);
    show_message_box(box.text, box.caption);
    screen::end_program(0);
  }
}

}  // namespace app
