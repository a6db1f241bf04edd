// The picture table: two 32 x 32 pictures and nine 17 x 16 frame tiles, keyed by the letters
// that stand where the tiles lie on the keyboard (q w e / a s d / z x c). A tile's 17th
// column is clear, so that with the pen's advance of width - 1 the tiles join edge to edge.

#include <array>

#include "text/art.h"

namespace text {

namespace {

// "1" a floppy disk; "2" a framed panel whose plate spells EXIT.
// clang-format off
constexpr std::array<Art<32>, 2> pictures = {{
    {'1', 32, 32,
     {
      "................................",
      "................................",
      ".111111111111111111111111111....",
      ".1ssss12222222222222222221ss1...",
      ".1ssss12121212121222sss221sss1..",
      ".1ssss12212121212222sss221ssss1.",
      ".1ssss12121212121222sss221ssss1.",
      ".1ssss12212121212222sss221ssss1.",
      ".1ssss12121212121222sss221ssss1.",
      ".1ssss12222222222222222221ssss1.",
      ".1ssss11111111111111111111ssss1.",
      ".1ssssssssssssssssssssssssssss1.",
      ".1ssssssssssssssssssssssssssss1.",
      ".1ssssssssssssssssssssssssssss1.",
      ".1ss222222222222222222222222ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss222222222222222222222222ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss222222222222222222222222ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss211111111111111111111112ss1.",
      ".1ss222222222222222222222222ss1.",
      ".1ss211111111111111111111112ss1.",
      ".11s2111111111111111111111121s1.",
      ".11s2111111111111111111111121s1.",
      ".111111111111111111111111111111.",
      "................................",
     }},
    {'2', 32, 32,
     {
      "................................",
      ".111111111111111111111111111111.",
      ".1s2s2ss2ss2ss2ss2ss2ss2ss2s2s1.",
      ".1212sssss211111111112sssss2121.",
      ".1s2ssssss1xxxxxxxxxx1ssssss2s1.",
      ".1ssssssss1xxxxxxxxxx1ssssssss1.",
      ".12sssssss211111111112sssssss21.",
      ".1ssssssssssssssssssssssssssss1.",
      ".1ssssssssssssssssssssssssssss1.",
      ".12ss2ss2ss2ss2ss2ss2ss2ss2ss21.",
      ".111111111111111111111111111111.",
      ".1s2ss2xxxxxxxxxxxxxxxxxx2ss2s1.",
      ".1212ssx11x1xxx1x111x111xss2121.",
      ".1s2sssx1xxx1x1xxx1xxx1xxsss2s1.",
      ".12ssssx11xxx1xxxx1xxx1xxsssss1.",
      ".1sssssx11xxx1xxxx1xxx1xxsssss1.",
      ".1sssssx1xxx1x1xxx1xxx1xxss2121.",
      ".12ssssx11x1xxx1x111xx1xxss1ss1.",
      ".1ss2ssxxxxxxxxxxxxxxxxxxss1ss1.",
      ".11111111111111111sssssssss1s21.",
      ".1ssssssssss12sssssssssssss1ss1.",
      ".1ssssssssss1ssssssssssssss21s1.",
      ".12sssssssss1ssssssssssssssss21.",
      ".1ssssssssss12ssssssssssssssss1.",
      ".1ssssssssss1ss2ss2ss2ss2sssss1.",
      ".12sssssssss111111111111sssss21.",
      ".1sssssssssssssssssssss1ssssss1.",
      ".1s2sssssssssssssssssss12sss2s1.",
      ".1212ssssssssssssssssss1sss2121.",
      ".1s2ss2ss2ss2ss2ss2ss2s1ss2s2s1.",
      ".111111111111111111111111111111.",
      "................................",
     }},
}};
// clang-format on

// q w e: top-left, top, top-right; a s d: left, centre, right; z x c: bottom row.
// clang-format off
constexpr std::array<Art<16>, 9> tiles = {{
    {'q', 17, 16,
     {
      "1111111111111111.",
      "1sssssssssssssss.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxs11.",
      "1ssxsxsxsxsxsx1s.",
     }},
    {'w', 17, 16,
     {
      "1111111111111111.",
      "ssssssssssssssss.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "1111111111111111.",
      "ssssssssssssssss.",
     }},
    {'e', 17, 16,
     {
      "111111111111111s.",
      "ssssssssssssss1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
     }},
    {'a', 17, 16,
     {
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
     }},
    {'s', 17, 16,
     {
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
      "2222222222222222.",
     }},
    {'d', 17, 16,
     {
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
      "1sxsxsxsxsxsxs1s.",
      "1ssxsxsxsxsxsx1s.",
     }},
    {'z', 17, 16,
     {
      "1sxsxsxsxsxsxs11.",
      "1ssxsxsxsxsxsxss.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1sxsxsxsxsxsxsxs.",
      "1ssxsxsxsxsxsxsx.",
      "1111111111111111.",
      "ssssssssssssssss.",
     }},
    {'x', 17, 16,
     {
      "1111111111111111.",
      "ssssssssssssssss.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "xsxsxsxsxsxsxsxs.",
      "sxsxsxsxsxsxsxsx.",
      "1111111111111111.",
      "ssssssssssssssss.",
     }},
    {'c', 17, 16,
     {
      "1sxsxsxsxsxsxs1s.",
      "sssxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "xsxsxsxsxsxsxs1s.",
      "sxsxsxsxsxsxsx1s.",
      "111111111111111s.",
      "ssssssssssssssss.",
     }},
}};
// clang-format on

static_assert(art_is_well_formed(pictures));
static_assert(art_is_well_formed(tiles));

const std::array<ArtEntry, 12> entries = [] {
  std::array<ArtEntry, 12> e{};
  e[0] = select_glyph(' ');
  for (std::size_t i = 0; i < pictures.size(); ++i) e[1 + i] = pictures[i].entry();
  for (std::size_t i = 0; i < tiles.size(); ++i) e[3 + i] = tiles[i].entry();
  return e;
}();

constexpr std::array<int, 12> keys = {' ', '1', '2', 'q', 'w', 'e', 'a', 's', 'd', 'z', 'x', 'c'};

}  // namespace

const ArtEntry* select_picture(unsigned char key) {
  for (std::size_t i = 0; i < keys.size(); ++i)
    if (keys[i] == key) return &entries[i];
  return nullptr;
}

}  // namespace text
