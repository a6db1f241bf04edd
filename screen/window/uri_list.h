#pragma once
// The file names in a text/uri-list, as a drag source on X11 or Wayland hands them over.

#include <string>
#include <string_view>
#include <vector>

namespace screen::window {

// Appends the local file names of `text` (lines ended by CRLF or LF, "#" comments) to `files`,
// percent-decoded byte for byte. False, with `files` left as it was, when anything is
// malformed: a URI other than file:// with an empty or "localhost" host and an absolute path,
// a bad or NUL escape, a control character, or no file at all.
bool parse_uri_list(std::string_view text, std::vector<std::string>& files);

}  // namespace screen::window
