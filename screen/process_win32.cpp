// Files and processes on Windows. The system is asked in UTF-16, so that a launcher folder of
// any name works; the launcher's paths and command lines are bytes of the system's ANSI code
// page, as a batch file holds them. Programs are found relative to the current directory
// only; batch files run through the system's cmd.exe without a console window.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <string>

#include "screen/files.h"
#include "screen/process.h"
#include "base/unicode_win32.h"
#include "screen/window/driver.h"

namespace screen {

namespace {

std::wstring wide(std::string_view bytes) {
  return unicode::widen(bytes, CP_ACP);
}

std::wstring wide_executable_path() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

std::wstring wide_launcher_directory() {
  std::wstring exe = wide_executable_path();
  const std::size_t slash = exe.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash);
}

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

bool is_regular_file(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The interpreter from the system folder, never one lying in the current folder.
std::wstring system_cmd() {
  wchar_t dir[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"cmd.exe";
  return std::wstring(dir, n) + L"\\cmd.exe";
}

// Starts a process; false when it cannot be started.
bool start(const std::wstring& application, const std::wstring& line, DWORD flags,
           PROCESS_INFORMATION& pi) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::wstring writable = line;  // CreateProcessW may change the line it is given
  return CreateProcessW(application.c_str(), writable.data(), nullptr, nullptr, FALSE, flags,
                        nullptr, nullptr, &si, &pi) != 0;
}

}  // namespace

std::string executable_path() {
  return unicode::ansi_path(wide_executable_path());
}

std::string get_launcher_directory() {
  return unicode::ansi_path(wide_launcher_directory());
}

std::string launcher_directory_utf8() {
  return unicode::narrow(wide_launcher_directory(), CP_UTF8);
}

int ansi_code_page() {
  return int(GetACP());
}

int change_directory(std::string_view path) {
  if (path.empty()) return -1;
  // The launcher folder by its own name, also where no ANSI name carries it exactly.
  const std::wstring target =
      path == get_launcher_directory() ? wide_launcher_directory() : wide(path);
  return SetCurrentDirectoryW(target.c_str()) ? 0 : -1;
}

int hand_over(std::string_view program, std::string_view arguments) {
  if (program.empty()) return -1;
  PROCESS_INFORMATION pi{};
  if (!start(wide(program_path(program)), wide(command_line(program, arguments)), 0, pi)) return -1;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  end_program(0);
}

int run_and_wait(std::string_view program, std::string_view arguments) {
  if (program.empty()) return -1;
  const std::wstring path = wide(program_path(program));
  PROCESS_INFORMATION pi{};
  if (files::is_batch_file(program)) {
    if (!is_regular_file(path)) return -1;
    // /d: no AutoRun commands from the registry run first (one that changes the folder or
    // waits for input would break or hang the install); /v:off: "!" in a name stays a "!"
    // whatever the player's delayed-expansion setting. With /s cmd drops only the outermost
    // quotes, so a quoted path inside survives. The batch goes by its name in the current
    // folder: a fixed ASCII name, with nothing in it for cmd to expand, as an absolute path
    // ("100%PATH%" in a folder name) could have.
    const std::wstring line = L"cmd.exe /d /v:off /s /c \"" +
                              wide(command_line(program_path(program), arguments)) + L"\"";
    if (!start(system_cmd(), line, CREATE_NO_WINDOW, pi)) return -1;
  } else if (!start(path, wide(command_line(program, arguments)), 0, pi)) {
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
  if (DeleteFileW(wide(files::native_path(path)).c_str())) return 0;
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

namespace screen::driver {

void connection_lost() {
  ExitProcess(1);
}

}  // namespace screen::driver
