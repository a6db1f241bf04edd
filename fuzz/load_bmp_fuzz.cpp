// libFuzzer target: any bytes as the picture file handed to load_bmp. The bytes live in an
// anonymous in-memory file, opened by load_bmp through its /proc/self/fd path like any other.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "screen/window/headless/headless.h"
#include "screen/screen.h"

namespace {

struct Setup {
  int fd = -1;
  std::string path;
  Setup() {
    fd = memfd_create("picture.bmp", 0);
    if (fd < 0 || screen::set_screen_mode(640, 480, 8, 3) != 0) std::abort();
    // The last page, so that a write past its last row leaves the pages' memory.
    screen::set_pages(2, 2);
    path = "/proc/self/fd/" + std::to_string(fd);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Setup setup;
  if (ftruncate(setup.fd, 0) != 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = pwrite(setup.fd, data + done, size - done, off_t(done));
    if (n <= 0) std::abort();
    done += std::size_t(n);
  }
  const auto before = screen::palette();
  const int result = screen::load_bmp(setup.path);
  if (result != 0 && result != 1 && result != 3) std::abort();  // 2 only for a missing file
  // A picture the screen cannot take is refused before anything changes.
  if (result == 1 && std::memcmp(&before, screen::palette().data(), sizeof before) != 0)
    std::abort();
  // Hand what was loaded to the window, as the service thread would.
  screen::presentation_pass();
  return 0;
}
