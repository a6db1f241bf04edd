#pragma once
// A dropped text/uri-list (as Wayland's and X's drag and drop hand it over) read into the
// local files it names.

#include <string>
#include <string_view>
#include <vector>

namespace screen::window {

// Appends the paths of the local files a uri-list names (file: URIs on this host, percent
// escapes decoded to the system's bytes), skipping comments and other kinds of URI. Returns
// false, appending nothing, when any line is malformed (a bad escape, a NUL, a control byte).
bool parse_uri_list(std::string_view text, std::vector<std::string>& files);

}  // namespace screen::window
