// The dialogs on Linux: the window's message box, and the desktop's file chooser (zenity, else
// kdialog) run as a child process whose output is the chosen path.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/texts.h"
#include "screen/process.h"
#include "screen/screen.h"

namespace app {

namespace {

std::string current_folder() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::vector<std::string> zenity_words(const std::string& folder) {
  const std::string title = cp1251::to_utf8(texts::dialog_title);
  std::vector<std::string> words = {
      "zenity", "--file-selection", "--title=" + title,
      "--file-filter=" + cp1251::to_utf8(texts::filter_wad) + " | *.wad",
      "--file-filter=" + cp1251::to_utf8(texts::filter_all) + " | *"};
  if (!folder.empty()) words.push_back("--filename=" + folder + "/");
  if (const std::uint64_t id = screen::window_system_id()) {
    words.push_back("--modal");
    words.push_back("--attach=" + std::to_string(id));
  }
  return words;
}

std::vector<std::string> kdialog_words(const std::string& folder) {
  const std::uint64_t id = screen::window_system_id();
  return {
      "kdialog",
      "--attach",
      std::to_string(id),
      "--title",
      cp1251::to_utf8(texts::dialog_title),
      "--getopenfilename",
      folder.empty() ? "." : folder,
      "*.wad|" + cp1251::to_utf8(texts::filter_wad) + "\n*|" + cp1251::to_utf8(texts::filter_all)};
}

}  // namespace

std::string choose_wad(void*, bool* no_dialog) {
  const std::string folder = current_folder();
  std::string output;
  int status = -1;
  const bool started = screen::run_for_output(zenity_words(folder), output, status) ||
                       screen::run_for_output(kdialog_words(folder), output, status);
  if (no_dialog != nullptr) *no_dialog = !started;
  if (!started) return {};
  if (status != 0) return {};
  if (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

// The desktop's own box where it has one, else zenity or kdialog (over the window where it is
// an X one), else the caption and text on stderr.
void show_message_box(std::string_view text, std::string_view caption) {
  const std::string utf8_text = cp1251::to_utf8(text);
  const std::string utf8_caption = cp1251::to_utf8(caption);
  if (screen::show_desktop_box(utf8_text, utf8_caption)) return;
  std::vector<std::string> zenity = {"zenity", "--info", "--no-markup", "--title=" + utf8_caption,
                                     "--text=" + utf8_text};
  std::vector<std::string> kdialog = {"kdialog", "--title", utf8_caption, "--msgbox", utf8_text};
  if (const std::uint64_t id = screen::window_system_id()) {
    zenity.insert(zenity.begin() + 1, {"--modal", "--attach=" + std::to_string(id)});
    kdialog.insert(kdialog.begin() + 1, {"--attach", std::to_string(id)});
  }
  std::string output;
  int status = -1;
  if (screen::run_for_output(zenity, output, status) ||
      screen::run_for_output(kdialog, output, status))
    return;
  std::fprintf(stderr, "%s: %s\n", utf8_caption.c_str(), utf8_text.c_str());
}

void report_no_window(std::string_view reason) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (display != nullptr && *display != '\0')
    std::fprintf(stderr, "gorvex-launcher: cannot open display \"%s\": %.*s\n", display,
                 int(reason.size()), reason.data());
  else if (wayland != nullptr && *wayland != '\0')
    std::fprintf(stderr, "gorvex-launcher: cannot open Wayland display \"%s\": %.*s\n", wayland,
                 int(reason.size()), reason.data());
  else
    std::fprintf(stderr,
                 "gorvex-launcher: cannot open a window: DISPLAY and WAYLAND_DISPLAY are unset; "
                 "start it in a desktop session (%.*s)\n",
                 int(reason.size()), reason.data());
}

}  // namespace app
