// File kinds, exclusive creation and the installation claim on Windows.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <string>

#include "screen/files.h"
#include "screen/process.h"

namespace screen::files {

namespace {

// Opens a file or folder handle for reading its identity only; INVALID_HANDLE_VALUE if not.
HANDLE open_for_identity(const std::string& path, DWORD flags) {
  return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}

bool identity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  const HANDLE h = open_for_identity(path, 0);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  return ok;
}

std::FILE* as_stdio(HANDLE h, int mode, const char* fmode) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), mode);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, fmode);
  if (f == nullptr) _close(fd);
  return f;
}

}  // namespace

Kind path_kind(std::string_view path) {
  const DWORD a = GetFileAttributesA(native_path(path).c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Kind::missing;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) return Kind::link;
  if (a & FILE_ATTRIBUTE_DIRECTORY) return Kind::folder;
  if (a & FILE_ATTRIBUTE_DEVICE) return Kind::other;
  return Kind::file;
}

std::int64_t file_size(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(native_path(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return std::int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

bool same_file(std::string_view a, std::string_view b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  return identity(native_path(a), ia) && identity(native_path(b), ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

std::FILE* open_regular(std::string_view path, std::int64_t& size) {
  const HANDLE h =
      CreateFileA(native_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    return nullptr;
  }
  size = std::int64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
  return as_stdio(h, _O_RDONLY | _O_BINARY, "rb");
}

bool seek(std::FILE* f, std::int64_t offset) {
  return _fseeki64(f, offset, SEEK_SET) == 0;
}

std::FILE* create_new(std::string_view path) {
  const HANDLE h = CreateFileA(native_path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return as_stdio(h, _O_WRONLY | _O_BINARY, "wb");
}

bool claim_current_folder() {
  // A mutex named after the folder's identity, held until the process ends.
  static HANDLE held = nullptr;  // a claim made before in this process gives way to this one
  if (held != nullptr) CloseHandle(held);
  held = nullptr;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!identity(".", info)) return true;
  const std::string name =
      "Local\\GorvexLauncherInstall-" + std::to_string(info.dwVolumeSerialNumber) + "-" +
      std::to_string(info.nFileIndexHigh) + "-" + std::to_string(info.nFileIndexLow);
  const HANDLE m = CreateMutexA(nullptr, TRUE, name.c_str());
  if (m == nullptr) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(m);
    return false;
  }
  held = m;
  return true;
}

}  // namespace screen::files

namespace screen {

std::string last_start_error() {
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, GetLastError(), 0, text, sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.')) s.pop_back();
  return s;
}

}  // namespace screen
