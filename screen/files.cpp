#include "screen/files.h"

#include <array>
#include <cstdio>
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

}  // namespace screen::files
