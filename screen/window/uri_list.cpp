#include "screen/window/uri_list.h"

#include <cstddef>

namespace screen::window {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool starts_with_folded(std::string_view text, std::string_view lower_prefix) {
  if (text.size() < lower_prefix.size()) return false;
  for (std::size_t i = 0; i < lower_prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != lower_prefix[i]) return false;
  }
  return true;
}

// Decodes %XX escapes; false on a short or non-hex escape or a NUL byte.
bool percent_decode(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = hex_value(text[i + 1]), low = hex_value(text[i + 2]);
    if (high < 0 || low < 0) return false;
    const char byte = char(high * 16 + low);
    if (byte == '\0') return false;
    out.push_back(byte);
    i += 2;
  }
  return true;
}

enum class Line { file, other, malformed };

// One URI: its local path when it names a file on this host.
Line read_line(std::string_view uri, std::string& path) {
  for (const char c : uri)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return Line::malformed;
  if (!starts_with_folded(uri, "file:")) {
    // Another kind of URI (a web address) is no file; a line without a scheme is no URI.
    const std::size_t colon = uri.find(':');
    return colon != std::string_view::npos && colon > 0 ? Line::other : Line::malformed;
  }
  std::string_view rest = uri.substr(5);
  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return Line::malformed;
    const std::string_view host = rest.substr(0, slash);
    rest.remove_prefix(slash);
    if (!host.empty() && !starts_with_folded(host, "localhost")) return Line::other;
    if (host.size() != 0 && host.size() != 9) return Line::other;
  }
  if (rest.empty() || rest[0] != '/') return Line::malformed;
  if (!percent_decode(rest, path)) return Line::malformed;
  return Line::file;
}

}  // namespace

bool parse_uri_list(std::string_view text, std::vector<std::string>& files) {
  std::vector<std::string> found;
  std::string path;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    switch (read_line(line, path)) {
      case Line::file:
        found.push_back(path);
        break;
      case Line::other:
        break;
      case Line::malformed:
        return false;
    }
  }
  files.insert(files.end(), found.begin(), found.end());
  return true;
}

}  // namespace screen::window
