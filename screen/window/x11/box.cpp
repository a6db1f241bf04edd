// A message box of the launcher's own on X11: the caption as its title, the text wrapped in
// the server's Unicode "fixed" font, an OK button; Return, Escape, OK or the close button end
// it. It runs on the calling thread over a connection of its own, so the window's thread
// presents on meanwhile. Without a Unicode core font the box is not shown (false).

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>
#include <vector>

#include "screen/window/x11/x11.h"

namespace screen::x11_window {

namespace {

constexpr int margin = 16;
constexpr int widest_text = 420;  // pixels; longer lines wrap at a blank
constexpr int button_w = 80, button_h = 26;

// UTF-8 to the font's 16-bit characters; characters beyond 16 bits show as '?'.
std::vector<XChar2b> to_chars(const std::string& utf8) {
  std::vector<XChar2b> out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    unsigned code = '?';
    int length = 1;
    if (c >= 0xC0 && c < 0xE0 && i + 1 < utf8.size()) {
      code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
      length = 2;
    } else if (c >= 0xE0 && c < 0xF0 && i + 2 < utf8.size()) {
      code = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6 |
             (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
      length = 3;
    } else if (c >= 0xF0) {
      length = 4;
    } else if (c < 0x80) {
      code = c;
    }
    out.push_back({static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF)});
    i += std::size_t(length);
  }
  return out;
}

int width_of(XFontStruct* font, const std::vector<XChar2b>& chars, std::size_t from,
             std::size_t to) {
  return XTextWidth16(font, chars.data() + from, int(to - from));
}

// The text in lines: at its own line breaks, and at the last blank before the widest width.
std::vector<std::vector<XChar2b>> wrap(XFontStruct* font, const std::vector<XChar2b>& chars) {
  std::vector<std::vector<XChar2b>> lines;
  std::size_t start = 0, blank = 0;
  bool has_blank = false;
  for (std::size_t i = 0; i <= chars.size(); ++i) {
    const bool end = i == chars.size() || (chars[i].byte1 == 0 && chars[i].byte2 == '\n');
    if (!end && width_of(font, chars, start, i + 1) > widest_text && i > start) {
      const std::size_t cut = has_blank ? blank : i;
      lines.emplace_back(chars.begin() + long(start), chars.begin() + long(cut));
      start = has_blank ? cut + 1 : cut;
      has_blank = false;
    }
    if (end) {
      lines.emplace_back(chars.begin() + long(start), chars.begin() + long(i));
      start = i + 1;
      has_blank = false;
    } else if (chars[i].byte1 == 0 && chars[i].byte2 == ' ') {
      blank = i;
      has_blank = true;
    }
  }
  return lines;
}

void set_title(Display* display, Window w, const std::string& utf8) {
  XChangeProperty(display, w, XInternAtom(display, "_NET_WM_NAME", False),
                  XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), int(utf8.size()));
  std::string copy = utf8;
  char* list[] = {copy.data()};
  XTextProperty text{};
  if (Xutf8TextListToTextProperty(display, list, 1, XStdICCTextStyle, &text) >= Success) {
    XSetWMName(display, w, &text);
    XFree(text.value);
  }
}

struct Box {
  Display* display;
  Window window;
  GC gc;
  XFontStruct* font;
  std::vector<std::vector<XChar2b>> lines;
  int line_h, width, height;

  int button_x() const { return (width - button_w) / 2; }
  int button_y() const { return height - margin - button_h; }

  void draw() const {
    XClearWindow(display, window);
    int y = margin + font->ascent;
    for (const auto& line : lines) {
      XDrawString16(display, window, gc, margin, y, line.data(), int(line.size()));
      y += line_h;
    }
    XDrawRectangle(display, window, gc, button_x(), button_y(), button_w, button_h);
    const std::vector<XChar2b> ok = to_chars("OK");
    XDrawString16(display, window, gc,
                  button_x() + (button_w - XTextWidth16(font, ok.data(), 2)) / 2,
                  button_y() + (button_h + font->ascent - font->descent) / 2, ok.data(), 2);
  }

  bool on_button(int x, int y) const {
    return x >= button_x() && x < button_x() + button_w && y >= button_y() &&
           y < button_y() + button_h;
  }
};

// Runs the box until the player ends it.
void run(Box& box, Atom delete_window) {
  bool pressed_on_button = false;
  for (;;) {
    XEvent e;
    XNextEvent(box.display, &e);
    switch (e.type) {
      case Expose:
        if (e.xexpose.count == 0) box.draw();
        break;
      case MapNotify:
        XSetInputFocus(box.display, box.window, RevertToParent, CurrentTime);
        break;
      case KeyPress: {
        const KeySym sym = XLookupKeysym(&e.xkey, 0);
        if (sym == XK_Return || sym == XK_KP_Enter || sym == XK_Escape || sym == XK_space) return;
        break;
      }
      case ButtonPress:
        pressed_on_button = e.xbutton.button == Button1 && box.on_button(e.xbutton.x, e.xbutton.y);
        break;
      case ButtonRelease:
        if (pressed_on_button && box.on_button(e.xbutton.x, e.xbutton.y)) return;
        pressed_on_button = false;
        break;
      case ClientMessage:
        if (e.xclient.format == 32 && Atom(e.xclient.data.l[0]) == delete_window) return;
        break;
      default:
        break;
    }
  }
}

}  // namespace

bool show_box(const std::string& text, const std::string& caption) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XFontStruct* font = nullptr;
  for (const char* name : {"-misc-fixed-medium-r-normal--13-*-*-*-*-*-iso10646-1",
                           "-*-fixed-medium-r-*--*-*-*-*-*-*-iso10646-1"})
    if (font == nullptr) font = XLoadQueryFont(display, name);
  if (font == nullptr) {
    XCloseDisplay(display);
    return false;
  }
  const int screen = DefaultScreen(display);
  Box box{display, None, nullptr, font, wrap(font, to_chars(text)), 0, 0, 0};
  box.line_h = font->ascent + font->descent + 2;
  int widest = 0;
  for (const auto& line : box.lines)
    widest = std::max(widest, width_of(font, line, 0, line.size()));
  box.width = std::max(widest, 3 * button_w) + 2 * margin;
  box.height = int(box.lines.size()) * box.line_h + 3 * margin + button_h;
  box.window = XCreateSimpleWindow(
      display, RootWindow(display, screen), (DisplayWidth(display, screen) - box.width) / 2,
      (DisplayHeight(display, screen) - box.height) / 2, unsigned(box.width), unsigned(box.height),
      0, BlackPixel(display, screen), WhitePixel(display, screen));
  XSelectInput(
      display, box.window,
      ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
  set_title(display, box.window, caption);
  char name[] = "gorvex-launcher";
  XClassHint class_hint{name, name};
  XSetClassHint(display, box.window, &class_hint);
  if (const std::uint64_t owner = record.id.load())
    XSetTransientForHint(display, box.window, owner);
  const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, box.window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM,
                  32, PropModeReplace, reinterpret_cast<const unsigned char*>(&type), 1);
  Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, box.window, &delete_window, 1);
  XSizeHints* hints = XAllocSizeHints();
  if (hints != nullptr) {
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = box.width;
    hints->min_height = hints->max_height = box.height;
    XSetWMNormalHints(display, box.window, hints);
    XFree(hints);
  }
  XGCValues values{};
  values.foreground = BlackPixel(display, screen);
  values.font = font->fid;
  box.gc = XCreateGC(display, box.window, GCForeground | GCFont, &values);
  XMapRaised(display, box.window);
  run(box, delete_window);
  XFreeGC(display, box.gc);
  XDestroyWindow(display, box.window);
  XFreeFont(display, font);
  XCloseDisplay(display);
  return true;
}

}  // namespace screen::x11_window
