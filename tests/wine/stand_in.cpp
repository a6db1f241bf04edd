// A stand-in for the emulator in the Wine checks: appends its command line and current folder
// to stand-in.txt beside its own exe, one line each, and ends at once. Put in the place of
// cmd.exe it also keeps a copy of the batch file named after "/c" as batch-copy.bat there.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string own_folder() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe);
  folder.erase(folder.find_last_of('\\') + 1);
  return folder;
}

// The batch file after "/c", without quotes; "" when there is none.
std::string batch_named(const std::string& line) {
  const std::size_t c = line.find("/c ");
  if (c == std::string::npos) return {};
  std::string name;
  for (const char ch : line.substr(c + 3))
    if (ch != '"') name += ch;
  return name;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string folder = own_folder();
  const std::string line = GetCommandLineA();
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  std::FILE* f = std::fopen((folder + "stand-in.txt").c_str(), "ab");
  if (f == nullptr) return 1;
  std::fprintf(f, "command line: %s\r\ncurrent folder: %s\r\n", line.c_str(), cwd);
  std::fclose(f);
  const std::string batch = batch_named(line);
  if (!batch.empty() && !CopyFileA(batch.c_str(), (folder + "batch-copy.bat").c_str(), FALSE))
    return 1;
  return 0;
}
