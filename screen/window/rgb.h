#pragma once
// A colour as the window shows it: 8 bits a component.

#include <cstdint>

namespace screen {

struct Rgb {
  std::uint8_t red, green, blue;
  bool operator==(const Rgb&) const = default;
};

}  // namespace screen
