// load_bmp against well-formed pictures of every accepted form and against hostile files.

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "screen/window/headless/headless.h"
#include "screen/screen.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScreenTest;
using testing_support::TempDir;

// A picture to be written as BMP bytes. Pixels are colour indices, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  int bits = 8;
  bool top_down = false;
  std::uint32_t compression = 0;
  std::uint32_t header_size = 40;
  std::vector<screen::Rgb> table;
  std::vector<std::uint8_t> pixels;
  int gap = 0;                    // bytes between the colour table and the pixel data
  std::uint8_t pad = 0xA5;        // value of row padding and gap bytes
  std::uint32_t masks[3] = {};    // written after the table with compression 3
  std::vector<std::uint8_t> rle;  // run-length data written instead of rows, when not empty

  std::uint8_t& at(int x, int y) { return pixels[std::size_t(y * width + x)]; }
};

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

std::vector<std::uint8_t> encode(const Picture& p) {
  std::vector<std::uint8_t> out{'B', 'M'};
  const std::size_t extra = p.header_size > 40 && p.header_size <= 124 ? p.header_size - 40 : 0;
  const auto offset = std::uint32_t(54 + extra + 4 * p.table.size() + std::size_t(p.gap));
  put32(out, 0);  // file size: not read
  put32(out, 0);
  put32(out, offset);
  put32(out, p.header_size);
  put32(out, std::uint32_t(p.width));
  put32(out, std::uint32_t(p.top_down ? -p.height : p.height));
  put16(out, 1);
  put16(out, std::uint32_t(p.bits));
  put32(out, p.compression);
  for (int i = 0; i < 5; ++i) put32(out, 0);
  out.insert(out.end(), extra, 0);
  for (const screen::Rgb& c : p.table) out.insert(out.end(), {c.blue, c.green, c.red, 0});
  if (p.compression == 3)
    for (std::uint32_t m : p.masks) put32(out, m);
  out.insert(out.end(), std::size_t(p.gap), p.pad);
  if (!p.rle.empty()) {
    out.insert(out.end(), p.rle.begin(), p.rle.end());
    return out;
  }
  const std::size_t row_bytes = (std::size_t(p.width) * std::size_t(p.bits) + 31) / 32 * 4;
  for (int k = 0; k < p.height; ++k) {
    const int y = p.top_down ? k : p.height - 1 - k;
    std::vector<std::uint8_t> row(row_bytes, 0);
    const bool packable = p.bits == 1 || p.bits == 2 || p.bits == 4 || p.bits == 8;
    std::size_t bit = 0;
    for (int x = 0; x < p.width && packable; ++x, bit += std::size_t(p.bits)) {
      const unsigned value = p.pixels[std::size_t(y * p.width + x)] & ((1u << p.bits) - 1);
      row[bit / 8] |= std::uint8_t(value << (8 - p.bits - int(bit % 8)));
    }
    // Padding after the last pixel byte holds junk that must not show.
    for (std::size_t i = (bit + 7) / 8; i < row_bytes; ++i) row[i] = p.pad;
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// A picture whose pixel values vary with both coordinates, within the bit count's range.
Picture pattern(int width, int height, int bits) {
  Picture p;
  p.width = width;
  p.height = height;
  p.bits = bits;
  p.pixels.resize(std::size_t(width) * std::size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.at(x, y) = std::uint8_t((x * 7 + y * 3 + x / 5) & ((1 << std::min(bits, 8)) - 1));
  for (int i = 0; i < (1 << std::min(bits, 8)); ++i)
    p.table.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 3)});
  return p;
}

constexpr std::uint8_t background = 77;

class BmpTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    screen::fill_box(0, 0, 639, 479, background);
    before_ = screen::palette();
  }

  int load(const std::vector<std::uint8_t>& bytes) {
    testing_support::write_file(dir_.path() / "pic.bmp", bytes);
    return screen::load_bmp((dir_.path() / "pic.bmp").string());
  }
  int load(const Picture& p) { return load(encode(p)); }

  // The picture's pixels cut to the screen, and the background elsewhere (or only rows
  // first_row..last_row of the picture, when a load stopped early).
  void expect_page(const Picture& p, int first_row = 0, int last_row = 1 << 30) {
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const bool covered = x < p.width && y < p.height && y >= first_row && y <= last_row;
        const std::uint8_t want = covered ? p.pixels[std::size_t(y * p.width + x)] : background;
        if (at(x, y) != want && ++wrong <= 5)
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << int(at(x, y)) << ", expected "
                        << int(want);
      }
    EXPECT_EQ(wrong, 0);
  }

  void expect_untouched() {
    EXPECT_EQ(count(0, 0, 639, 479, background), 640 * 480);
    expect_palette_unchanged_from(0);
  }

  void expect_palette_unchanged_from(int first) {
    const auto now = screen::palette();
    for (int i = first; i < 256; ++i) {
      EXPECT_EQ(now[std::size_t(i)].red, before_[std::size_t(i)].red) << "entry " << i;
      EXPECT_EQ(now[std::size_t(i)].green, before_[std::size_t(i)].green) << "entry " << i;
      EXPECT_EQ(now[std::size_t(i)].blue, before_[std::size_t(i)].blue) << "entry " << i;
    }
  }

  void expect_palette(const std::vector<screen::Rgb>& table) {
    const auto now = screen::palette();
    for (std::size_t i = 0; i < std::min<std::size_t>(table.size(), 256); ++i) {
      EXPECT_EQ(now[i].red, table[i].red) << "entry " << i;
      EXPECT_EQ(now[i].green, table[i].green) << "entry " << i;
      EXPECT_EQ(now[i].blue, table[i].blue) << "entry " << i;
    }
  }

  TempDir dir_;
  std::array<screen::Rgb, 256> before_{};
};

// --- Accepted forms ---

class BmpFormTest : public BmpTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(BmpFormTest, PixelsLandTopLeftWithPaddingSkipped) {
  const auto [bits, width] = GetParam();
  const Picture p = pattern(width, 5, bits);
  EXPECT_EQ(load(p), 0);
  expect_page(p);
  expect_palette(p.table);
  expect_palette_unchanged_from(1 << bits);
}

// Widths that end rows mid-byte and leave every amount of row padding.
INSTANTIATE_TEST_SUITE_P(BitsAndWidths, BmpFormTest,
                         ::testing::Combine(::testing::Values(1, 2, 4, 8),
                                            ::testing::Values(1, 3, 5, 8, 13, 33)));

TEST_F(BmpTest, LeftmostPixelIsInTheHighBits) {
  Picture p = pattern(8, 1, 1);
  for (int x = 0; x < 8; ++x) p.at(x, 0) = x == 0;
  std::vector<std::uint8_t> bytes = encode(p);
  EXPECT_EQ(bytes[bytes.size() - 4], 0x80);  // the builder agrees with the file format
  EXPECT_EQ(load(bytes), 0);
  EXPECT_EQ(at(0, 0), 1);
  EXPECT_EQ(count(1, 0, 7, 0, 0), 7);
}

TEST_F(BmpTest, SmallerPictureFillsOnlyTheTopLeft) {
  const Picture p = pattern(320, 200, 8);
  EXPECT_EQ(load(p), 0);
  expect_page(p);
  expect_palette(p.table);
}

TEST_F(BmpTest, LargerPictureIsCutAtTheRightAndBottom) {
  for (const auto& [w, h] : {std::pair{800, 600}, std::pair{641, 12}, std::pair{9, 1000}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    screen::fill_box(0, 0, 639, 479, background);
    const Picture p = pattern(w, h, 8);
    EXPECT_EQ(load(p), 0);
    expect_page(p);
  }
  const Picture ones = pattern(800, 600, 1);
  EXPECT_EQ(load(ones), 0);
  expect_page(ones);
}

TEST_F(BmpTest, TopDownPictureIsDrawnTheRightWayUp) {
  for (const auto& [w, h] : {std::pair{31, 17}, std::pair{700, 500}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    screen::fill_box(0, 0, 639, 479, background);
    Picture p = pattern(w, h, 4);
    p.top_down = true;
    EXPECT_EQ(load(p), 0);
    expect_page(p);
  }
}

TEST_F(BmpTest, ColourTableKeepsEightBitsUnlikePaletteEntries) {
  Picture p = pattern(2, 2, 1);
  p.table = {{100, 1, 255}, {3, 254, 129}};
  EXPECT_EQ(load(p), 0);
  expect_palette(p.table);
  screen::set_palette_entry(0, 100, 1, 255);
  EXPECT_EQ(screen::palette()[0].red, 101);
}

TEST_F(BmpTest, ColourTableBeyond256EntriesSetsTheFirst256) {
  Picture p = pattern(10, 4, 8);
  p.table.clear();
  for (int i = 0; i < 300; ++i)
    p.table.push_back({std::uint8_t(i), std::uint8_t(i * 5), std::uint8_t(i / 2)});
  EXPECT_EQ(load(p), 0);
  expect_palette(p.table);  // entries 256..299 would wrap onto 0..43 if they were set
  expect_page(p);
}

TEST_F(BmpTest, ShortColourTableLeavesTheOtherEntries) {
  Picture p = pattern(4, 4, 8);
  p.table.resize(3);
  EXPECT_EQ(load(p), 0);
  expect_palette(p.table);
  expect_palette_unchanged_from(3);
  expect_page(p);
}

TEST_F(BmpTest, PixelDataFollowsTheTableWhereTheOffsetIsNotOnAnEntry) {
  for (int gap = 0; gap < 4; ++gap) {
    SCOPED_TRACE("gap " + std::to_string(gap));
    Picture p = pattern(6, 3, 8);
    p.gap = gap;
    EXPECT_EQ(load(p), 0);
    expect_page(p);
  }
}

TEST_F(BmpTest, NoColourTableLeavesThePalette) {
  Picture p = pattern(6, 3, 8);
  p.table.clear();
  EXPECT_EQ(load(p), 0);
  expect_page(p);
  expect_palette_unchanged_from(0);
}

// --- Refused files change nothing ---

TEST_F(BmpTest, DeepPicturesAreRefusedUntouched) {
  for (int bits : {15, 16, 24, 32}) {
    SCOPED_TRACE("bits " + std::to_string(bits));
    Picture p = pattern(4, 4, 8);
    p.bits = bits;
    EXPECT_EQ(load(p), 1);
    expect_untouched();
  }
  Picture fields = pattern(4, 4, 8);
  fields.bits = 32;
  fields.compression = 3;
  fields.masks[0] = 0x00FF0000;
  EXPECT_EQ(load(fields), 1);
  expect_untouched();
  fields.masks[0] = 0x0000F800;
  EXPECT_EQ(load(fields), 3);
  expect_untouched();
}

TEST_F(BmpTest, OtherCompressionsAreRefusedUntouched) {
  const std::pair<std::uint32_t, int> forms[] = {{1, 4}, {2, 8},  {1, 1},         {4, 8},
                                                 {5, 8}, {99, 8}, {0xFFFFFFFF, 8}};
  for (const auto& [compression, bits] : forms) {
    SCOPED_TRACE("compression " + std::to_string(compression) + ", bits " + std::to_string(bits));
    Picture p = pattern(16, 4, bits);
    p.compression = compression;
    EXPECT_EQ(load(p), 3);
    expect_untouched();
  }
}

TEST_F(BmpTest, LongerInformationHeadersLoadAsTheShortOne) {
  for (const std::uint32_t size : {108u, 124u}) {
    for (const int bits : {1, 4, 8}) {
      Picture p = pattern(37, 6, bits);
      p.header_size = size;
      ASSERT_EQ(load(p), 0) << size << " " << bits;
      expect_page(p);
      expect_palette(p.table);
    }
  }
}

// --- Run-length pictures ---

// A 6 x 4 run-length picture with runs, an absolute run, a delta, end of line and end of
// picture; 0xEE marks pixels that the data skips and that keep the page's colour.
TEST_F(BmpTest, RunLengthEightBitsDrawsRunsAbsoluteRunsAndDeltas) {
  Picture p = pattern(6, 4, 8);
  p.compression = 1;
  p.rle = {3, 7, 3, 8,        // bottom row: 7 7 7 8 8 8
           0, 0,              // end of line
           0, 3, 1, 2, 3, 0,  // absolute run of 3, padded to a word
           2, 9, 0, 0,        // 9 9, row ends early
           0, 2, 2, 1,        // delta: two right, one up (row 2 skipped)
           1, 5, 0, 1};       // top row: - - 5, end of picture
  ASSERT_EQ(load(p), 0);
  EXPECT_EQ(at(0, 3), 7);
  EXPECT_EQ(at(5, 3), 8);
  EXPECT_EQ(at(0, 2), 1);
  EXPECT_EQ(at(2, 2), 3);
  EXPECT_EQ(at(4, 2), 9);
  EXPECT_EQ(at(5, 2), background);
  EXPECT_EQ(at(0, 1), background);  // skipped by the delta
  EXPECT_EQ(at(0, 0), background);
  EXPECT_EQ(at(2, 0), 5);
  EXPECT_EQ(at(3, 0), background);
  expect_palette(p.table);
}

TEST_F(BmpTest, RunLengthFourBitsAlternatesNibbles) {
  Picture p = pattern(5, 2, 4);
  p.compression = 2;
  p.rle = {5, 0x12, 0,    0,              // bottom row: 1 2 1 2 1
           0, 5,    0xAB, 0xCD, 0xE0, 0,  // absolute: A B C D E, three bytes padded to four
           0, 1};
  ASSERT_EQ(load(p), 0);
  const std::uint8_t bottom[] = {1, 2, 1, 2, 1}, top[] = {10, 11, 12, 13, 14};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(at(x, 1), bottom[x]) << x;
    EXPECT_EQ(at(x, 0), top[x]) << x;
  }
}

TEST_F(BmpTest, RunLengthLeavingThePictureOrEndingEarlyKeepsTheRowsWritten) {
  const std::vector<std::vector<std::uint8_t>> broken = {
      {4, 6, 0, 0, 5, 6},              // the second run is wider than the picture
      {4, 6, 0, 0, 2, 6},              // no end-of-picture code
      {4, 6, 0, 2, 1, 9, 1, 6},        // a delta above the picture
      {4, 6, 0, 0, 0, 0, 0, 0, 1, 6},  // a run above the top row
      {4, 6, 0, 0, 0, 4, 1, 2},        // an absolute run cut short
  };
  for (const auto& data : broken) {
    screen::fill_box(0, 0, 639, 479, background);
    Picture p = pattern(4, 2, 8);
    p.compression = 1;
    p.rle = data;
    EXPECT_EQ(load(p), 3);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(at(x, 1), 6) << "bottom row kept, x " << x;
  }
  Picture top_down = pattern(4, 2, 8);
  top_down.compression = 1;
  top_down.top_down = true;
  top_down.rle = {4, 6, 0, 1};
  EXPECT_EQ(load(top_down), 3);
  Picture huge = pattern(4, 2, 8);
  huge.compression = 1;
  huge.width = 1 << 20;
  huge.rle = {4, 6, 0, 1};
  EXPECT_EQ(load(huge), 3);
}

TEST_F(BmpTest, BrokenHeadersAreRefusedUntouched) {
  const std::vector<std::uint8_t> good = encode(pattern(4, 4, 8));
  std::vector<std::uint8_t> not_bm = good;
  not_bm[0] = 'M';
  not_bm[1] = 'B';
  EXPECT_EQ(load(not_bm), 3);
  EXPECT_EQ(load(std::vector<std::uint8_t>(good.begin(), good.begin() + 53)), 3);
  EXPECT_EQ(load(std::vector<std::uint8_t>{}), 3);
  for (std::uint32_t size : {12u, 39u, 41u, 64u, 125u}) {
    Picture p = pattern(4, 4, 8);
    p.header_size = size;
    EXPECT_EQ(load(p), 3) << "header size " << size;
  }
  for (int bits : {0, 3, 5, 7, 9, 12}) {
    Picture p = pattern(4, 4, 8);
    p.bits = bits;
    EXPECT_EQ(load(p), bits > 8 ? 1 : 3) << "bits " << bits;
  }
  for (const auto& [w, h] : {std::pair{0, 4}, std::pair{-4, 4}, std::pair{4, 0}}) {
    Picture p = pattern(4, 4, 8);
    std::vector<std::uint8_t> bytes = encode(p);
    for (int i = 0; i < 4; ++i) {
      bytes[std::size_t(18 + i)] = std::uint8_t(std::uint32_t(w) >> (8 * i));
      bytes[std::size_t(22 + i)] = std::uint8_t(std::uint32_t(h) >> (8 * i));
    }
    EXPECT_EQ(load(bytes), 3) << w << " x " << h;
  }
  expect_untouched();
}

TEST_F(BmpTest, MissingFileOrFolderGivesTwo) {
  EXPECT_EQ(screen::load_bmp((dir_.path() / "absent.bmp").string()), 2);
  EXPECT_EQ(screen::load_bmp(dir_.path().string()), 2);
  EXPECT_EQ(screen::load_bmp(""), 2);
  expect_untouched();
}

TEST_F(BmpTest, PipesAndDevicesGiveTwoWithoutBeingRead) {
  // A whole picture waits in the pipe, so reading it would succeed: it must not be read.
  const auto fifo = dir_.path() / "pic.bmp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  const std::vector<std::uint8_t> bytes = encode(pattern(4, 4, 8));
  ASSERT_EQ(write(writer, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  EXPECT_EQ(screen::load_bmp(fifo.string()), 2);
  close(writer);
  EXPECT_EQ(screen::load_bmp("/dev/zero"), 2);
  expect_untouched();
}

TEST_F(BmpTest, NoScreenGivesOne) {
  screen::close_screen();
  EXPECT_EQ(load(pattern(4, 4, 8)), 1);
}

// --- Files cut short and hostile sizes ---

TEST_F(BmpTest, TruncatedPixelDataKeepsTheRowsWritten) {
  Picture p = pattern(16, 8, 8);  // rows of 16 bytes, stored bottom row first
  std::vector<std::uint8_t> bytes = encode(p);
  bytes.resize(bytes.size() - 4 * 16 - 5);  // rows 7, 6 and 5 whole, row 4 cut
  EXPECT_EQ(load(bytes), 3);
  expect_page(p, 5, 7);
  expect_palette(p.table);

  screen::fill_box(0, 0, 639, 479, background);
  p.top_down = true;
  bytes = encode(p);
  bytes.resize(bytes.size() - 16);
  EXPECT_EQ(load(bytes), 3);
  expect_page(p, 0, 6);
}

TEST_F(BmpTest, FileEndingInTheInvisiblePartStillCountsAsTruncated) {
  Picture p = pattern(800, 2, 8);
  p.top_down = true;
  std::vector<std::uint8_t> bytes = encode(p);
  bytes.resize(bytes.size() - 10);  // the last row's visible 640 pixels are all there
  EXPECT_EQ(load(bytes), 3);
  expect_page(p);

  screen::fill_box(0, 0, 639, 479, background);
  Picture tall = pattern(4, 600, 8);
  bytes = encode(tall);
  bytes.resize(bytes.size() - 600 * 4 + 100 * 4);  // only stored rows below the screen
  EXPECT_EQ(load(bytes), 3);
  EXPECT_EQ(count(0, 0, 639, 479, background), 640 * 480);
}

TEST_F(BmpTest, TruncatedColourTableChangesNothing) {
  std::vector<std::uint8_t> bytes = encode(pattern(4, 4, 8));
  bytes.resize(54 + 4 * 100 + 2);
  EXPECT_EQ(load(bytes), 3);
  expect_untouched();
}

TEST_F(BmpTest, HugeHeaderFieldsEndAtTheEndOfTheFile) {
  const std::vector<std::uint8_t> good = encode(pattern(4, 4, 8));
  auto with = [&](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> bytes = good;
    for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
    return bytes;
  };
  EXPECT_EQ(load(with(10, 0xFFFFFFFF)), 3);  // a colour table of a billion entries
  expect_untouched();
  EXPECT_EQ(load(with(18, 0x7FFFFFFF)), 3);  // width
  EXPECT_EQ(load(with(22, 0x7FFFFFFF)), 3);  // height, bottom-up
  EXPECT_EQ(load(with(22, 0x80000000)), 3);  // height, top-down
  // No table counted: the table's bytes are taken as pixels, and the palette stays.
  before_ = screen::palette();
  EXPECT_EQ(load(with(10, 0)), 0);
  EXPECT_EQ(at(1, 3), 255);  // green of entry 0, the bottom row's second byte
  expect_palette_unchanged_from(0);
}

// --- Paths and presentation ---

TEST_F(BmpTest, BothSlashesSeparateFoldersFromTheCurrentDirectory) {
  TempDir here(true);
  std::filesystem::create_directories("CFG/sub");
  const Picture p = pattern(3, 3, 8);
  testing_support::write_file("CFG/sub/pic.bmp", encode(p));
  EXPECT_EQ(screen::load_bmp("CFG\\sub\\pic.bmp"), 0);
  EXPECT_EQ(screen::load_bmp("CFG/sub/pic.bmp"), 0);
  EXPECT_EQ(screen::load_bmp("CFG\\sub/pic.bmp"), 0);
  expect_page(p);

  // Only the first 259 bytes of the path count.
  std::string longer;
  while (longer.size() < 259 - std::string("CFG/sub/pic.bmp").size()) longer += "./";
  longer.resize(259 - std::string("CFG/sub/pic.bmp").size(), '/');
  longer += "CFG/sub/pic.bmp";
  ASSERT_EQ(longer.size(), 259u);
  EXPECT_EQ(screen::load_bmp(longer + "junk"), 0);
}

TEST_F(BmpTest, PictureOnTheVisiblePageIsPresentedWhole) {
  screen::presentation_pass();
  Picture p = pattern(50, 20, 8);
  p.table.clear();  // no palette change to flag the rows instead
  EXPECT_EQ(load(p), 0);
  screen::presentation_pass();
  const screen::headless::Window w = screen::headless::window();
  EXPECT_EQ(w.first_row, 0);
  EXPECT_EQ(w.last_row, 479);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 50; ++x)
      ASSERT_EQ(w.pixels[std::size_t(y * 640 + x)], p.at(x, y)) << x << ", " << y;
}

TEST_F(BmpTest, PictureOnAHiddenPageWaitsForThePageSwitch) {
  screen::set_pages(0, 1);
  screen::presentation_pass();
  const Picture p = pattern(50, 20, 8);
  EXPECT_EQ(load(p), 0);
  screen::presentation_pass();
  screen::headless::Window w = screen::headless::window();
  EXPECT_EQ(w.pixels[1], 0);           // page 1 is still shown
  EXPECT_EQ(w.palette[5].green, 250);  // with the new palette at once
  screen::set_pages(0, 0);
  screen::presentation_pass();
  w = screen::headless::window();
  for (int x = 0; x < 50; ++x) ASSERT_EQ(w.pixels[std::size_t(x)], p.pixels[std::size_t(x)]);
  EXPECT_EQ(w.pixels[639], background);
}

}  // namespace
