// Dialogs without a window system: the open-file dialog answers what a test scripted, and a
// message box is written to stderr as "message box: CAPTION: TEXT" (UTF-8).

#include <cstdio>

#include "app/dialogs.h"
#include "app/fake_dialogs.h"
#include "base/cp1251.h"

namespace app {

std::string choose_wad(void*, bool* no_dialog) {
  if (no_dialog != nullptr) *no_dialog = fake_dialogs::no_dialog;
  return fake_dialogs::next_wad.value_or("");
}

void show_message_box(std::string_view text, std::string_view caption) {
  fake_dialogs::boxes.push_back({std::string(caption), std::string(text)});
  std::fprintf(stderr, "message box: %s: %s\n", cp1251::to_utf8(caption).c_str(),
               cp1251::to_utf8(text).c_str());
}

void report_no_window(std::string_view reason) {
  std::fprintf(stderr, "cannot open a window: %.*s\n", int(reason.size()), reason.data());
}

}  // namespace app
