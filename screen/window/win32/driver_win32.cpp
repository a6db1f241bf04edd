// The Win32 window. The service thread creates it, pumps its messages and paints it. The
// window follows its monitor's scale (it is DPI-aware, so the system does not stretch it):
// the scaler enlarges the page into a 32-bit DIB section of the client area's size, exact
// inside every page pixel, and that is copied to the window. Full screen is a borderless
// window over the monitor the window is on, in the monitor's own mode, with the page at the
// largest size of its shape, centred on black.

#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "base/unicode_win32.h"
#include "screen/window/driver.h"
#include "screen/window/event_queue.h"
#include "screen/window/scaler.h"
#include "screen/window/shared_value.h"
#include "screen/window/win32/resources_win32.h"

namespace screen::win32_window {

namespace {

using driver::Event;
using driver::EventKind;

constexpr DWORD window_style =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr wchar_t class_name[] = L"GorvexLauncherWindow";
constexpr UINT default_dpi = 96;

// The client area's pixels, top row first, 0x00RRGGBB, selected into a memory DC of its own.
struct Buffer {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ replaced = nullptr;  // the memory DC's first bitmap, put back before deleting ours
  std::uint32_t* pixels = nullptr;
  scale::Point size{};
};

struct Record {
  HWND handle = nullptr;
  int width = 0;
  int height = 0;
  window::Shared<HWND> for_dialogs;  // `handle`, for the dialogs of the program thread
  window::Scaler scaler;
  Buffer buffer;
  window::EventQueue pending;  // events for the core's next look
  bool over = false;           // the pointer is over the window (a leave is tracked)
  bool active = false;         // as last reported to the core
  bool minimised = false;
  bool tracking_leave = false;
  bool full_screen = false;
  RECT windowed{};   // the window's place before full screen
  double scale = 1;  // the window's scale: client pixels per page pixel
};

Record record;

// --- Painting ---

scale::Point page_size() {
  return {record.width, record.height};
}

void free_buffer() {
  Buffer& b = record.buffer;
  if (b.dc != nullptr) {
    if (b.replaced != nullptr) SelectObject(b.dc, b.replaced);
    DeleteDC(b.dc);
  }
  if (b.bitmap != nullptr) DeleteObject(b.bitmap);
  b = {};
}

// A buffer of `size`; false when the system has no memory for it.
bool make_buffer(scale::Point size) {
  free_buffer();
  BITMAPINFO info{};
  BITMAPINFOHEADER& h = info.bmiHeader;
  h.biSize = sizeof h;
  h.biWidth = size.x;
  h.biHeight = -size.y;  // negative: top row first
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = BI_RGB;
  Buffer& b = record.buffer;
  void* bits = nullptr;
  b.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  b.dc = CreateCompatibleDC(nullptr);
  if (b.bitmap == nullptr || b.dc == nullptr || bits == nullptr) {
    free_buffer();
    return false;
  }
  b.replaced = SelectObject(b.dc, b.bitmap);
  b.pixels = static_cast<std::uint32_t*>(bits);
  b.size = size;
  return true;
}

// Copies buffer rows first..last, the page's columns of them, to the window.
void show_rows(HDC dc, int first, int last) {
  const window::Placement& at = record.scaler.placement();
  if (record.buffer.dc == nullptr || last < first) return;
  BitBlt(dc, at.x, first, at.width, last - first + 1, record.buffer.dc, at.x, first, SRCCOPY);
}

// The buffer as it is; black where there is none yet.
void paint(HDC dc, const RECT& area) {
  if (record.buffer.dc == nullptr) {
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, record.buffer.dc,
         area.left, area.top, SRCCOPY);
}

// --- Scale ---

// Places the page in the client area, the buffer of the client's size painted anew: at the
// window's scale where the area is the window's size, else (full screen, or a size the
// system imposed) the largest size of the page's shape, centred on black.
void lay_out() {
  RECT c{};
  GetClientRect(record.handle, &c);
  // A client area beyond any monitor's would be the system's fault: kept to 16384 a side.
  const scale::Point area{std::min(int(c.right - c.left), 1 << 14),
                          std::min(int(c.bottom - c.top), 1 << 14)};
  if (area.x <= 0 || area.y <= 0) return;  // minimised
  window::Placement at = window::windowed(page_size(), record.scale);
  if (record.full_screen || area != scale::Point{at.width, at.height})
    at = window::fitted(area, page_size());
  if (area == record.buffer.size && at == record.scaler.placement()) return;
  if (area != record.buffer.size && !make_buffer(area)) return;
  record.scaler.place(area, at);
  GdiFlush();
  record.scaler.paint_all(record.buffer.pixels, area.x * 4);
  InvalidateRect(record.handle, nullptr, FALSE);
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
    if (const UINT dpi = get_dpi(record.handle)) return dpi;
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

// Sizes the window for the page at the scale of `dpi` on its monitor: at `suggested`'s
// top-left corner when the system proposes a place, else centred on the work area.
void size_window(UINT dpi, const RECT* suggested) {
  MONITORINFO m{};
  m.cbSize = sizeof m;
  HMONITOR monitor = suggested != nullptr
                         ? MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST)
                         : MonitorFromWindow(record.handle, MONITOR_DEFAULTTONEAREST);
  if (!GetMonitorInfoW(monitor, &m)) return;
  const RECT& work = m.rcWork;
  const RECT bare = frame_for({0, 0}, dpi);
  record.scale =
      window::fitting_scale(window::scale_of_percent(window::percent_of_dpi(int(dpi))),
                            {work.right - work.left, work.bottom - work.top}, page_size(),
                            {bare.right - bare.left, bare.bottom - bare.top});
  const window::Placement at = window::windowed(page_size(), record.scale);
  const RECT r = frame_for({at.width, at.height}, dpi);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = std::max(work.left, work.left + (work.right - work.left - w) / 2);
  int y = std::max(work.top, work.top + (work.bottom - work.top - h) / 2);
  if (suggested != nullptr) {  // kept on the monitor, whatever the message said
    x = std::clamp(int(suggested->left), int(work.left),
                   std::max(int(work.left), int(work.right) - w));
    y = std::clamp(int(suggested->top), int(work.top),
                   std::max(int(work.top), int(work.bottom) - h));
  }
  SetWindowPos(record.handle, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  lay_out();
  InvalidateRect(record.handle, nullptr, FALSE);
}

// --- Full screen ---

// Covers the monitor `monitor` with the window; false when the system refuses.
bool cover_monitor(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return false;
  const RECT& m = info.rcMonitor;
  if (!SetWindowPos(record.handle, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top,
                    SWP_FRAMECHANGED | SWP_SHOWWINDOW))
    return false;
  lay_out();
  InvalidateRect(record.handle, nullptr, FALSE);
  return true;
}

void leave_full_screen() {
  record.full_screen = false;
  SetWindowLongPtrW(record.handle, GWL_STYLE, LONG_PTR(window_style | WS_VISIBLE));
  const RECT& r = record.windowed;
  SetWindowPos(record.handle, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  lay_out();
  InvalidateRect(record.handle, nullptr, FALSE);
}

// On the monitor the window is on. Not topmost: the open-file dialog and the message boxes
// must come up above it.
void enter_full_screen() {
  GetWindowRect(record.handle, &record.windowed);
  const HMONITOR monitor = MonitorFromWindow(record.handle, MONITOR_DEFAULTTONEAREST);
  record.full_screen = true;
  SetWindowLongPtrW(record.handle, GWL_STYLE, LONG_PTR(WS_POPUP | WS_VISIBLE));
  if (!cover_monitor(monitor)) leave_full_screen();
}

bool switch_full_screen(bool on) {
  if (on && !record.full_screen) enter_full_screen();
  if (!on && record.full_screen) leave_full_screen();
  return record.full_screen == on;
}

// --- Pointer ---

void push(Event e) {
  record.pending.push(std::move(e));
}

// A move reports the page pixel under the pointer; the first one after a leave is an enter.
void pointer_moved(LPARAM lp) {
  const scale::Point p =
      window::page_point(record.scaler.placement(), GET_X_LPARAM(lp) + 0.5, GET_Y_LPARAM(lp) + 0.5);
  push({record.over ? EventKind::motion : EventKind::enter, p.x, p.y});
  record.over = true;
  if (!record.tracking_leave) {
    TRACKMOUSEEVENT t{};
    t.cbSize = sizeof t;
    t.dwFlags = TME_LEAVE;
    t.hwndTrack = record.handle;
    record.tracking_leave = TrackMouseEvent(&t) != 0;
  }
}

// Pointer events keep coming while a button is held, also outside the window.
void button_down(int bit) {
  push({EventKind::press, 0, 0, bit});
  SetCapture(record.handle);
}

// `wp` says which buttons are still down.
void button_up(int bit, WPARAM wp) {
  push({EventKind::release, 0, 0, bit});
  const WORD down = GET_KEYSTATE_WPARAM(wp);
  const bool any_down =
      (down & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2)) != 0;
  if (!any_down && GetCapture() == record.handle) ReleaseCapture();
}

int extra_button(WPARAM wp) {
  return GET_XBUTTON_WPARAM(wp) == XBUTTON1 ? 8 : 16;
}

// Whether the window is active and whether it is minimised are asked of the system once the
// pass's messages are handled: any program can post WM_ACTIVATE or WM_SIZE with whatever
// parameters it likes.
void window_state() {
  const bool minimised = IsIconic(record.handle) != 0;
  const bool active = !minimised && GetForegroundWindow() == record.handle;
  if (!active && GetCapture() == record.handle) ReleaseCapture();
  if (active != record.active) {
    record.active = active;
    Event e{EventKind::focus};
    e.on = active;
    push(std::move(e));
  }
  if (minimised != record.minimised) {
    record.minimised = minimised;
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
      record.tracking_leave = false;
      record.over = false;
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
  if (h != record.handle) return DefWindowProcW(h, msg, wp, lp);
  // Extra-button messages want TRUE back; the others 0.
  if (pointer_message(msg, wp, lp))
    return msg == WM_XBUTTONDOWN || msg == WM_XBUTTONUP || msg == WM_XBUTTONDBLCLK;
  switch (msg) {
    case WM_SIZE:
      if (!IsIconic(record.handle)) lay_out();
      break;
    case WM_DPICHANGED:
      // The scale is the system's for the window, whatever the message says. Full screen
      // keeps covering its monitor; the window left behind comes back at its old size.
      if (!record.full_screen && lp != 0)
        size_window(window_dpi(), reinterpret_cast<const RECT*>(lp));
      InvalidateRect(record.handle, nullptr, FALSE);
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
      paint(dc, ps.rcPaint);
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

bool set_full_screen(bool on) {
  return record.handle != nullptr && switch_full_screen(on);
}

bool full_screen() {
  return record.full_screen;
}

bool open(int width, int height, std::string_view title, std::string& error) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!register_class(instance)) {
    error = "RegisterClassExW failed with error " + std::to_string(GetLastError());
    return false;
  }
  record = {};
  record.width = width;
  record.height = height;
  record.scaler.start({width, height});

  record.handle =
      CreateWindowExW(0, class_name, from_1251(title).c_str(), window_style, CW_USEDEFAULT,
                      CW_USEDEFAULT, width, height, nullptr, nullptr, instance, nullptr);
  if (record.handle == nullptr) {
    error = "CreateWindowExW failed with error " + std::to_string(GetLastError());
    return false;
  }
  size_window(window_dpi(), nullptr);
  record.for_dialogs.store(record.handle);
  DragAcceptFiles(record.handle, TRUE);
  // Keeps the screen saver and display sleep away while this thread lives with the window;
  // nothing of the session's settings changes.
  SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
  ShowWindow(record.handle, SW_SHOWNORMAL);
  UpdateWindow(record.handle);
  SetForegroundWindow(record.handle);
  return true;
}

void set_title(std::string_view title) {
  if (record.handle != nullptr) SetWindowTextW(record.handle, from_1251(title).c_str());
}

// The core presents every row after a change of palette.
void set_palette(const std::array<Rgb, 256>& palette) {
  record.scaler.set_palette(palette);
}

void present(const std::uint8_t* page, int width, int first, int last) {
  if (record.handle == nullptr) return;
  const scale::Point kept = record.scaler.keep(page, width, first, last);
  if (kept.y < kept.x || record.buffer.pixels == nullptr) return;
  GdiFlush();
  const scale::Point rows =
      record.scaler.paint(kept.x, kept.y, record.buffer.pixels, record.buffer.size.x * 4);
  if (HDC dc = GetDC(record.handle)) {
    show_rows(dc, rows.x, rows.y);
    ReleaseDC(record.handle, dc);
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
  if (record.handle != nullptr) window_state();
  record.pending.take(events);
}

void close() {
  if (record.handle == nullptr) return;
  record.for_dialogs.store(nullptr);
  DestroyWindow(record.handle);
  record.handle = nullptr;
  free_buffer();
  SetThreadExecutionState(ES_CONTINUOUS);
  UnregisterClassW(class_name, GetModuleHandleW(nullptr));
}

std::uint64_t window_id() {
  return reinterpret_cast<std::uintptr_t>(record.for_dialogs.load());
}

// --- Waiting for messages ---

// Set by wake(); made once and kept for the process, whatever window is open.
HANDLE wake_handle() {
  static const HANDLE h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return h;
}

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

}  // namespace

}  // namespace screen::win32_window

namespace screen::driver {

namespace w = win32_window;

const Driver win32_driver = {
    .name = "win32",
    .open = w::open,
    .set_title = w::set_title,
    .set_palette = w::set_palette,
    .present = w::present,
    .take_events = w::take_events,
    .can_wait = w::can_wait,
    .wait_for_event = w::wait_for_event,
    .wake = w::wake,
    .set_full_screen = w::set_full_screen,
    .full_screen = w::full_screen,
    .close = w::close,
    .window_id = w::window_id,
};

constexpr const Driver* win32_drivers[] = {&win32_driver};
const std::span<const Driver* const> bootstrap = win32_drivers;

}  // namespace screen::driver
