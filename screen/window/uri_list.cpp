#include "screen/window/uri_list.h"

namespace screen::window {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

// One URI of the list: the decoded path of a local file, or false.
bool file_of(std::string_view uri, std::string& path) {
  constexpr std::string_view scheme = "file://";
  if (uri.size() < scheme.size() || !same_letters(uri.substr(0, scheme.size()), scheme))
    return false;
  uri.remove_prefix(scheme.size());
  const std::size_t slash = uri.find('/');
  if (slash == std::string_view::npos) return false;
  const std::string_view host = uri.substr(0, slash);
  if (!host.empty() && !same_letters(host, "localhost")) return false;
  uri.remove_prefix(slash);
  path.clear();
  for (std::size_t i = 0; i < uri.size(); ++i) {
    const auto c = static_cast<unsigned char>(uri[i]);
    // Controls, and a query or fragment, which no file name of a local drop carries raw.
    if (c < 0x20 || c == 0x7F || c == '?' || c == '#') return false;
    if (c != '%') {
      path.push_back(char(c));
      continue;
    }
    if (i + 2 >= uri.size()) return false;
    const int high = hex_value(uri[i + 1]), low = hex_value(uri[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
    path.push_back(char(high * 16 + low));
    i += 2;
  }
  return true;
}

}  // namespace

bool parse_uri_list(std::string_view text, std::vector<std::string>& files) {
  std::vector<std::string> found;
  std::string path;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    if (!file_of(line, path)) return false;
    found.push_back(path);
  }
  if (found.empty()) return false;
  for (std::string& f : found) files.push_back(std::move(f));
  return true;
}

}  // namespace screen::window
