// load_bmp: a Windows BMP with a colour table onto the work page. The file comes from outside
// and is treated as hostile: every field is checked before it sizes a read, nothing is
// allocated in proportion to a header field, and nothing changes before the headers pass.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "screen/files.h"
#include "screen/screen.h"
#include "screen/state.h"

namespace screen {

using detail::Screen;
using detail::state;

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) {
  return std::uint16_t(p[0] | p[1] << 8);
}

// A file read in order, knowing where it is and where it ends.
struct Reader {
  std::FILE* f;
  std::uint64_t size;
  std::uint64_t at = 0;

  bool read(void* into, std::size_t n) {
    if (std::fread(into, 1, n, f) != n) return false;
    at += n;
    return true;
  }
  // Seeks over n bytes rather than reading them; false when the file ends before.
  bool skip(std::uint64_t n) {
    if (n > size - at) return false;
    at += n;
    return n == 0 || files::seek(f, std::int64_t(at));
  }
};

constexpr std::uint32_t compression_none = 0;
constexpr std::uint32_t compression_rle8 = 1;
constexpr std::uint32_t compression_rle4 = 2;
constexpr std::uint32_t compression_bitfields = 3;

// Run-length pictures are read code by code, so their size is bounded to keep any file
// quick; a background picture is far smaller.
constexpr std::int32_t rle_max_side = 4096;

// Bytes of a run-length picture, handed out one at a time from a buffer.
struct Codes {
  Reader& file;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1 << 16);
  std::size_t next = 0, end = 0;

  bool byte(std::uint8_t& b) {
    if (next == end) {
      const std::uint64_t left = file.size - file.at;
      end = std::size_t(std::min<std::uint64_t>(left, buffer.size()));
      next = 0;
      if (end == 0 || !file.read(buffer.data(), end)) return false;
    }
    b = buffer[next++];
    return true;
  }
};

// One row of the work page being written: a copy, so pixels that the picture skips keep
// their values, put back whole.
struct RowBuffer {
  Screen& s;
  std::int64_t row = -1;  // page row held, or -1
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(std::size_t(s.width));

  void hold(std::int64_t r) {
    if (r == row) return;
    put_back();
    row = r >= 0 && r < s.height ? r : -1;
    if (row < 0) return;
    std::lock_guard g(s.lock);
    const std::uint8_t* from = detail::row(s, s.work, int(row));
    std::copy(from, from + s.width, pixels.begin());
  }
  void set(std::int64_t x, std::uint8_t value) {
    if (row >= 0 && x < s.width) pixels[std::size_t(x)] = value;
  }
  void put_back() {
    if (row < 0) return;
    std::lock_guard g(s.lock);
    std::copy(pixels.begin(), pixels.end(), detail::row(s, s.work, int(row)));
    row = -1;
  }
};

// Decodes run-length data (8 or 4 bits per pixel) of a bottom-up picture onto the work
// page: runs, absolute runs, end of line, end of picture and deltas. A run or delta that
// leaves the picture, or data ending before the end-of-picture code, gives 3; the rows
// written so far stay.
int read_rle(Screen& s, Reader& f, int bits, std::int64_t width, std::int64_t height) {
  Codes in{f};
  RowBuffer out{s};
  std::int64_t x = 0, line = 0;  // line 0 is the picture's bottom row
  // Every code but a zero delta moves on, so a picture has no more codes than this.
  const std::int64_t most_codes = width * height + 2 * height + 2;
  const auto put = [&](std::uint8_t value) {
    out.hold(height - 1 - line);
    out.set(x++, value);
  };
  int result = 3;
  for (std::int64_t codes = 0; codes < most_codes; ++codes) {
    std::uint8_t count = 0, value = 0;
    if (!in.byte(count) || !in.byte(value)) break;
    if (count > 0) {  // a run of one value, or of two alternating nibbles
      if (x + count > width || line >= height) break;
      for (int i = 0; i < count; ++i)
        put(bits == 8 ? value : std::uint8_t(i % 2 == 0 ? value >> 4 : value & 0x0F));
    } else if (value == 0) {  // end of line
      ++line;
      x = 0;
    } else if (value == 1) {  // end of picture
      result = 0;
      break;
    } else if (value == 2) {  // delta: move right and up
      std::uint8_t dx = 0, dy = 0;
      if (!in.byte(dx) || !in.byte(dy) || x + dx > width || line + dy > height) break;
      x += dx;
      line += dy;
    } else {  // an absolute run of `value` pixels, padded to a whole 16-bit word
      if (x + value > width || line >= height) break;
      const int bytes = bits == 8 ? value : (value + 1) / 2;
      bool complete = true;
      for (int i = 0; i < bytes + bytes % 2 && complete; ++i) {
        std::uint8_t b = 0;
        complete = in.byte(b);
        if (i >= bytes) continue;
        if (bits == 8) {
          put(b);
        } else {
          put(std::uint8_t(b >> 4));
          if (2 * i + 1 < value) put(std::uint8_t(b & 0x0F));
        }
      }
      if (!complete) break;
    }
  }
  out.put_back();
  return result;
}

// Uncompressed rows, top-down or bottom-up, each padded to a multiple of 4 bytes.
int read_rows(Screen& s, Reader& f, int bits, std::int64_t width, std::int64_t height,
              bool top_down) {
  const std::uint64_t row_bytes = (std::uint64_t(width) * std::uint64_t(bits) + 31) / 32 * 4;
  const int columns = int(std::min<std::int64_t>(width, s.width));
  const std::size_t used_bytes = (std::size_t(columns) * std::size_t(bits) + 7) / 8;
  const int per_byte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;
  std::vector<std::uint8_t> stored(used_bytes);
  std::vector<std::uint8_t> pixels(std::size_t(columns), 0);
  for (std::int64_t k = 0; k < height; ++k) {
    const std::int64_t r = top_down ? k : height - 1 - k;  // picture row of the k-th stored row
    if (r >= s.height) {
      // Bottom-up rows below the screen come first: skip them all at once.
      const std::int64_t below = top_down ? height - k : height - s.height - k;
      if (!f.skip(std::uint64_t(below) * row_bytes)) return 3;
      if (top_down) return 0;
      k += below - 1;
      continue;
    }
    if (!f.read(stored.data(), used_bytes)) return 3;
    for (int x = 0; x < columns; ++x) {
      const std::size_t bit = std::size_t(x) * std::size_t(bits);
      const unsigned shift = unsigned(8 - bits - int(bit % 8));
      pixels[std::size_t(x)] =
          per_byte == 1 ? stored[bit / 8] : std::uint8_t((stored[bit / 8] >> shift) & mask);
    }
    {
      std::lock_guard g(s.lock);
      std::copy(pixels.begin(), pixels.end(), detail::row(s, s.work, int(r)));
    }
    // The row is on the page once its visible pixels are in; a file ending in the rest of
    // the row still counts as cut short.
    if (!f.skip(row_bytes - used_bytes)) return 3;
  }
  return 0;
}

}  // namespace

int load_bmp(std::string_view path) {
  Screen& s = state();
  if (!is_open()) return 1;

  // Only a regular file: a folder, pipe or device is refused at once, never waited on.
  std::int64_t size = 0;
  File file(files::open_regular(path.substr(0, 259), size));
  if (!file) return 2;
  Reader f{file.get(), std::uint64_t(size)};

  // The file header, then the information header: 40 bytes, or 108 or 124 as today's editors
  // write it, whose fields past the first 40 matter only for bit masks.
  std::array<std::uint8_t, 54> head{};
  if (!f.read(head.data(), head.size())) return 3;
  const std::uint32_t header_size = le32(&head[14]);
  if (head[0] != 'B' || head[1] != 'M') return 3;
  if (header_size != 40 && header_size != 108 && header_size != 124) return 3;
  std::array<std::uint8_t, 124 - 40> more{};
  if (!f.read(more.data(), header_size - 40)) return 3;
  const std::uint32_t headers_end = 14 + header_size;
  const std::uint32_t data_offset = le32(&head[10]);
  const auto width = static_cast<std::int32_t>(le32(&head[18]));
  const auto stored_height = static_cast<std::int32_t>(le32(&head[22]));
  int bits = le16(&head[28]);
  const std::uint32_t compression = le32(&head[30]);
  if (bits == 15 || bits == 16) return 1;

  // The colour table: as many 4-byte entries as fit before the pixel data; past 256 they are
  // read and dropped.
  const std::uint64_t entries = data_offset > headers_end ? (data_offset - headers_end) / 4 : 0;
  std::array<Rgb, 256> table{};
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(entries, 256); ++i) {
    std::array<std::uint8_t, 4> bgra{};
    if (!f.read(bgra.data(), bgra.size())) return 3;
    table[std::size_t(i)] = {bgra[2], bgra[1], bgra[0]};
  }
  if (entries > 256 && !f.skip((entries - 256) * 4)) return 3;

  const bool rle = (compression == compression_rle8 && bits == 8) ||
                   (compression == compression_rle4 && bits == 4);
  if (compression == compression_bitfields) {
    // The masks follow the table, or stand inside a longer information header.
    std::array<std::uint8_t, 12> masks{};
    if (header_size == 40 && !f.read(masks.data(), masks.size())) return 3;
    if (header_size != 40) std::copy_n(more.begin(), masks.size(), masks.begin());
    if (le32(masks.data()) != 0x00FF0000) return 3;
    bits = 24;
  } else if (compression != compression_none && !rle) {
    return 3;  // embedded formats and mismatched run lengths, never drawn as raw pixels
  }
  if (bits > 8) return 1;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return 3;
  if (width <= 0 || stored_height == 0) return 3;
  if (rle && (stored_height < 0 || width > rle_max_side || stored_height > rle_max_side)) return 3;
  // Pixel data may start a few bytes after the table, where the offset is not on an entry.
  const std::uint64_t table_end =
      headers_end + entries * 4 +
      (header_size == 40 && compression == compression_bitfields ? 12 : 0);
  if (data_offset > table_end && !f.skip(data_offset - table_end)) return 3;

  {
    std::lock_guard g(s.lock);
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(entries, 256); ++i)
      s.palette[std::size_t(i)] = table[std::size_t(i)];
    if (entries > 0) {
      s.palette_changed = true;
      detail::mark_all_rows(s);
    }
  }

  const bool top_down = stored_height < 0;
  const std::int64_t height = top_down ? -std::int64_t(stored_height) : stored_height;
  const int result =
      rle ? read_rle(s, f, bits, width, height) : read_rows(s, f, bits, width, height, top_down);
  {
    std::lock_guard g(s.lock);
    if (s.work == s.visible) detail::mark_all_rows(s);
  }
  return result;
}

}  // namespace screen
