#pragma once
// CP1251 (Windows Cyrillic), the code page of every text the launcher shows.
// Source files are UTF-8; literals are turned into CP1251 bytes at compile time.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace cp1251 {

// Unicode code points of bytes 0x80..0xBF; 0 where the byte has no character.
inline constexpr std::array<char32_t, 64> upper_half = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

// The code point of a CP1251 byte; 0 for the one unassigned byte 0x98.
constexpr char32_t to_unicode(unsigned char b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return char32_t(0x0410 + (b - 0xC0));
  return upper_half[b - 0x80];
}

// The CP1251 byte of a code point, or -1 where CP1251 has no form for it.
constexpr int from_unicode(char32_t c) {
  if (c < 0x80) return int(c);
  if (c >= 0x0410 && c <= 0x044F) return int(c - 0x0410 + 0xC0);
  for (std::size_t i = 0; i < upper_half.size(); ++i)
    if (upper_half[i] == c && c != 0) return int(0x80 + i);
  return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 if it is not valid UTF-8.
constexpr std::size_t decode_utf8(std::string_view s, std::size_t i, char32_t& out) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  std::size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  out = c;
  return len;
}

// A string literal in UTF-8 source, stored as CP1251 bytes; fails to compile on a
// character that CP1251 cannot hold.
template <std::size_t N>
struct Text {
  std::array<char, N> bytes{};
  std::size_t size = 0;

  consteval Text(const char (&utf8)[N]) {
    const std::string_view s(utf8, N - 1);
    for (std::size_t i = 0; i < s.size();) {
      char32_t c = 0;
      const std::size_t len = decode_utf8(s, i, c);
      if (len == 0) throw "invalid UTF-8 in a CP1251 literal";
      const int b = from_unicode(c);
      if (b < 0) throw "character has no CP1251 form";
      bytes[size++] = static_cast<char>(b);
      i += len;
    }
  }
  constexpr std::string_view view() const { return {bytes.data(), size}; }
  constexpr operator std::string_view() const { return view(); }
};

// The CP1251 code of a one-character literal, for tables keyed by character code.
consteval int code(const char* utf8) {
  const std::string_view s(utf8);
  char32_t c = 0;
  if (decode_utf8(s, 0, c) != s.size()) throw "not one character";
  const int b = from_unicode(c);
  if (b < 0) throw "character has no CP1251 form";
  return b;
}

// CP1251 bytes as UTF-8.
std::string to_utf8(std::string_view bytes);

// UTF-8 as CP1251 bytes: a character without a CP1251 form becomes "?", and a byte that
// is not part of valid UTF-8 is kept as it is.
std::string from_utf8(std::string_view utf8);

}  // namespace cp1251
