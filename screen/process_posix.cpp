// Files and processes on POSIX systems. Programs are found relative to the current directory
// only; batch files run through gorvex-cmd, installed beside the launcher.

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "screen/files.h"
#include "screen/process.h"

extern char** environ;

namespace screen {

namespace {

// The argument line split at blanks; DOS-style "\" between folders becomes "/".
std::vector<std::string> split_arguments(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : line) {
    if (c == ' ') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c == '\\' ? '/' : c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// A program name as a path that never goes through the search path.
std::string program_path(std::string_view program) {
  std::string p = files::native_path(program);
  return p.find('/') == std::string::npos ? "./" + p : p;
}

std::vector<char*> argv_of(std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  return argv;
}

// Marks every descriptor above 2 close-on-exec, so the started program inherits none of
// ours and a failed start leaves them usable.
void close_on_exec_above_stderr() {
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) {
    for (int fd = 3; fd < 1024; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
    return;
  }
  const int own = dirfd(d);
  while (const dirent* e = readdir(d)) {
    const int fd = std::atoi(e->d_name);
    if (fd > 2 && fd != own) fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  closedir(d);
}

}  // namespace

std::string executable_path() {
  std::string buf(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0) return {};
  buf.resize(std::size_t(n));
  return buf;
}

std::string get_launcher_directory() {
  const std::string exe = executable_path();
  const std::size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

std::string launcher_directory_utf8() {
  return get_launcher_directory();
}

int ansi_code_page() {
  return 65001;
}

int change_directory(std::string_view path) {
  if (path.empty()) return -1;
  return chdir(std::string(path).c_str()) == 0 ? 0 : -1;
}

int hand_over(std::string_view program, std::string_view arguments) {
  if (program.empty()) return -1;
  std::vector<std::string> words = split_arguments(arguments);
  words.insert(words.begin(), program_path(program));
  std::vector<char*> argv = argv_of(words);
  close_on_exec_above_stderr();
  execv(argv[0], argv.data());
  return -1;
}

int run_and_wait(std::string_view program, std::string_view arguments) {
  if (program.empty()) return -1;
  std::vector<std::string> words = split_arguments(arguments);
  std::string path = program_path(program);
  if (files::is_batch_file(program)) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    words = {get_launcher_directory() + "/gorvex-cmd", path};
  } else {
    words.insert(words.begin(), path);
  }
  std::vector<char*> argv = argv_of(words);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

int delete_file(std::string_view path) {
  if (path.empty()) return 0;
  if (unlink(files::native_path(path).c_str()) == 0) return 0;
  switch (errno) {
    case ENOENT:
    case ENOTDIR:
      return 2;
    case EACCES:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
    case EISDIR:
      return 3;
    case EPERM:
      return 8;
    default:
      return 1;
  }
}

}  // namespace screen
