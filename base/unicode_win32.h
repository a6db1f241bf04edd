#pragma once
// Conversions between Windows' UTF-16 names and the byte strings the launcher carries.

#include <string>
#include <string_view>

namespace screen::unicode {

// `bytes` in code page `code_page` (1251 for the launcher's own texts) as UTF-16.
std::wstring widen(std::string_view bytes, unsigned code_page);

// `text` in code page `code_page`, '?' for each letter the page lacks; `exact` tells whether
// every letter came through as itself (never a look-alike).
std::string narrow(std::wstring_view text, unsigned code_page, bool* exact = nullptr);

// A path as bytes of the system's ANSI code page, for batch lines and command lines: the path
// itself when it converts exactly, else its short 8.3 form when that does, else the path with
// '?' for the lost letters (which no batch line accepts).
std::string ansi_path(const std::wstring& path);

}  // namespace screen::unicode
