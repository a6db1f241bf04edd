#include "screen/files.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace screen::files {

namespace {

constexpr int slots = file_slots;
constexpr std::size_t buffer_size = 8192;
auto& table = file_table;

bool valid(int number) {
  return number >= 1 && number <= slots;
}

bool flush(OpenFile& f) {
  const bool ok = std::fwrite(f.buffer.data(), 1, f.buffer.size(), f.handle) == f.buffer.size();
  f.buffer.clear();
  return ok;
}

int close_one(OpenFile& f) {
  flush(f);
  std::fclose(f.handle);
  f = {};
  return 0;
}

}  // namespace

std::string native_path(std::string_view path) {
#ifdef _WIN32
  constexpr char from = '/', to = '\\';
#else
  constexpr char from = '\\', to = '/';
#endif
  std::string p(path);
  for (char& c : p)
    if (c == from) c = to;
  return p;
}

bool is_batch_file(std::string_view name) {
  if (name.size() < 4) return false;
  std::string tail(name.substr(name.size() - 4));
  for (char& c : tail) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".bat";
}

int free_file_number() {
  for (int n = 1; n <= slots; ++n)
    if (table[std::size_t(n)].handle == nullptr) return n;
  return 0;
}

namespace {

// Binds an opened file to a free slot: 0, or 2 when it could not be opened.
int bind(std::FILE* h, int number) {
  if (h == nullptr) return 2;
  OpenFile& f = table[std::size_t(number)];
  f.handle = h;
  f.buffer.reserve(buffer_size);
  return 0;
}

}  // namespace

int open_for_output(std::string_view path, int number) {
  if (!valid(number) || table[std::size_t(number)].handle != nullptr) return 1;
  return bind(std::fopen(native_path(path).c_str(), "wb"), number);
}

int open_new_for_output(std::string_view path, int number) {
  if (!valid(number) || table[std::size_t(number)].handle != nullptr) return 1;
  return bind(create_new(path), number);
}

int print_line(int number, std::string_view text) {
  if (!valid(number) || table[std::size_t(number)].handle == nullptr) return 1;
  OpenFile& f = table[std::size_t(number)];
  for (const std::string_view part : {text, std::string_view("\r\n")}) {
    for (const char c : part) {
      f.buffer.push_back(c);
      if (f.buffer.size() == buffer_size && !flush(f)) return 3;
    }
  }
  return 0;
}

int close_file(int number) {
  if (number == 0) {
    for (OpenFile& f : table)
      if (f.handle != nullptr) close_one(f);
    return 0;
  }
  if (!valid(number) || table[std::size_t(number)].handle == nullptr) return 1;
  return close_one(table[std::size_t(number)]);
}

namespace {

constexpr std::size_t compare_block = 64 * 1024;

// Reads up to `size` bytes, as many as there are before the end; false on a read error.
bool read_block(std::FILE* f, char* data, std::size_t size, std::size_t& got) {
  got = std::fread(data, 1, size, f);
  return std::ferror(f) == 0;
}

}  // namespace

bool same_contents(std::string_view a, std::string_view b) {
  std::int64_t size_a = 0, size_b = 0;
  std::FILE* fa = open_regular(a, size_a);
  std::FILE* fb = fa != nullptr ? open_regular(b, size_b) : nullptr;
  bool same = fb != nullptr && size_a == size_b;
  if (same) {
    // Unbuffered: the blocks go straight from the system into these two.
    std::setvbuf(fa, nullptr, _IONBF, 0);
    std::setvbuf(fb, nullptr, _IONBF, 0);
    std::vector<char> block_a(compare_block), block_b(compare_block);
    for (;;) {
      std::size_t got_a = 0, got_b = 0;
      same = read_block(fa, block_a.data(), compare_block, got_a) &&
             read_block(fb, block_b.data(), compare_block, got_b) && got_a == got_b &&
             std::memcmp(block_a.data(), block_b.data(), got_a) == 0;
      if (!same || got_a < compare_block) break;  // a short block is the end of both
    }
  }
  if (fa != nullptr) std::fclose(fa);
  if (fb != nullptr) std::fclose(fb);
  return same;
}

}  // namespace screen::files
