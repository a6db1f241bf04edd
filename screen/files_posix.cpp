// File kinds, exclusive creation and the installation claim on POSIX systems.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "screen/process.h"

#include "screen/files.h"

namespace screen::files {

Kind path_kind(std::string_view path) {
  struct stat st {};
  if (lstat(native_path(path).c_str(), &st) != 0) return Kind::missing;
  if (S_ISLNK(st.st_mode)) return Kind::link;
  if (S_ISREG(st.st_mode)) return Kind::file;
  if (S_ISDIR(st.st_mode)) return Kind::folder;
  return Kind::other;
}

std::int64_t file_size(std::string_view path) {
  struct stat st {};
  if (stat(native_path(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return std::int64_t(st.st_size);
}

bool same_file(std::string_view a, std::string_view b) {
  struct stat sa {
  }, sb{};
  return stat(native_path(a).c_str(), &sa) == 0 && stat(native_path(b).c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::FILE* open_regular(std::string_view path, std::int64_t& size) {
  const int fd = open(native_path(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    close(fd);
    return nullptr;
  }
  std::FILE* f = fdopen(fd, "rb");
  if (f == nullptr) close(fd);
  size = std::int64_t(st.st_size);
  return f;
}

bool seek(std::FILE* f, std::int64_t offset) {
  return fseeko(f, off_t(offset), SEEK_SET) == 0;
}

std::FILE* create_new(std::string_view path) {
  const int fd = open(native_path(path).c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = fdopen(fd, "wb");
  if (f == nullptr) close(fd);
  return f;
}

bool claim_current_folder() {
  // A lock on the folder itself, so nothing new appears in it. The descriptor closes when
  // the process ends or execs, and the lock goes with it.
  static int held = -1;  // a claim made before in this process gives way to this one
  if (held >= 0) close(held);
  held = -1;
  const int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;  // nothing to lock with: go on as a single launcher would
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool busy = errno == EWOULDBLOCK;
    close(fd);
    return !busy;  // file systems without locks do not stop a player
  }
  held = fd;
  return true;
}

}  // namespace screen::files

namespace screen {

std::string last_start_error() {
  return std::strerror(errno);
}

}  // namespace screen
