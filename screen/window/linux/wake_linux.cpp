#include "screen/window/linux/wake_linux.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace screen::window {

int wake_descriptor() {
  static const int descriptor = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return descriptor;
}

void wake_waits() {
  const int fd = wake_descriptor();
  const std::uint64_t one = 1;
  if (fd >= 0) (void)!write(fd, &one, sizeof one);
}

void take_wakes() {
  const int fd = wake_descriptor();
  std::uint64_t count = 0;
  if (fd >= 0) (void)!read(fd, &count, sizeof count);
}

}  // namespace screen::window
