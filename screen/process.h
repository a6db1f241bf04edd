#pragma once
// Files, folders and processes of the running system. Paths and argument lines are bytes of
// the system's code page (ansi_code_page()), the ones a batch file of the launcher holds.

#include <string>
#include <string_view>
#include <vector>

namespace screen {

// Full path of the running executable.
std::string executable_path();

// The folder that holds the executable, cut before the last separator (no trailing one).
// Windows: where the name has no exact ANSI form, its short 8.3 form if that has one, else
// the name with '?' for the lost letters; change_directory still enters it.
std::string get_launcher_directory();

// The launcher folder in UTF-8, for showing it (POSIX: its bytes as they are).
std::string launcher_directory_utf8();

// The system's ANSI code page: 1251 on a Cyrillic Windows, 65001 where paths are UTF-8.
int ansi_code_page();

// Makes `path` current: 0, or -1 when it does not exist or cannot be entered.
int change_directory(std::string_view path);

// Starts `program` (found relative to the current directory, never on a search path) in
// place of the launcher. Returns -1 only when it cannot be started.
int hand_over(std::string_view program, std::string_view arguments);

// Why the last start of a program failed, in the system's words.
std::string last_start_error();

// Runs `program` as a child and returns its exit status, or -1 when it cannot be started.
// A name ending in ".bat" is run by the command interpreter.
int run_and_wait(std::string_view program, std::string_view arguments);

// Runs a program (a bare name is looked up on the search path) with no input and its errors
// discarded, collecting what it prints into `output`, and gives its exit status. The program
// ends when the launcher does. False when it cannot be started.
bool run_for_output(std::vector<std::string> words, std::string& output, int& status);

// Removes a file: 0 (also for an empty path); 2 no such file, 3 access denied,
// 8 not permitted, 1 any other cause.
int delete_file(std::string_view path);

// Closes the screen and every open file, then ends the process with `status`.
[[noreturn]] void end_program(int status);

// How the process ended in a rehearsal: end_program's status, or the program and argument
// line that a hand_over would have started.
struct Ended {
  int status = 0;
  std::string program;
  std::string arguments;
};

// Tests keep their process: in a rehearsal, end_program and a hand_over that would start its
// program throw Ended instead of ending the process, and `launcher_directory`, when set,
// stands for the executable's folder.
struct Boundary {
  bool rehearsal = false;
  std::string launcher_directory;
};
inline Boundary boundary;

}  // namespace screen
