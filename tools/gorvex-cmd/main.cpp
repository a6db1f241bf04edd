// gorvex-cmd: runs a batch file of the launcher where the system has no interpreter for it.
//   gorvex-cmd FILE.bat
// The exit status is that of the file's last command, or 1 when the file cannot be read.

#include <cstdio>

#include "tools/gorvex-cmd/interpreter.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gorvex-cmd FILE.bat\n");
    return 1;
  }
  return cmd::run_batch(argv[1]);
}
