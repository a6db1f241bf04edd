// Files and processes on Windows, through the ANSI functions: paths and command lines are the
// system code page's bytes. Programs are found relative to the current directory only; batch
// files run through the system's cmd.exe without a console window.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstring>
#include <string>

#include "screen/files.h"
#include "screen/process.h"

namespace screen {

namespace {

// A program name as a path that never goes through the search path.
std::string program_path(std::string_view program) {
  std::string p = files::native_path(program);
  const bool has_folder = p.find('\\') != std::string::npos || p.find(':') != std::string::npos;
  return has_folder ? p : ".\\" + p;
}

// The first word of a command line; quoted only when it holds a blank.
std::string command_word(std::string_view program) {
  std::string p(program);
  return p.find_first_of(" \t") == std::string::npos ? p : "\"" + p + "\"";
}

std::string command_line(std::string_view program, std::string_view arguments) {
  std::string line = command_word(program);
  if (!arguments.empty()) line += " " + std::string(arguments);
  return line;
}

bool is_regular_file(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The interpreter from the system folder, never one lying in the current folder.
std::string system_cmd() {
  char dir[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "cmd.exe";
  return std::string(dir, n) + "\\cmd.exe";
}

// Starts a process; false when it cannot be started. `line` is changed by the system.
bool start(const std::string& application, std::string line, DWORD flags, PROCESS_INFORMATION& pi) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  return CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        nullptr, &si, &pi) != 0;
}

}  // namespace

std::string executable_path() {
  char buf[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, strnlen(buf, MAX_PATH - 1));
}

std::string get_launcher_directory() {
  const std::string exe = executable_path();
  const std::size_t slash = exe.find_last_of('\\');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

int ansi_code_page() {
  return int(GetACP());
}

int change_directory(std::string_view path) {
  if (path.empty()) return -1;
  return SetCurrentDirectoryA(std::string(path).c_str()) ? 0 : -1;
}

int hand_over(std::string_view program, std::string_view arguments) {
  if (program.empty()) return -1;
  PROCESS_INFORMATION pi{};
  if (!start(program_path(program), command_line(program, arguments), 0, pi)) return -1;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  end_program(0);
}

int run_and_wait(std::string_view program, std::string_view arguments) {
  if (program.empty()) return -1;
  const std::string path = program_path(program);
  PROCESS_INFORMATION pi{};
  if (files::is_batch_file(program)) {
    if (!is_regular_file(path)) return -1;
    // With /s cmd drops only the outermost quotes, so a quoted path inside survives.
    const std::string line = "cmd.exe /s /c \"" + command_line(path, arguments) + "\"";
    if (!start(system_cmd(), line, CREATE_NO_WINDOW, pi)) return -1;
  } else if (!start(path, command_line(program, arguments), 0, pi)) {
    return -1;
  }
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD status = 0;
  const bool known = GetExitCodeProcess(pi.hProcess, &status) != 0;
  CloseHandle(pi.hProcess);
  return known ? int(status) : -1;
}

int delete_file(std::string_view path) {
  if (path.empty()) return 0;
  if (DeleteFileA(files::native_path(path).c_str())) return 0;
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return 2;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return 3;
    case ERROR_PRIVILEGE_NOT_HELD:
      return 8;
    default:
      return 1;
  }
}

}  // namespace screen
