// A hostile program for the Wine checks: sends the launcher's window what only the system
// should, as any program on the desktop may.
//   gorvex-hostile.exe inactive    posts WM_ACTIVATE(WA_INACTIVE)
//   gorvex-hostile.exe minimised   posts WM_SIZE(SIZE_MINIMIZED)
//   gorvex-hostile.exe moves N     posts N WM_MOUSEMOVE over the page
//   gorvex-hostile.exe dpi         sends WM_DPICHANGED at 192 dpi with a rectangle far off
//                                  every screen, then posts one
//   gorvex-hostile.exe size FILE   writes the window's client size, "W H", into FILE (the
//                                  one thing here a well-behaved program does too)
// Ends with 0 once done, 1 when there is no launcher window, 2 on a usage error.

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Sizes in the launcher's own pixels: a program that is not aware of the monitor's scale is
// told sizes shrunk by it (Wine 10 does so, as Windows does).
void see_real_pixels() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto set_context = user32 == nullptr
                               ? nullptr
                               : reinterpret_cast<SetContext>(reinterpret_cast<void*>(
                                     GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  // -4: per monitor, version 2, as the launcher itself is.
  if (set_context == nullptr || !set_context(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))
    SetProcessDPIAware();
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  see_real_pixels();
  const HWND window = FindWindowW(L"GorvexLauncherWindow", nullptr);
  if (window == nullptr) return 1;
  const char* what = argv[1];
  if (std::strcmp(what, "inactive") == 0) {
    PostMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
  } else if (std::strcmp(what, "minimised") == 0) {
    PostMessageW(window, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
  } else if (std::strcmp(what, "moves") == 0 && argc == 3) {
    const long count = std::strtol(argv[2], nullptr, 10);
    for (long i = 0; i < count; ++i)
      PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(i % 640, (i / 640) % 480));
  } else if (std::strcmp(what, "dpi") == 0) {
    RECT far_off{32767 - 100, 32767 - 100, 32767, 32767};
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), LPARAM(&far_off),
                        SMTO_ABORTIFHUNG, 5000, &answer);
    PostMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), LPARAM(0x10));
  } else if (std::strcmp(what, "size") == 0 && argc == 3) {
    RECT client{};
    if (!GetClientRect(window, &client)) return 1;
    FILE* out = std::fopen(argv[2], "w");
    if (out == nullptr) return 2;
    std::fprintf(out, "%ld %ld\n", client.right - client.left, client.bottom - client.top);
    std::fclose(out);
  } else {
    return 2;
  }
  return 0;
}
