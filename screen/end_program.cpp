#include <cstdlib>

#include "screen/files.h"
#include "screen/process.h"
#include "screen/screen.h"

namespace screen {

void end_program(int status) {
  close_screen();
  files::close_file(0);
  if (boundary.rehearsal) throw Ended{status, {}, {}};
  std::exit(status);
}

}  // namespace screen
