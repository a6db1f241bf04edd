// UTF-16 conversions through the system's own tables.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>

#include "base/unicode_win32.h"

namespace screen::unicode {

std::wstring widen(std::string_view bytes, unsigned code_page) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  std::wstring out(std::size_t(std::max(n, 0)), L'\0');
  if (n > 0) MultiByteToWideChar(code_page, 0, bytes.data(), int(bytes.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view text, unsigned code_page, bool* exact) {
  if (exact != nullptr) *exact = true;
  if (text.empty()) return {};
  if (code_page == CP_ACP) code_page = GetACP();
  // UTF-8 holds every letter; only a lone surrogate fails, and the system then writes U+FFFD.
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL lost = FALSE;
  BOOL* lost_out = utf8 ? nullptr : &lost;
  const char* fill = utf8 ? nullptr : "?";
  int n = WideCharToMultiByte(code_page, flags, text.data(), int(text.size()), nullptr, 0, fill,
                              lost_out);
  DWORD used = flags;
  if (n == 0 && utf8) {
    if (exact != nullptr) *exact = false;
    used = 0;
    n = WideCharToMultiByte(code_page, 0, text.data(), int(text.size()), nullptr, 0, nullptr,
                            nullptr);
  }
  std::string out(std::size_t(std::max(n, 0)), '\0');
  if (n > 0)
    WideCharToMultiByte(code_page, used, text.data(), int(text.size()), out.data(), n, fill,
                        lost_out);
  if (lost && exact != nullptr) *exact = false;
  return out;
}

std::string ansi_path(const std::wstring& path) {
  bool exact = false;
  std::string bytes = narrow(path, CP_ACP, &exact);
  if (exact) return bytes;
  const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return bytes;
  std::wstring short_path(n, L'\0');
  const DWORD got = GetShortPathNameW(path.c_str(), short_path.data(), n);
  if (got == 0 || got >= n) return bytes;
  short_path.resize(got);
  std::string short_bytes = narrow(short_path, CP_ACP, &exact);
  return exact ? short_bytes : bytes;
}

}  // namespace screen::unicode
