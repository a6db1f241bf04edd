// Files and processes on POSIX systems. Programs are found relative to the current directory
// only; batch files run through gorvex-cmd, installed beside the launcher.

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "screen/files.h"
#include "screen/process.h"
#include "screen/window/driver.h"

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

// Marks every descriptor above 2 close-on-exec, so a started program inherits none of ours
// and a failed start leaves them usable. Async-signal-safe: also for a child before exec.
void close_on_exec_above_stderr() {
  if (close_range(3, ~0u, CLOSE_RANGE_CLOEXEC) == 0) return;
  for (int fd = 3; fd < 4096; ++fd) fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// An executable regular file.
bool is_program(const char* path) {
  struct stat st {};
  return stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, X_OK) == 0;
}

// Starts the program at argv[0] as a child that ends with the launcher, however the launcher
// ends. Its input and errors go to /dev/null when `quiet`; its output to `out` unless -1.
// The child's pid, or -1 when the program could not be started.
pid_t spawn_child(std::vector<char*>& argv, bool quiet, int out) {
  int report[2];  // the child's exec error, if any; closed by a successful exec
  if (pipe2(report, O_CLOEXEC) != 0) return -1;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);  // the launcher already ended
    if (quiet) {
      const int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 2);
      }
    }
    if (out >= 0) dup2(out, 1);
    close_on_exec_above_stderr();
    execv(argv[0], argv.data());
    const int error = errno;
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int error = 0;
  ssize_t n = 0;
  while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (pid < 0) return -1;
  if (n > 0) {
    waitpid(pid, nullptr, 0);
    return -1;
  }
  return pid;
}

// The child's exit status, 128 + its signal, or -1.
int wait_for(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

// The first executable regular file of that name in the search path, or "".
std::string find_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    std::string candidate(folder.empty() ? std::string_view(".") : folder);
    candidate += '/';
    candidate += name;
    if (is_program(candidate.c_str())) return candidate;
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

bool run_for_output(std::vector<std::string> words, std::string& output, int& status) {
  if (words.empty()) return false;
  if (words[0].find('/') == std::string::npos && (words[0] = find_on_path(words[0])).empty())
    return false;
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return false;
  std::vector<char*> argv = argv_of(words);
  const pid_t pid = spawn_child(argv, true, pipe_ends[1]);
  close(pipe_ends[1]);
  if (pid < 0) {
    close(pipe_ends[0]);
    return false;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
    if (n > 0) {
      output.append(buffer, std::size_t(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_ends[0]);
  status = wait_for(pid);
  return true;
}

std::string executable_path() {
  std::string buf(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0) return {};
  buf.resize(std::size_t(n));
  return buf;
}

std::string get_launcher_directory() {
  if (boundary.rehearsal && !boundary.launcher_directory.empty())
    return boundary.launcher_directory;
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
  if (boundary.rehearsal) {
    if (!is_program(argv[0])) return -1;
    throw Ended{0, std::string(program), std::string(arguments)};
  }
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
  const pid_t pid = spawn_child(argv, false, -1);
  return pid < 0 ? -1 : wait_for(pid);
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

namespace screen::driver {

// Children end with us: they were started to die with their parent.
void connection_lost() {
  static constexpr char line[] = "gorvex-launcher: lost the connection to the display\n";
  (void)!write(2, line, sizeof line - 1);
  _exit(1);
}

}  // namespace screen::driver
