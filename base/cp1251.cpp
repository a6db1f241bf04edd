#include "base/cp1251.h"

namespace cp1251 {

namespace {
void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
}  // namespace

std::string to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const char32_t c = to_unicode(static_cast<unsigned char>(ch));
    append_utf8(out, c == 0 && ch != 0 ? U'?' : c);
  }
  return out;
}

std::string from_utf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    const std::size_t len = decode_utf8(utf8, i, c);
    if (len == 0) {
      out += utf8[i++];
      continue;
    }
    const int b = from_unicode(c);
    out += b < 0 ? '?' : static_cast<char>(b);
    i += len;
  }
  return out;
}

}  // namespace cp1251
