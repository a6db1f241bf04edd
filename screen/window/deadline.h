#pragma once
// Waits that end at a deadline: a dropped list of files that does not come is given up.

#include <algorithm>
#include <chrono>

namespace screen::window {

// How long a dropped list of files may take to come: it is there in milliseconds from any
// program that means it, so a source that holds it back longer is given up.
constexpr std::chrono::seconds dropped_list_wait(5);

// Milliseconds from now until `at`, rounded up: 0 once it has passed, never over a minute.
inline int milliseconds_until(std::chrono::steady_clock::time_point at) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(at - std::chrono::steady_clock::now());
  return int(std::clamp<long long>(left.count(), 0, 60 * 1000));
}

// The shorter of two waits in milliseconds, where -1 is a wait without limit.
inline int sooner(int a, int b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return std::min(a, b);
}

}  // namespace screen::window
