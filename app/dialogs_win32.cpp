// The Windows common dialogs, in UTF-16 with the launcher's CP1251 texts converted, so that
// they read right whatever the system's code page. They belong to the launcher window and
// stay above it.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/texts.h"
#include "screen/screen.h"
#include "base/unicode_win32.h"

namespace app {

namespace {

constexpr unsigned cp1251 = 1251;

std::wstring from_1251(std::string_view text) {
  return screen::unicode::widen(text, cp1251);
}

HWND owner_or_launcher(void* owner) {
  if (owner != nullptr) return static_cast<HWND>(owner);
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(screen::window_system_id()));
}

// Name and pattern pairs, each string ended by a zero, the list by one more.
std::wstring filter_list() {
  std::wstring f;
  for (const std::wstring& part : {from_1251(texts::filter_wad.view()), std::wstring(L"*.wad"),
                                   from_1251(texts::filter_all.view()), std::wstring(L"*.*")}) {
    f += part;
    f += L'\0';
  }
  f += L'\0';
  return f;
}

}  // namespace

std::string choose_wad(void* owner, bool* no_dialog) {
  const std::wstring filter = filter_list();
  const std::wstring title = from_1251(texts::dialog_title.view());
  std::vector<wchar_t> file(32768, L'\0');

  OPENFILENAMEW ofn{};
  // The record without the Windows 2000 fields: 76 bytes in a 32-bit build, 136 in a 64-bit.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = owner_or_launcher(owner);
  ofn.hInstance = GetModuleHandleW(nullptr);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = DWORD(file.size());
  ofn.lpstrInitialDir = L".";
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;  // 0x81800
  if (no_dialog != nullptr) *no_dialog = false;  // the common dialog is part of Windows
  if (!GetOpenFileNameW(&ofn)) return {};
  return screen::unicode::ansi_path(file.data());
}

void show_message_box(std::string_view text, std::string_view caption) {
  MessageBoxW(owner_or_launcher(nullptr), from_1251(text).c_str(), from_1251(caption).c_str(),
              MB_ICONINFORMATION);
}

void report_no_window(std::string_view reason) {
  const std::wstring text = L"cannot open a window: " + from_1251(reason);
  MessageBoxW(nullptr, text.c_str(), from_1251(texts::window_title.view()).c_str(), MB_ICONERROR);
}

}  // namespace app
