// The Win32 window. The service thread creates it, pumps its messages and paints it; the
// page is shown through an 8-bit DIB with the 256-entry palette. Full screen is a borderless
// window over the whole monitor, in a display mode of the page's size where the system
// grants one, else with the page scaled by a whole factor and centred on black.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "screen/backend.h"
#include "screen/pointer.h"

namespace screen::backend {

namespace {

constexpr DWORD window_style =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr char class_name[] = "GorvexLauncherWindow";

struct Bitmap {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

struct Window {
  HWND handle = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;                   // bytes per row of `shown`, a multiple of 4 as DIBs need
  std::vector<std::uint8_t> shown;  // the page as last presented, top row first
  Bitmap bitmap{};
  BOOL saver_was_active = FALSE;
  bool pumping = false;  // inside handle_events, where the pointer state may be touched
  std::optional<bool> pending_activation;  // an activation seen outside the pump
  bool tracking_leave = false;
  bool full_screen = false;
  bool display_changed = false;
  RECT windowed{};  // the window's place before full screen
  int scale = 1;    // screen pixels per page pixel
  POINT origin{};   // the page's top-left corner in client coordinates
};

Window win;

// --- Painting ---

// Draws page rows first..last from the copy of the last presented page.
void draw_rows(HDC dc, int first, int last) {
  const int rows = last - first + 1;
  win.bitmap.header.biHeight = -rows;  // negative: top row first
  const void* bits = win.shown.data() + std::size_t(first) * std::size_t(win.stride);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(&win.bitmap);
  if (win.scale == 1) {
    SetDIBitsToDevice(dc, win.origin.x, win.origin.y + first, DWORD(win.width), DWORD(rows), 0, 0,
                      0, UINT(rows), bits, info, DIB_RGB_COLORS);
  } else {
    StretchDIBits(dc, win.origin.x, win.origin.y + first * win.scale, win.width * win.scale,
                  rows * win.scale, 0, 0, win.width, rows, bits, info, DIB_RGB_COLORS, SRCCOPY);
  }
}

RECT page_rect() {
  return {win.origin.x, win.origin.y, win.origin.x + win.width * win.scale,
          win.origin.y + win.height * win.scale};
}

// The whole page, and black around it in full screen.
void paint(HDC dc) {
  if (win.full_screen) {
    RECT client{};
    GetClientRect(win.handle, &client);
    const RECT page = page_rect();
    ExcludeClipRect(dc, page.left, page.top, page.right, page.bottom);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectClipRgn(dc, nullptr);
  }
  draw_rows(dc, 0, win.height - 1);
}

// --- Full screen ---

// Places the page in a client area of cw x ch: the largest whole scale, centred.
void lay_out(int cw, int ch) {
  win.scale = std::max(1, std::min(cw / win.width, ch / win.height));
  win.origin = {(cw - win.width * win.scale) / 2, (ch - win.height * win.scale) / 2};
}

void restore_display() {
  if (win.display_changed) ChangeDisplaySettingsA(nullptr, 0);
  win.display_changed = false;
}

void leave_full_screen() {
  restore_display();
  win.full_screen = false;
  lay_out(win.width, win.height);
  SetWindowLongPtrA(win.handle, GWL_STYLE, LONG_PTR(window_style | WS_VISIBLE));
  const RECT& r = win.windowed;
  SetWindowPos(win.handle, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  InvalidateRect(win.handle, nullptr, FALSE);
}

// Not topmost: the open-file dialog and the message boxes must come up above it.
void enter_full_screen() {
  GetWindowRect(win.handle, &win.windowed);
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = DWORD(win.width);
  mode.dmPelsHeight = DWORD(win.height);
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  win.display_changed = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(win.handle, MONITOR_DEFAULTTONEAREST), &monitor)) {
    restore_display();
    return;
  }
  const RECT& m = monitor.rcMonitor;
  win.full_screen = true;
  lay_out(m.right - m.left, m.bottom - m.top);
  SetWindowLongPtrA(win.handle, GWL_STYLE, LONG_PTR(WS_POPUP | WS_VISIBLE));
  if (!SetWindowPos(win.handle, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                    SWP_FRAMECHANGED | SWP_SHOWWINDOW)) {
    leave_full_screen();
    return;
  }
  InvalidateRect(win.handle, nullptr, FALSE);
}

void toggle_full_screen() {
  if (win.full_screen)
    leave_full_screen();
  else
    enter_full_screen();
}

// --- Pointer ---

// The pointer lies over the page, wherever the last event left it.
void refresh_inside() {
  POINT p{};
  if (!GetCursorPos(&p) || !ScreenToClient(win.handle, &p)) {
    events::inside(false);
    return;
  }
  const RECT page = page_rect();
  events::inside(PtInRect(&page, p) != 0);
}

void pointer_moved(LPARAM lp) {
  events::moved((GET_X_LPARAM(lp) - win.origin.x) / win.scale,
                (GET_Y_LPARAM(lp) - win.origin.y) / win.scale);
  if (!win.tracking_leave) {
    TRACKMOUSEEVENT t{};
    t.cbSize = sizeof t;
    t.dwFlags = TME_LEAVE;
    t.hwndTrack = win.handle;
    win.tracking_leave = TrackMouseEvent(&t) != 0;
  }
}

// Pointer events keep coming while a button is held, also outside the window.
void button_down(int bit) {
  events::pressed(bit);
  SetCapture(win.handle);
}

void button_up(int bit) {
  events::released(bit);
  if (events::buttons() == 0 && GetCapture() == win.handle) ReleaseCapture();
}

int extra_button(WPARAM wp) {
  return GET_XBUTTON_WPARAM(wp) == XBUTTON1 ? 8 : 16;
}

void activation(bool active) {
  if (!active && GetCapture() == win.handle) ReleaseCapture();
  if (win.pumping)
    events::activation(active);
  else
    win.pending_activation = active;
}

// Handles what the pointer state hears of; false for messages left to the system.
bool pointer_message(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
      pointer_moved(lp);
      return true;
    case WM_MOUSELEAVE:
      win.tracking_leave = false;
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      button_down(1);
      return true;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      button_down(2);
      return true;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      button_down(4);
      return true;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
      button_down(extra_button(wp));
      return true;
    case WM_LBUTTONUP:
      button_up(1);
      return true;
    case WM_RBUTTONUP:
      button_up(2);
      return true;
    case WM_MBUTTONUP:
      button_up(4);
      return true;
    case WM_XBUTTONUP:
      button_up(extra_button(wp));
      return true;
    case WM_MOUSEWHEEL: {
      const int delta = GET_WHEEL_DELTA_WPARAM(wp);
      if (delta != 0) events::wheel(delta > 0 ? 1 : -1);
      return true;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK window_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (h != win.handle) return DefWindowProcA(h, msg, wp, lp);
  if (win.pumping) {
    refresh_inside();
    // Extra-button messages want TRUE back; the others 0.
    if (pointer_message(msg, wp, lp))
      return msg == WM_XBUTTONDOWN || msg == WM_XBUTTONUP || msg == WM_XBUTTONDBLCLK;
  }
  switch (msg) {
    case WM_ACTIVATE:
      activation(LOWORD(wp) != WA_INACTIVE && HIWORD(wp) == 0);
      break;  // the system still gives the window the keyboard focus
    case WM_SIZE:
      if (wp == SIZE_MINIMIZED) activation(false);
      break;
    case WM_CLOSE:
      // Only queues the close key: the window stays until the program closes it.
      if (win.pumping) events::close_requested();
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+Enter, repeats ignored. The system still sees the key, or releasing Alt would
      // then open the window menu and swallow the next click.
      if (wp == VK_RETURN && (lp & (1 << 29)) != 0 && (lp & (1 << 30)) == 0) toggle_full_screen();
      break;
    case WM_SYSCHAR:
      if (wp == '\r') return 0;  // no beep for Alt+Enter
      break;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MAXIMIZE) {
        toggle_full_screen();
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      paint(dc);
      EndPaint(h, &ps);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(h, msg, wp, lp);
}

bool register_class(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;  // a double click arrives as a press of its own
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = class_name;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The window's outer rectangle for the client size, centred on the desktop's work area.
RECT centred_frame(int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRect(&frame, window_style, FALSE);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  const int x = std::max(work.left, work.left + (work.right - work.left - w) / 2);
  const int y = std::max(work.top, work.top + (work.bottom - work.top - h) / 2);
  return {x, y, x + w, y + h};
}

}  // namespace

bool wants_service_thread() {
  return true;
}

bool open(int width, int height, std::string_view title, std::string& error) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!register_class(instance)) {
    error = "RegisterClassExA failed with error " + std::to_string(GetLastError());
    return false;
  }
  win = {};
  win.width = width;
  win.height = height;
  win.stride = (width + 3) & ~3;
  win.shown.assign(std::size_t(win.stride) * std::size_t(height), 0);
  BITMAPINFOHEADER& b = win.bitmap.header;
  b.biSize = sizeof b;
  b.biWidth = width;
  b.biHeight = -height;
  b.biPlanes = 1;
  b.biBitCount = 8;
  b.biCompression = BI_RGB;
  b.biClrUsed = 256;
  lay_out(width, height);

  const RECT r = centred_frame(width, height);
  win.handle =
      CreateWindowExA(0, class_name, std::string(title).c_str(), window_style, r.left, r.top,
                      r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (win.handle == nullptr) {
    error = "CreateWindowExA failed with error " + std::to_string(GetLastError());
    return false;
  }
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &win.saver_was_active, 0);
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
  ShowWindow(win.handle, SW_SHOWNORMAL);
  UpdateWindow(win.handle);
  SetForegroundWindow(win.handle);
  return true;
}

void set_title(std::string_view title) {
  if (win.handle != nullptr) SetWindowTextA(win.handle, std::string(title).c_str());
}

void set_palette(const std::array<Rgb, 256>& palette) {
  for (std::size_t i = 0; i < palette.size(); ++i)
    win.bitmap.colours[i] = {palette[i].blue, palette[i].green, palette[i].red, 0};
}

void present(const std::uint8_t* page, int width, int first, int last) {
  if (win.handle == nullptr || width != win.width) return;
  for (int y = first; y <= last; ++y)
    std::copy_n(page + std::size_t(y) * std::size_t(width), width,
                win.shown.begin() + std::ptrdiff_t(y) * win.stride);
  if (HDC dc = GetDC(win.handle)) {
    draw_rows(dc, first, last);
    ReleaseDC(win.handle, dc);
  }
}

void handle_events() {
  win.pumping = true;
  if (win.pending_activation) {
    events::activation(*win.pending_activation);
    win.pending_activation.reset();
  }
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  win.pumping = false;
}

void close() {
  if (win.handle == nullptr) return;
  restore_display();
  DestroyWindow(win.handle);
  win.handle = nullptr;
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, UINT(win.saver_was_active), nullptr, 0);
  UnregisterClassA(class_name, GetModuleHandleA(nullptr));
}

// --- Waiting for messages ---

namespace {
// Set by wake(); one for the whole run, whatever window is open.
HANDLE wake_handle() {
  static const HANDLE h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return h;
}
}  // namespace

bool can_wait() {
  return wake_handle() != nullptr;
}

// Also ends at input already queued but not yet handled.
void wait_for_event(int milliseconds) {
  const HANDLE h = wake_handle();
  MsgWaitForMultipleObjectsEx(1, &h, DWORD(milliseconds), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void wake() {
  if (const HANDLE h = wake_handle()) SetEvent(h);
}

}  // namespace screen::backend
