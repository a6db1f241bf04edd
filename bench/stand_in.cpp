// gorvex-bench-stand-in: takes the emulator's place in hand-over measurements. Its first act
// reads the monotonic clock; it appends the nanoseconds and its arguments to the file named by
// GORVEX_HANDOVER_STAMP, then ends with status 0.

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const char* path = std::getenv("GORVEX_HANDOVER_STAMP");
  if (path == nullptr) return 0;
  char line[1024];
  int n = std::snprintf(line, sizeof line, "%lld",
                        static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
  for (int i = 1; i < argc && n < int(sizeof line) - 2; ++i)
    n += std::snprintf(line + n, sizeof line - std::size_t(n), " %s", argv[i]);
  if (n > int(sizeof line) - 2) n = int(sizeof line) - 2;
  line[n++] = '\n';
  const int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return 1;
  const bool ok = write(fd, line, std::size_t(n)) == n;
  close(fd);
  return ok ? 0 : 1;
}
