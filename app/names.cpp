#include "app/names.h"

namespace app {

NameFault batch_name_fault(std::string_view path, bool posix_names) {
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) return NameFault::control;
    if (c == '"') return NameFault::quote;
    if (posix_names && c == '\\') return NameFault::backslash;
    if (!posix_names && (c == '?' || c == '*')) return NameFault::lost;
  }
  return NameFault::none;
}

NameFault batch_name_fault(std::string_view path) {
#ifdef _WIN32
  return batch_name_fault(path, false);
#else
  return batch_name_fault(path, true);
#endif
}

}  // namespace app
