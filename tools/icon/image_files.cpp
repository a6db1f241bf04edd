#include "tools/icon/image_files.h"

#include <array>
#include <cstdio>

namespace tools {

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, unsigned v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes& b, unsigned long v) {
  put16(b, unsigned(v & 0xFFFF));
  put16(b, unsigned(v >> 16));
}

void put32_big(Bytes& b, unsigned long v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(std::uint8_t(v >> shift));
}

// --- Deflate with the fixed code: literals, and runs as copies from one pixel back ---

class BitWriter {
 public:
  explicit BitWriter(Bytes& out) : out_(out) {}
  void bits(unsigned value, int count) {  // least significant bit first
    for (int i = 0; i < count; ++i) put((value >> i) & 1);
  }
  void code(unsigned value, int count) {  // Huffman codes: most significant bit first
    for (int i = count - 1; i >= 0; --i) put((value >> i) & 1);
  }
  void flush() {
    if (used_ > 0) out_.push_back(std::uint8_t(byte_));
    used_ = 0;
    byte_ = 0;
  }

 private:
  void put(unsigned bit) {
    byte_ |= bit << used_;
    if (++used_ == 8) flush();
  }
  Bytes& out_;
  unsigned byte_ = 0;
  int used_ = 0;
};

void literal_or_end(BitWriter& w, unsigned symbol) {
  if (symbol < 144)
    w.code(0x30 + symbol, 8);
  else if (symbol < 256)
    w.code(0x190 + symbol - 144, 9);
  else if (symbol < 280)
    w.code(symbol - 256, 7);
  else
    w.code(0xC0 + symbol - 280, 8);
}

// A copy of `length` (3..258) bytes from `distance` (1..4) bytes back.
void copy(BitWriter& w, int length, int distance) {
  static constexpr std::array<int, 29> base = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                               15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                               67, 83, 99, 115, 131, 163, 195, 227, 258};
  static constexpr std::array<int, 29> extra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  int i = 28;
  while (base[std::size_t(i)] > length) --i;
  literal_or_end(w, 257 + unsigned(i));
  w.bits(unsigned(length - base[std::size_t(i)]), extra[std::size_t(i)]);
  w.code(unsigned(distance - 1), 5);  // distances 1..4 are codes 0..3, no extra bits
}

Bytes deflate(const Bytes& data, int unit) {
  Bytes out;
  BitWriter w(out);
  w.bits(1, 1);  // the last block
  w.bits(1, 2);  // fixed code
  std::size_t i = 0;
  while (i < data.size()) {
    int run = 0;
    if (i >= std::size_t(unit))
      while (i + std::size_t(run) < data.size() && run < 258 &&
             data[i + std::size_t(run)] == data[i + std::size_t(run) - std::size_t(unit)])
        ++run;
    if (run >= 3) {
      copy(w, run, unit);
      i += std::size_t(run);
    } else {
      literal_or_end(w, data[i++]);
    }
  }
  literal_or_end(w, 256);
  w.flush();
  return out;
}

unsigned long adler32(const Bytes& data) {
  unsigned long a = 1, b = 0;
  for (const std::uint8_t v : data) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

unsigned long crc32(const Bytes& data, std::size_t from) {
  unsigned long c = 0xFFFFFFFFUL;
  for (std::size_t i = from; i < data.size(); ++i) {
    c ^= data[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320UL & (0UL - (c & 1)));
  }
  return c ^ 0xFFFFFFFFUL;
}

void chunk(Bytes& png, const char* type, const Bytes& data) {
  put32_big(png, data.size());
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  put32_big(png, crc32(png, start));
}

// An icon directory image: BITMAPINFOHEADER of twice the height, BGRA rows bottom-up, then
// the AND mask (all clear: the alpha channel decides).
Bytes bitmap_entry(const RgbaImage& image) {
  const int n = image.size;
  Bytes b;
  put32(b, 40);
  put32(b, unsigned(n));
  put32(b, unsigned(2 * n));
  put16(b, 1);
  put16(b, 32);
  for (int i = 0; i < 6; ++i) put32(b, 0);
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x) {
      const std::uint8_t* p = &image.rgba[(std::size_t(y) * std::size_t(n) + std::size_t(x)) * 4];
      b.insert(b.end(), {p[2], p[1], p[0], p[3]});
    }
  const std::size_t mask_row = std::size_t((n + 31) / 32 * 4);
  b.insert(b.end(), mask_row * std::size_t(n), 0);
  return b;
}

bool save(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

}  // namespace

std::vector<std::uint8_t> png_bytes(const RgbaImage& image) {
  const int n = image.size;
  Bytes raw;  // each row: filter type 0, then the pixels
  for (int y = 0; y < n; ++y) {
    raw.push_back(0);
    const auto row = image.rgba.begin() + std::ptrdiff_t(y) * n * 4;
    raw.insert(raw.end(), row, row + n * 4);
  }
  Bytes z = {0x78, 0x01};
  const Bytes d = deflate(raw, 4);
  z.insert(z.end(), d.begin(), d.end());
  put32_big(z, adler32(raw));

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  put32_big(header, unsigned(n));
  put32_big(header, unsigned(n));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  return png;
}

bool save_ico(const std::string& path, const std::vector<RgbaImage>& images) {
  Bytes ico;
  put16(ico, 0);
  put16(ico, 1);  // an icon
  put16(ico, unsigned(images.size()));
  std::vector<Bytes> entries;
  for (const RgbaImage& image : images)
    entries.push_back(image.size > 48 ? png_bytes(image) : bitmap_entry(image));
  std::size_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int n = images[i].size;
    ico.push_back(std::uint8_t(n >= 256 ? 0 : n));  // 0 stands for 256
    ico.push_back(std::uint8_t(n >= 256 ? 0 : n));
    ico.push_back(0);  // no colour table
    ico.push_back(0);
    put16(ico, 1);   // planes
    put16(ico, 32);  // bits per pixel
    put32(ico, entries[i].size());
    put32(ico, offset);
    offset += entries[i].size();
  }
  for (const Bytes& e : entries) ico.insert(ico.end(), e.begin(), e.end());
  return save(path, ico);
}

bool save_png(const std::string& path, const RgbaImage& image) {
  return save(path, png_bytes(image));
}

}  // namespace tools
