// The Windows common dialogs, called directly with the launcher's CP1251 texts.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <commdlg.h>

#include <cstring>
#include <string>

#include "app/dialogs.h"
#include "app/texts.h"

namespace app {

namespace {

// Name and pattern pairs, each string ended by a zero byte, the list by one more.
std::string filter_list() {
  std::string f;
  for (const std::string_view part : {texts::filter_wad.view(), std::string_view("*.wad"),
                                      texts::filter_all.view(), std::string_view("*.*")}) {
    f += part;
    f += '\0';
  }
  f += '\0';
  return f;
}

}  // namespace

std::string choose_wad(void* owner, bool* no_dialog) {
  const std::string filter = filter_list();
  const std::string title(texts::dialog_title.view());
  char file[261] = {};

  OPENFILENAMEA ofn{};
  // The record without the Windows 2000 fields: 76 bytes in a 32-bit build, 136 in a 64-bit.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.hwndOwner = static_cast<HWND>(owner);
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = ".";
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;  // 0x81800
  if (no_dialog != nullptr) *no_dialog = false;  // the common dialog is part of Windows
  if (!GetOpenFileNameA(&ofn)) return {};
  return std::string(file, strnlen(file, sizeof file));
}

void show_message_box(std::string_view text, std::string_view caption) {
  MessageBoxA(nullptr, std::string(text).c_str(), std::string(caption).c_str(), MB_ICONINFORMATION);
}

void report_no_window(std::string_view reason) {
  const std::string text = "cannot open a window: " + std::string(reason);
  MessageBoxA(nullptr, text.c_str(), std::string(texts::window_title.view()).c_str(), MB_ICONERROR);
}

}  // namespace app
