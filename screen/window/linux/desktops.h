#pragma once
// The Linux launcher carries a driver for each desktop it can speak; choice.cpp picks one when
// the window opens and forwards the driver calls to it. Each driver fills one of these tables
// with the functions of its own namespace; their contracts are the driver's (window/driver.h).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "screen/window/driver.h"

namespace screen::linux_window {

struct Desktop {
  const char* name;  // "wayland", "x11": as GORVEX_DESKTOP names it
  // `last_resort`: no other desktop is left to try, so a window that the player cannot move
  // (no title bar to be had) is better than none; the driver then says so on stderr.
  bool (*open)(int width, int height, std::string_view title, bool last_resort,
               std::string& error);
  void (*set_title)(std::string_view title);
  void (*set_palette)(const std::array<Rgb, 256>& palette);
  void (*present)(const std::uint8_t* page, int width, int first, int last);
  void (*take_events)(std::vector<driver::Event>& events);
  void (*wait_for_event)(int milliseconds);
  void (*wake)();
  bool (*set_full_screen)(bool on);
  bool (*full_screen)();
  void (*close)();
  std::uint64_t (*window_id)();  // an X window for dialogs to attach to; 0 where there is none
  // A message box of the desktop's own (UTF-8 texts); false when it could not show one. Where
  // there is none (nullptr) or it fails, zenity or kdialog shows it, else stderr.
  bool (*show_box)(const std::string& text, const std::string& caption) = nullptr;
};

extern const Desktop wayland_desktop;
extern const Desktop x11_desktop;

}  // namespace screen::linux_window
