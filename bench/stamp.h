#pragma once
// The floors' first-screen stamp: the monotonic clock in nanoseconds, appended to the file
// that GORVEX_PRESENTED_STAMP names, as the launcher writes it.

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

inline long long monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

inline void stamp(long long ns) {
  const char* path = std::getenv("GORVEX_PRESENTED_STAMP");
  if (path == nullptr) return;
  if (std::FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%lld\n", ns);
    std::fclose(f);
  }
}

}  // namespace bench
