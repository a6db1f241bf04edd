#pragma once
// Glyphs and pictures as text art: one letter per art pixel. "1", "2", "s" and "x" draw in
// text colours 1, 2, 4 and 5; every other letter, and a column past a row's end, is clear.

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace text {

// One glyph or picture: width and height in art pixels and its rows, top row first.
struct ArtEntry {
  int width = 0;
  int height = 0;
  std::span<const char* const> rows;

  // The letter at art column j, row i (both from 0); '.' past a row's end.
  char letter(int i, int j) const {
    const std::string_view row = rows[static_cast<std::size_t>(i)];
    return j < static_cast<int>(row.size()) ? row[static_cast<std::size_t>(j)] : '.';
  }
};

// A table row of art, as written in the tables: key, size and up to Rows rows.
template <std::size_t Rows>
struct Art {
  int key;
  int width;
  int height;
  std::array<const char*, Rows> rows;

  constexpr ArtEntry entry() const {
    return {width, height, std::span<const char* const>(rows.data(), std::size_t(height))};
  }
};

// True when every entry has exactly `height` rows, each of exactly `width` letters.
template <std::size_t Rows, std::size_t N>
consteval bool art_is_well_formed(const std::array<Art<Rows>, N>& table) {
  for (const auto& a : table) {
    if (a.height < 1 || a.height > int(Rows) || a.width < 1) return false;
    for (int i = 0; i < int(Rows); ++i) {
      if ((i < a.height) != (a.rows[std::size_t(i)] != nullptr)) return false;
      if (i < a.height && std::string_view(a.rows[std::size_t(i)]).size() != std::size_t(a.width))
        return false;
    }
  }
  return true;
}

// Glyph for a character code 0..255: its own, an alias's, or the blank of the space.
ArtEntry select_glyph(unsigned char code);

// Picture for one of the twelve picture keys; nullptr for any other key.
const ArtEntry* select_picture(unsigned char key);

}  // namespace text
