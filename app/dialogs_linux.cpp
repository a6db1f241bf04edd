// The dialogs on Linux: SDL's message box, and the desktop's file chooser (zenity, else
// kdialog) run as a child process whose output is the chosen path.

#include <SDL.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/texts.h"

extern char** environ;

namespace app {

namespace {

// Runs a program found on the search path with no input, its output on a pipe and its
// errors discarded; it inherits none of our descriptors. False when it cannot be started;
// otherwise `output` holds what it printed and the result is true with its exit status.
bool run_for_output(std::vector<std::string> words, std::string& output, int& status) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (spawned != 0) {
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
  int wait_status = 0;
  while (waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) {
      wait_status = -1;
      break;
    }
  }
  status = wait_status != -1 && WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return true;
}

std::string current_folder() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::vector<std::string> zenity_words(const std::string& folder) {
  const std::string title = cp1251::to_utf8(texts::dialog_title);
  std::vector<std::string> words = {
      "zenity", "--file-selection", "--title=" + title,
      "--file-filter=" + cp1251::to_utf8(texts::filter_wad) + " | *.wad",
      "--file-filter=" + cp1251::to_utf8(texts::filter_all) + " | *"};
  if (!folder.empty()) words.push_back("--filename=" + folder + "/");
  return words;
}

std::vector<std::string> kdialog_words(const std::string& folder) {
  return {
      "kdialog",
      "--title",
      cp1251::to_utf8(texts::dialog_title),
      "--getopenfilename",
      folder.empty() ? "." : folder,
      "*.wad|" + cp1251::to_utf8(texts::filter_wad) + "\n*|" + cp1251::to_utf8(texts::filter_all)};
}

}  // namespace

std::string choose_wad(void*) {
  const std::string folder = current_folder();
  std::string output;
  int status = -1;
  if (!run_for_output(zenity_words(folder), output, status) &&
      !run_for_output(kdialog_words(folder), output, status))
    return {};
  if (status != 0) return {};
  if (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

void show_message_box(std::string_view text, std::string_view caption) {
  const std::string utf8_text = cp1251::to_utf8(text);
  const std::string utf8_caption = cp1251::to_utf8(caption);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, utf8_caption.c_str(), utf8_text.c_str(),
                               nullptr) != 0)
    std::fprintf(stderr, "%s: %s\n", utf8_caption.c_str(), utf8_text.c_str());
}

void report_no_window(std::string_view reason) {
  std::fprintf(stderr, "cannot open a window: %.*s\n", int(reason.size()), reason.data());
}

}  // namespace app
