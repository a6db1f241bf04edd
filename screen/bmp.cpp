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
constexpr std::uint32_t compression_bitfields = 3;

}  // namespace

int load_bmp(std::string_view path) {
  Screen& s = state();
  if (!is_open()) return 1;

  // Only a regular file: a folder, pipe or device is refused at once, never waited on.
  std::int64_t size = 0;
  File file(files::open_regular(path.substr(0, 259), size));
  if (!file) return 2;
  Reader f{file.get(), std::uint64_t(size)};

  std::array<std::uint8_t, 54> head{};
  if (!f.read(head.data(), head.size())) return 3;
  if (head[0] != 'B' || head[1] != 'M' || le32(&head[14]) != 40) return 3;
  const std::uint32_t data_offset = le32(&head[10]);
  const auto width = static_cast<std::int32_t>(le32(&head[18]));
  const auto stored_height = static_cast<std::int32_t>(le32(&head[22]));
  int bits = le16(&head[28]);
  const std::uint32_t compression = le32(&head[30]);
  if (bits == 15 || bits == 16) return 1;

  // The colour table: as many 4-byte entries as fit before the pixel data; past 256 they are
  // read and dropped.
  const std::uint64_t entries = data_offset > 54 ? (data_offset - 54) / 4 : 0;
  std::array<Rgb, 256> table{};
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(entries, 256); ++i) {
    std::array<std::uint8_t, 4> bgra{};
    if (!f.read(bgra.data(), bgra.size())) return 3;
    table[std::size_t(i)] = {bgra[2], bgra[1], bgra[0]};
  }
  if (entries > 256 && !f.skip((entries - 256) * 4)) return 3;

  if (compression == compression_bitfields) {
    std::array<std::uint8_t, 12> masks{};
    if (!f.read(masks.data(), masks.size())) return 3;
    if (le32(masks.data()) != 0x00FF0000) return 3;
    bits = 24;
  } else if (compression != compression_none) {
    return 3;  // run-length and embedded formats are refused, never drawn as raw pixels
  }
  if (bits > 8) return 1;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return 3;
  if (width <= 0 || stored_height == 0) return 3;
  // Pixel data may start a few bytes after the table, where the offset is not on an entry.
  if (data_offset > 54 + entries * 4 && !f.skip(data_offset - (54 + entries * 4))) return 3;

  const bool top_down = stored_height < 0;
  const std::int64_t height = top_down ? -std::int64_t(stored_height) : stored_height;
  const std::uint64_t row_bytes = (std::uint64_t(width) * std::uint64_t(bits) + 31) / 32 * 4;
  const int columns = std::min<std::int64_t>(width, s.width);
  const std::size_t used_bytes = (std::size_t(columns) * std::size_t(bits) + 7) / 8;
  const int per_byte = 8 / bits;
  const unsigned mask = (1u << bits) - 1;

  {
    std::lock_guard g(s.lock);
    for (std::uint64_t i = 0; i < std::min<std::uint64_t>(entries, 256); ++i)
      s.palette[std::size_t(i)] = table[std::size_t(i)];
    if (entries > 0) {
      s.palette_changed = true;
      detail::mark_all_rows(s);
    }
  }

  std::vector<std::uint8_t> stored(used_bytes);
  std::vector<std::uint8_t> pixels(std::size_t(columns), 0);
  int result = 0;
  for (std::int64_t k = 0; k < height; ++k) {
    const std::int64_t r = top_down ? k : height - 1 - k;  // picture row of the k-th stored row
    if (r >= s.height) {
      // Bottom-up rows below the screen come first: skip them all at once.
      const std::int64_t below = top_down ? height - k : height - s.height - k;
      if (!f.skip(std::uint64_t(below) * row_bytes)) result = 3;
      if (top_down || result != 0) break;
      k += below - 1;
      continue;
    }
    if (!f.read(stored.data(), used_bytes)) {
      result = 3;
      break;
    }
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
    if (!f.skip(row_bytes - used_bytes)) {
      result = 3;
      break;
    }
  }
  {
    std::lock_guard g(s.lock);
    if (s.work == s.visible) detail::mark_all_rows(s);
  }
  return result;
}

}  // namespace screen
