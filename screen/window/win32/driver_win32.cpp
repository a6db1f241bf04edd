// The Win32 window. The service thread creates it, pumps its messages and paints it; the
// page is shown through an 8-bit DIB with the 256-entry palette. The window shows the page at
// the whole factor nearest the monitor's scale (it is DPI-aware, so the system does not
// stretch it), pixels repeated, never smoothed. Full screen is a borderless window over the
// monitor the window is on, in a display mode of the page's size where the system grants one,
// else with the page at the largest whole factor, centred on black.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "screen/resources_win32.h"
#include "screen/scale.h"
#include "screen/unicode_win32.h"
#include "screen/window/driver.h"
#include "screen/window/win32/window_win32.h"

namespace screen::driver {

namespace {

constexpr DWORD window_style =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr wchar_t class_name[] = L"GorvexLauncherWindow";
constexpr UINT default_dpi = 96;

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
  std::vector<Event> pending;  // events for the core's next look
  bool over = false;           // the pointer is over the window (a leave is tracked)
  bool active = false;         // as last reported to the core
  bool minimised = false;
  bool tracking_leave = false;
  bool full_screen = false;
  bool display_changed = false;
  bool mode_given_back =
      false;            // full screen's display mode, undone while another program is active
  std::wstring device;  // the display of full screen's monitor
  RECT windowed{};      // the window's place before full screen
  int scale = 1;        // screen pixels per page pixel
  POINT origin{};       // the page's top-left corner in client coordinates
};

Window win;
std::atomic<HWND> shown_window{nullptr};  // win.handle, for the dialogs of the program thread

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
    SetStretchBltMode(dc, COLORONCOLOR);  // each page pixel a block of one colour
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

// --- Scale ---

scale::Point page_size() {
  return {win.width, win.height};
}

// Places the page in the client area: the largest whole scale, centred.
void lay_out() {
  RECT c{};
  GetClientRect(win.handle, &c);
  const scale::Point area{c.right - c.left, c.bottom - c.top};
  if (area.x <= 0 || area.y <= 0) return;  // minimised
  win.scale = scale::fitting_factor(area, page_size());
  const scale::Point o = scale::centred_origin(area, page_size(), win.scale);
  win.origin = {o.x, o.y};
}

// Functions of newer Windows, where the system has them.
template <typename F>
F user32_function(const char* name) {
  return reinterpret_cast<F>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT window_dpi() {
  static const auto get_dpi = user32_function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (get_dpi != nullptr) {
    if (const UINT dpi = get_dpi(win.handle)) return dpi;
  }
  UINT dpi = default_dpi;
  if (HDC dc = GetDC(nullptr)) {
    dpi = UINT(GetDeviceCaps(dc, LOGPIXELSX));
    ReleaseDC(nullptr, dc);
  }
  return dpi > 0 ? dpi : default_dpi;
}

// The window's outer rectangle for a client area of `client` at `dpi`, placed at the origin.
RECT frame_for(scale::Point client, UINT dpi) {
  static const auto adjust =
      user32_function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT r{0, 0, client.x, client.y};
  if (adjust == nullptr || !adjust(&r, window_style, FALSE, 0, dpi))
    AdjustWindowRect(&r, window_style, FALSE);
  return r;
}

// Sizes the window for the page at the factor of `dpi` on its monitor: at `suggested`'s
// top-left corner when the system proposes a place, else centred on the work area.
void size_window(UINT dpi, const RECT* suggested) {
  MONITORINFO m{};
  m.cbSize = sizeof m;
  HMONITOR monitor = suggested != nullptr ? MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST)
                                          : MonitorFromWindow(win.handle, MONITOR_DEFAULTTONEAREST);
  if (!GetMonitorInfoW(monitor, &m)) return;
  const RECT& work = m.rcWork;
  const RECT bare = frame_for({0, 0}, dpi);
  const int factor = scale::window_factor(
      scale::percent_of_dpi(int(dpi)), {work.right - work.left, work.bottom - work.top},
      page_size(), {bare.right - bare.left, bare.bottom - bare.top});
  const RECT r = frame_for({win.width * factor, win.height * factor}, dpi);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = std::max(work.left, work.left + (work.right - work.left - w) / 2);
  int y = std::max(work.top, work.top + (work.bottom - work.top - h) / 2);
  if (suggested != nullptr) {  // kept on the monitor, whatever the message said
    x = std::clamp(int(suggested->left), int(work.left),
                   std::max(int(work.left), int(work.right) - w));
    y = std::clamp(int(suggested->top), int(work.top),
                   std::max(int(work.top), int(work.bottom) - h));
  }
  SetWindowPos(win.handle, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  lay_out();
  InvalidateRect(win.handle, nullptr, FALSE);
}

// --- Full screen ---

// Puts the display mode of the page's size on full screen's display; false when refused.
bool take_display_mode() {
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = DWORD(win.width);
  mode.dmPelsHeight = DWORD(win.height);
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  return ChangeDisplaySettingsExW(win.device.c_str(), &mode, nullptr, CDS_FULLSCREEN, nullptr) ==
         DISP_CHANGE_SUCCESSFUL;
}

void give_back_display_mode() {
  ChangeDisplaySettingsExW(win.device.c_str(), nullptr, nullptr, 0, nullptr);
}

void restore_display() {
  if (win.display_changed && !win.mode_given_back) give_back_display_mode();
  win.display_changed = false;
  win.mode_given_back = false;
}

// Covers the monitor `monitor` with the window; false when the system refuses.
bool cover_monitor(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return false;
  const RECT& m = info.rcMonitor;
  if (!SetWindowPos(win.handle, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                    SWP_FRAMECHANGED | SWP_SHOWWINDOW))
    return false;
  lay_out();
  InvalidateRect(win.handle, nullptr, FALSE);
  return true;
}

void leave_full_screen() {
  restore_display();
  win.full_screen = false;
  SetWindowLongPtrW(win.handle, GWL_STYLE, LONG_PTR(window_style | WS_VISIBLE));
  const RECT& r = win.windowed;
  SetWindowPos(win.handle, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  lay_out();
  InvalidateRect(win.handle, nullptr, FALSE);
}

// On the monitor the window is on. Not topmost: the open-file dialog and the message boxes
// must come up above it.
void enter_full_screen() {
  GetWindowRect(win.handle, &win.windowed);
  const HMONITOR monitor = MonitorFromWindow(win.handle, MONITOR_DEFAULTTONEAREST);
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return;
  win.device = info.szDevice;
  win.display_changed = take_display_mode();
  win.full_screen = true;
  SetWindowLongPtrW(win.handle, GWL_STYLE, LONG_PTR(WS_POPUP | WS_VISIBLE));
  if (!cover_monitor(monitor)) leave_full_screen();
}

// Another program's window comes to the front (Alt+Tab): full screen's display mode is given
// back and the window steps aside; coming back takes the mode again.
void full_screen_activation(bool active, HWND other) {
  if (!win.full_screen || !win.display_changed) return;
  DWORD other_process = 0;
  if (other != nullptr) GetWindowThreadProcessId(other, &other_process);
  if (!active && !win.mode_given_back && other_process != GetCurrentProcessId()) {
    give_back_display_mode();
    win.mode_given_back = true;
    ShowWindow(win.handle, SW_MINIMIZE);
  } else if (active && win.mode_given_back) {
    win.mode_given_back = false;
    if (!take_display_mode()) win.display_changed = false;
    cover_monitor(MonitorFromWindow(win.handle, MONITOR_DEFAULTTONEAREST));
  }
}

bool switch_full_screen(bool on) {
  if (on && !win.full_screen) enter_full_screen();
  if (!on && win.full_screen) leave_full_screen();
  return win.full_screen == on;
}

// --- Pointer ---

// A move after a move replaces it: only where the pointer is now counts.
void push(Event e) {
  if (e.kind == EventKind::motion && !win.pending.empty() &&
      win.pending.back().kind == EventKind::motion) {
    win.pending.back() = std::move(e);
    return;
  }
  win.pending.push_back(std::move(e));
}

// A move reports the page pixel under the pointer; the first one after a leave is an enter.
void pointer_moved(LPARAM lp) {
  const scale::Point p = scale::page_point({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)},
                                           {win.origin.x, win.origin.y}, win.scale);
  push({win.over ? EventKind::motion : EventKind::enter, p.x, p.y});
  win.over = true;
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
  push({EventKind::press, 0, 0, bit});
  SetCapture(win.handle);
}

// `wp` says which buttons are still down.
void button_up(int bit, WPARAM wp) {
  push({EventKind::release, 0, 0, bit});
  const WORD down = GET_KEYSTATE_WPARAM(wp);
  const bool any_down =
      (down & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2)) != 0;
  if (!any_down && GetCapture() == win.handle) ReleaseCapture();
}

int extra_button(WPARAM wp) {
  return GET_XBUTTON_WPARAM(wp) == XBUTTON1 ? 8 : 16;
}

// Whether the window is active and whether it is minimised are asked of the system once the
// pass's messages are handled: any program can post WM_ACTIVATE or WM_SIZE with whatever
// parameters it likes.
void window_state() {
  const bool minimised = IsIconic(win.handle) != 0;
  const bool active = !minimised && GetForegroundWindow() == win.handle;
  if ((!active || minimised) && GetCapture() == win.handle) ReleaseCapture();
  if (active != win.active) {
    win.active = active;
    Event e{EventKind::focus};
    e.on = active;
    push(std::move(e));
  }
  if (minimised != win.minimised) {
    win.minimised = minimised;
    Event e{EventKind::minimised};
    e.on = minimised;
    push(std::move(e));
  }
}

// Handles what the pointer state hears of; false for messages left to the system.
bool pointer_message(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
      pointer_moved(lp);
      return true;
    case WM_MOUSELEAVE:
      win.tracking_leave = false;
      win.over = false;
      push({EventKind::leave});
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
      button_up(1, wp);
      return true;
    case WM_RBUTTONUP:
      button_up(2, wp);
      return true;
    case WM_MBUTTONUP:
      button_up(4, wp);
      return true;
    case WM_XBUTTONUP:
      button_up(extra_button(wp), wp);
      return true;
    case WM_MOUSEWHEEL: {
      const int delta = GET_WHEEL_DELTA_WPARAM(wp);
      if (delta != 0) push({EventKind::wheel, 0, 0, 0, delta > 0 ? 1 : -1});
      return true;
    }
    default:
      return false;
  }
}

LRESULT CALLBACK window_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (h != win.handle) return DefWindowProcW(h, msg, wp, lp);
  // Extra-button messages want TRUE back; the others 0.
  if (pointer_message(msg, wp, lp))
    return msg == WM_XBUTTONDOWN || msg == WM_XBUTTONUP || msg == WM_XBUTTONDBLCLK;
  switch (msg) {
    case WM_ACTIVATE:
      full_screen_activation(LOWORD(wp) != WA_INACTIVE, reinterpret_cast<HWND>(lp));
      break;  // the system still gives the window the keyboard focus
    case WM_SIZE:
      if (!IsIconic(win.handle)) lay_out();
      break;
    case WM_DPICHANGED:
      // The scale is the system's for the window, whatever the message says.
      if (!win.full_screen && lp != 0) size_window(window_dpi(), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wp);
      Event e{EventKind::drop};
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count && i < 64; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), UINT(path.size())));
        e.files.push_back(unicode::ansi_path(path));
      }
      if (count > 64) e.files.resize(65);  // more than one either way: no choice
      DragFinish(drop);
      push(std::move(e));
      return 0;
    }
    case WM_CLOSE:
      // Only queues the close key: the window stays until the program closes it.
      push({EventKind::close_request});
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+Enter, repeats ignored. The system still sees the key, or releasing Alt would
      // then open the window menu and swallow the next click.
      if (wp == VK_RETURN && (lp & (1 << 29)) != 0 && (lp & (1 << 30)) == 0)
        push({EventKind::full_screen_key});
      break;
    case WM_SYSCHAR:
      if (wp == '\r') return 0;  // no beep for Alt+Enter
      break;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MAXIMIZE) {
        push({EventKind::maximise});
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
  return DefWindowProcW(h, msg, wp, lp);
}

// The launcher's icon at the system's size `metric`, or the stock one.
HICON icon(HINSTANCE instance, int metric_x, int metric_y) {
  if (HANDLE i = LoadImageW(instance, MAKEINTRESOURCEW(GORVEX_ICON), IMAGE_ICON,
                            GetSystemMetrics(metric_x), GetSystemMetrics(metric_y), 0))
    return static_cast<HICON>(i);
  return LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
}

bool register_class(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;  // a double click arrives as a press of its own
  wc.lpfnWndProc = window_proc;
  wc.hInstance = instance;
  wc.hIcon = icon(instance, SM_CXICON, SM_CYICON);
  wc.hIconSm = icon(instance, SM_CXSMICON, SM_CYSMICON);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = class_name;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::wstring from_1251(std::string_view text) {
  return unicode::widen(text, 1251);
}

}  // namespace

bool wants_service_thread() {
  return true;
}

bool set_full_screen(bool on) {
  return win.handle != nullptr && switch_full_screen(on);
}

bool full_screen() {
  return win.full_screen;
}

bool open(int width, int height, std::string_view title, std::string& error) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!register_class(instance)) {
    error = "RegisterClassExW failed with error " + std::to_string(GetLastError());
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

  win.handle = CreateWindowExW(0, class_name, from_1251(title).c_str(), window_style, CW_USEDEFAULT,
                               CW_USEDEFAULT, width, height, nullptr, nullptr, instance, nullptr);
  if (win.handle == nullptr) {
    error = "CreateWindowExW failed with error " + std::to_string(GetLastError());
    return false;
  }
  size_window(window_dpi(), nullptr);
  shown_window = win.handle;
  DragAcceptFiles(win.handle, TRUE);
  // Keeps the screen saver and display sleep away while this thread lives with the window;
  // nothing of the session's settings changes.
  SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
  ShowWindow(win.handle, SW_SHOWNORMAL);
  UpdateWindow(win.handle);
  SetForegroundWindow(win.handle);
  return true;
}

void set_title(std::string_view title) {
  if (win.handle != nullptr) SetWindowTextW(win.handle, from_1251(title).c_str());
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

// At most this many messages a pass, so that a program posting messages without end neither
// starves the page nor makes the queue of events grow.
constexpr int messages_per_pass = 256;

// The player's input first: Windows hands out posted messages before input, so another
// program posting without end would otherwise hold back every click. Mouse and keyboard
// messages that come posted are another program's, not the player's: dropped, as is a posted
// WM_DPICHANGED (the system sends that one, and its pointer would be of the poster's choosing).
bool next_message(MSG& m) {
  if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) return true;
  if (!PeekMessageW(&m, nullptr, 0, 0,
                    PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE))
    return false;
  const UINT id = m.message;
  if ((id >= WM_MOUSEFIRST && id <= WM_MOUSELAST) || (id >= WM_KEYFIRST && id <= WM_KEYLAST) ||
      id == WM_DPICHANGED)
    m.message = WM_NULL;
  return true;
}

void take_events(std::vector<Event>& events) {
  MSG m;
  for (int i = 0; i < messages_per_pass && next_message(m); ++i) {
    if (m.message == WM_NULL) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  if (win.handle != nullptr) window_state();
  for (Event& e : win.pending) events.push_back(std::move(e));
  win.pending.clear();
}

void close() {
  if (win.handle == nullptr) return;
  restore_display();
  shown_window = nullptr;
  DestroyWindow(win.handle);
  win.handle = nullptr;
  SetThreadExecutionState(ES_CONTINUOUS);
  UnregisterClassW(class_name, GetModuleHandleW(nullptr));
}

void* native_window() {
  return shown_window.load();
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
  MsgWaitForMultipleObjectsEx(1, &h, milliseconds < 0 ? INFINITE : DWORD(milliseconds), QS_ALLINPUT,
                              MWMO_INPUTAVAILABLE);
}

void wake() {
  if (const HANDLE h = wake_handle()) SetEvent(h);
}

}  // namespace screen::driver
