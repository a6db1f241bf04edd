// Start-up: the widget table, the window, the background picture in the game palette, the
// five buttons and the about lines.

#include <array>
#include <cstdio>
#include <string>

#include "app/launcher.h"
#include "app/texts.h"
#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/files.h"
#include "screen/process.h"
#include "screen/screen.h"
#include "text/palettes.h"
#include "text/text.h"

namespace app {

namespace {

using Colours = std::array<int, 5>;
constexpr Colours greys = {81, 96, 101, 109, 111};
constexpr Colours greens = {112, 116, 121, 123, 125};
constexpr Colours golds = {163, 164, 165, 166, 167};

struct WidgetSpec {
  int slot;
  const char* name;
  std::string_view caption;
  int x, y, height, width;
  const Colours& colours;
};

// The build tool named in the second about line.
std::string build_tool() {
#if defined(__clang__)
  return "Clang " __clang_version__;
#elif defined(__GNUC__)
  return "GCC " __VERSION__;
#else
  return "C++";
#endif
}

// The launcher folder as the font can show it: CP1251, '?' for letters it lacks.
std::string folder_for_display() {
  return cp1251::from_utf8(screen::launcher_directory_utf8());
}

// The background picture from the current folder, or else from the launcher's own, so that
// a shortcut without a working folder still shows it. Says on stderr why it is missing.
void load_picture() {
  constexpr std::string_view picture = "CFG\\INTERPIC.bmp";
  int result = screen::load_bmp(picture);
  const std::string folder = screen::get_launcher_directory();
  if (result == 2 && !folder.empty())
    result = screen::load_bmp(folder + screen::files::native_path("\\") + std::string(picture));
  if (result == 0) return;
  const char* why = result == 2   ? "cannot be opened or is not a file"
                    : result == 1 ? "has more than 8 bits per pixel; save it with 256 colours"
                                  : "is cut short or not a BMP picture this launcher reads";
  std::fprintf(stderr,
               "gorvex-launcher: the background picture CFG/INTERPIC.bmp (in the current folder "
               "or in %s) %s; the screen shows a plain colour behind the buttons\n",
               folder.c_str(), why);
}

}  // namespace

bool start_up() {
  gui::toolkit.version_text = texts::version_banner;
  launcher.screen_width = 640;
  launcher.screen_height = 480;
  launcher.window_title = texts::window_title;

  const int w = launcher.screen_width;
  const int h = launcher.screen_height;
  constexpr int button_width = 300, button_height = 30, button_gap = 15, first_top = 150;
  constexpr int plate_width = 400, plate_height = 50;
  constexpr int exit_width = 70, exit_height = 18;
  const int button_x = gui::half_to_even(w - button_width);  // w / 2 - 300 / 2
  const int plate_x = gui::half_to_even(w - plate_width);
  const int step = button_height + button_gap;
  const int plate_y = first_top - plate_height - 10;
  const WidgetSpec specs[] = {
      // slot, name, caption, x, y, height, width, colours
      {slot_title_plate, "NAMED", texts::caption_title, plate_x, plate_y, plate_height, plate_width,
       greys},
      {slot_game, "GVX", texts::caption_game, button_x, first_top, button_height, button_width,
       greys},
      {slot_editor, "ED", texts::caption_editor, button_x, first_top + step, button_height,
       button_width, greys},
      {slot_setup, "SET", texts::caption_setup, button_x, first_top + 2 * step, button_height,
       button_width, greens},
      {slot_mods, "REL", texts::caption_mods, button_x, first_top + 3 * step, button_height,
       button_width, greens},
      {slot_exit, "EXIT", texts::caption_exit, 4, h - exit_height - 4, exit_height, exit_width,
       golds},
  };
  for (const WidgetSpec& s : specs) {
    gui::define_widget(s.slot, s.name, s.x, s.y, s.height, s.width, s.caption);
    gui::set_widget_colours(s.slot, s.colours[0], s.colours[1], s.colours[2], s.colours[3],
                            s.colours[4]);
  }

  if (screen::set_screen_mode(w, h, 8, 3) != 0) return false;
  screen::set_window_title(launcher.window_title);
  screen::set_pages(0, 1);
  load_picture();
  screen::set_pages(0, 0);
  text::set_palette("GORV");

  text::set_text_scale(2);
  for (const int slot : {slot_game, slot_editor, slot_setup, slot_mods})
    gui::draw_widget(slot, "Nor");
  text::set_text_scale(1);
  gui::draw_widget(slot_exit, "Nor");

  text::set_text_colours(greys[0], greys[1], greys[2], greys[3], greys[4]);
  const std::string about[] = {
      std::string(texts::about_author),
      gui::toolkit.version_text + " " + build_tool(),
      std::string(texts::about_licence),
      folder_for_display(),
  };
  for (int i = 0; i < 4; ++i) text::draw_text(4, 3 + 9 * i, about[i], " ");
  text::draw_text(460, 468, version_line, " ");

  text::set_text_scale(2);
  return true;
}

}  // namespace app
