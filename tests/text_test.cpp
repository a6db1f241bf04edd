// Font and picture tables, and text drawing.

#include <set>

#include "base/cp1251.h"
#include "gui/toolkit_state.h"
#include "tests/test_support.h"
#include "text/art.h"
#include "text/text.h"
#include "text/text_state.h"

namespace {

using cp1251::code;
using testing_support::ScreenTest;

bool is_blank(unsigned char c) {
  return text::select_glyph(c).rows.data() == text::select_glyph(' ').rows.data();
}

bool same_art(const text::ArtEntry& a, const text::ArtEntry& b) {
  if (a.width != b.width || a.height != b.height) return false;
  for (int i = 0; i < a.height; ++i)
    if (std::string_view(a.rows[std::size_t(i)]) != b.rows[std::size_t(i)]) return false;
  return true;
}

TEST(Font, UncoveredCodesTakeTheBlankOfTheSpace) {
  const text::ArtEntry blank = text::select_glyph(' ');
  EXPECT_EQ(blank.width, 5);
  EXPECT_EQ(blank.height, 8);
  for (const int c : {0, 10, 31, 38, 39, 59, 64, 94, 123, 126, 150, 167, 169, 183, 185, 191})
    EXPECT_TRUE(is_blank(static_cast<unsigned char>(c))) << c;
  int covered = 0;
  for (int c = 0; c < 256; ++c) covered += !is_blank(static_cast<unsigned char>(c));
  EXPECT_EQ(covered, 132 + 19);  // own glyphs but the space, and the Cyrillic look-alikes
  for (int c = 128; c < 192; ++c)
    EXPECT_EQ(is_blank(static_cast<unsigned char>(c)), c != 168 && c != 184) << c;
}

TEST(Font, LookAlikesShareLatinGlyphsAndOthersHaveTheirOwn) {
  EXPECT_TRUE(same_art(text::select_glyph(code("Ь")), text::select_glyph('b')));
  EXPECT_TRUE(same_art(text::select_glyph(code("З")), text::select_glyph('3')));
  EXPECT_TRUE(same_art(text::select_glyph(code("р")), text::select_glyph('p')));
  EXPECT_EQ(text::select_glyph(code("ь")).width, 5);
  EXPECT_FALSE(same_art(text::select_glyph(code("Э")), text::select_glyph('E')));
  EXPECT_EQ(text::select_glyph(255).width, 6);
}

TEST(Font, OnlyDollarAsteriskAndDescendersReachTheNinthRow) {
  std::set<int> tall;
  for (int c = 0; c < 256; ++c)
    if (text::select_glyph(static_cast<unsigned char>(c)).height == 9) tall.insert(c);
  EXPECT_EQ(tall, (std::set<int>{'$', '*', 'g', 'p', 'q', 'y', code("р")}));
}

TEST(Pictures, KeysSizesAndSharedArt) {
  const text::ArtEntry* centre = text::select_picture('s');
  ASSERT_NE(centre, nullptr);
  EXPECT_EQ(centre->width, 17);
  EXPECT_EQ(centre->height, 16);
  EXPECT_EQ(std::string_view(centre->rows[0]), "2222222222222222.");
  EXPECT_EQ(text::select_picture(' ')->rows.data(), text::select_glyph(' ').rows.data());
  EXPECT_EQ(text::select_picture('1')->width, 32);
  EXPECT_EQ(text::select_picture('2')->height, 32);
  EXPECT_TRUE(same_art(*text::select_picture('a'), *text::select_picture('d')));
  EXPECT_TRUE(same_art(*text::select_picture('w'), *text::select_picture('x')));
  EXPECT_EQ(text::select_picture('Q'), nullptr);
  EXPECT_EQ(text::select_picture('3'), nullptr);
}

class TextDrawing : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    text::set_text_colours(1, 2, 3, 4, 5);
  }
};

TEST_F(TextDrawing, NeighbouringGlyphsShareOneColumn) {
  text::draw_text(0, 0, "AB", "SvOF");
  EXPECT_EQ(text::text_state.cursor_x, 10);
  EXPECT_EQ(at(0, 2), 0);   // one pixel right of and below the point
  EXPECT_EQ(at(1, 2), 5);   // A's first column: "x" in row 2
  EXPECT_EQ(at(1, 1), 0);   // A's top-left corner is clear
  EXPECT_EQ(at(6, 1), 5);   // the shared column: B's "x" covers A's clear corner
  EXPECT_EQ(at(11, 2), 5);  // B's last column
  EXPECT_EQ(count(12, 0, 20, 10, 0), 9 * 11);
}

TEST_F(TextDrawing, ScaleTwoDrawsBlocksFromOnePixelOff) {
  text::set_text_scale(2);
  text::draw_text(4, 3, "!", " ");
  EXPECT_EQ(at(4, 3), 0);
  EXPECT_EQ(count(5, 4, 6, 5, 5), 4);       // "x" as a 2 x 2 block
  EXPECT_EQ(count(7, 4, 8, 5, 4), 4);       // then "s"
  EXPECT_EQ(text::text_state.cursor_x, 0);  // " " leaves the cursor alone
}

TEST_F(TextDrawing, DescenderReachesOneRowLower) {
  text::draw_text(0, 0, "g", " ");
  EXPECT_GT(count(0, 9, 10, 9, 5), 0);
  text::draw_text(20, 0, "a", " ");
  EXPECT_EQ(count(20, 9, 30, 9, 0), 11);
}

TEST_F(TextDrawing, NoLetterDrawsInTextColourThree) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  for (int line = 0; line < 8; ++line)
    text::draw_text(0, line * 10, std::string_view(all).substr(std::size_t(line) * 32, 32), " ");
  EXPECT_EQ(count(0, 0, 639, 479, 3), 0);
  EXPECT_GT(count(0, 0, 639, 479, 1), 0);
  EXPECT_GT(count(0, 0, 639, 479, 2), 0);
}

TEST_F(TextDrawing, PictureModeOnlyWithTheExactOption) {
  text::draw_text(0, 0, "s", "tile");  // the font's "s", with two shading pixels
  EXPECT_EQ(count(0, 0, 20, 20, 2), 2);
  text::draw_text(0, 0, "s", "SvOF");
  EXPECT_EQ(count(0, 0, 20, 20, 2), 2);
  text::draw_text(0, 0, "Qs", "TiLE");  // Q is no key: nothing drawn, the pen stays
  EXPECT_EQ(count(1, 1, 16, 16, 2), 256);
  EXPECT_EQ(at(17, 1), 0);  // the tile's clear 17th column
}

TEST_F(TextDrawing, EmptyTextAndScaleZeroOnlyMoveTheCursor) {
  text::draw_text(33, 0, "", "SvOF");
  EXPECT_EQ(text::text_state.cursor_x, 33);
  text::set_text_scale(0);
  text::draw_text(50, 50, "ABC", "SvOF");
  EXPECT_EQ(text::text_state.cursor_x, 50);
  EXPECT_EQ(count(0, 0, 639, 479, 0), 640 * 480);
}

TEST_F(TextDrawing, PrintAtCursorMovesByLinesOrAlongTheLine) {
  text::print_at_cursor("I", 2);
  EXPECT_EQ(text::text_state.cursor_row, 2);
  EXPECT_GT(count(0, 1, 10, 8, 5), 0);
  text::print_at_cursor("I", 0);  // at y 18, leaves the cursor behind the text
  EXPECT_GT(count(0, 19, 10, 26, 5), 0);
  EXPECT_EQ(text::text_state.cursor_x, 4);
  text::print_at_cursor("I", 0);
  EXPECT_EQ(text::text_state.cursor_x, 8);
  text::print_at_cursor("I", -1);
  EXPECT_EQ(text::text_state.cursor_row, 2);
  EXPECT_EQ(text::text_state.cursor_x, 8);
}

TEST(TextWidth, GlyphWidthsLessSharedColumns) {
  EXPECT_EQ(text::text_width(cp1251::Text("*Закрыть*").view()), 51);
  EXPECT_EQ(text::text_width(cp1251::Text("Редактор карт").view()), 64);
  EXPECT_EQ(text::text_width("AB"), 11);
}

TEST(Cp1251, RoundTripsAndKeepsWhatItCannotRead) {
  const std::string utf8 = "Ёлка ё №5";
  EXPECT_EQ(cp1251::to_utf8(cp1251::from_utf8(utf8)), utf8);
  EXPECT_EQ(cp1251::from_utf8("\xC0\xFF"), "\xC0\xFF");  // not UTF-8: bytes kept
  EXPECT_EQ(cp1251::from_utf8("日"), "?");
  EXPECT_EQ(cp1251::Text("Я").view(), "\xDF");
}

}  // namespace
