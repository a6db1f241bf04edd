// A stand-in for the emulator in the Wine checks: appends its command line and current folder
// to stand-in.txt beside its own exe, one line each in UTF-8, and ends at once. Put in the
// place of cmd.exe it also keeps a copy of the batch file named after "/c" as batch-copy.bat
// there.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring own_folder() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring folder(exe);
  folder.erase(folder.find_last_of(L'\\') + 1);
  return folder;
}

std::string utf8(const std::wstring& s) {
  std::string out(s.size() * 4 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), int(s.size()), out.data(),
                                    int(out.size()), nullptr, nullptr);
  out.resize(std::size_t(n > 0 ? n : 0));
  return out;
}

// The batch file after "/c", without quotes; "" when there is none.
std::wstring batch_named(const std::wstring& line) {
  const std::size_t c = line.find(L"/c ");
  if (c == std::wstring::npos) return {};
  std::wstring name;
  for (const wchar_t ch : line.substr(c + 3))
    if (ch != L'"') name += ch;
  return name;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::wstring folder = own_folder();
  const std::wstring line = GetCommandLineW();
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  std::FILE* f = _wfopen((folder + L"stand-in.txt").c_str(), L"ab");
  if (f == nullptr) return 1;
  std::fprintf(f, "command line: %s\r\ncurrent folder: %s\r\n", utf8(line).c_str(),
               utf8(cwd).c_str());
  std::fclose(f);
  const std::wstring batch = batch_named(line);
  if (!batch.empty() && !CopyFileW(batch.c_str(), (folder + L"batch-copy.bat").c_str(), FALSE))
    return 1;
  return 0;
}
