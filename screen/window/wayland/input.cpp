// The seat: pointer, keyboard and touch as the launcher's events, and the desktop's own
// pointer image at the window's scale.

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "screen/window/wayland/loaded.h"
#include "screen/window/wayland/wayland.h"

namespace screen::wayland_window {

namespace {

using driver::Event;
using driver::EventKind;

Event at_point(EventKind kind, wl_fixed_t x, wl_fixed_t y) {
  Event event;
  event.kind = kind;
  // Surface points to buffer pixels, then to the page pixel under them.
  const double k = record.pixels_per_point;
  const scale::Point page = window::page_point(record.scaler.placement(), wl_fixed_to_double(x) * k,
                                               wl_fixed_to_double(y) * k);
  event.x = std::clamp(page.x, -(1 << 20), 1 << 20);
  event.y = std::clamp(page.y, -(1 << 20), 1 << 20);
  return event;
}

Event simple(EventKind kind) {
  Event event;
  event.kind = kind;
  return event;
}

int button_bit(std::uint32_t button) {
  switch (button) {
    case BTN_LEFT:
      return 1;
    case BTN_RIGHT:
      return 2;
    case BTN_MIDDLE:
      return 4;
    case BTN_SIDE:
      return 8;
    case BTN_EXTRA:
      return 16;
    default:
      return 0;
  }
}

void set_cursor() {
  const Cursors* cursors = cursor_library();
  if (cursors == nullptr || record.pointer == nullptr || record.pointer_serial == 0) return;
  const int scale = std::max(1, int(std::ceil(record.pixels_per_point - 0.01)));
  if (record.cursor_theme == nullptr || record.cursor_scale != scale) {
    if (record.cursor_theme != nullptr) cursors->theme_destroy(record.cursor_theme);
    const char* size_text = std::getenv("XCURSOR_SIZE");
    int size = size_text != nullptr ? std::atoi(size_text) : 24;
    if (size <= 0 || size > 256) size = 24;
    record.cursor_theme =
        cursors->theme_load(std::getenv("XCURSOR_THEME"), size * scale, record.shm);
    record.cursor_scale = scale;
  }
  wl_cursor* cursor = nullptr;
  if (record.cursor_theme != nullptr) {
    cursor = cursors->theme_get_cursor(record.cursor_theme, "left_ptr");
    if (cursor == nullptr) cursor = cursors->theme_get_cursor(record.cursor_theme, "default");
  }
  if (cursor == nullptr || cursor->image_count == 0) return;
  wl_cursor_image* image = cursor->images[0];
  wl_buffer* buffer = cursors->image_get_buffer(image);
  if (buffer == nullptr) return;
  if (record.cursor_surface == nullptr)
    record.cursor_surface = wl_compositor_create_surface(record.compositor);
  if (record.compositor_version >= 3) wl_surface_set_buffer_scale(record.cursor_surface, scale);
  wl_surface_attach(record.cursor_surface, buffer, 0, 0);
  wl_surface_damage(record.cursor_surface, 0, 0, 1 << 15, 1 << 15);
  wl_surface_commit(record.cursor_surface);
  wl_pointer_set_cursor(record.pointer, record.pointer_serial, record.cursor_surface,
                        std::int32_t(image->hotspot_x) / scale,
                        std::int32_t(image->hotspot_y) / scale);
}

// Only the window's own surface counts: libdecor's title bar is a surface of its own.
bool ours(wl_surface* surface) {
  return surface != nullptr && surface == record.surface;
}

void pointer_enter(void* data, wl_pointer*, std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                   wl_fixed_t y) {
  Record& r = record_of(data);
  if (!ours(surface)) return;
  r.pointer_inside = true;
  r.pointer_serial = serial;
  set_cursor();
  push(at_point(EventKind::enter, x, y));
}
void pointer_leave(void* data, wl_pointer*, std::uint32_t, wl_surface* surface) {
  Record& r = record_of(data);
  if (!ours(surface) || !r.pointer_inside) return;
  r.pointer_inside = false;
  push(simple(EventKind::leave));
}
void pointer_motion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
  if (record_of(data).pointer_inside) push(at_point(EventKind::motion, x, y));
}
void pointer_button(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                    std::uint32_t pressed) {
  Record& r = record_of(data);
  const int bit = button_bit(button);
  if (!r.pointer_inside || bit == 0) return;
  Event event =
      simple(pressed == WL_POINTER_BUTTON_STATE_PRESSED ? EventKind::press : EventKind::release);
  event.button = bit;
  push(event);
}
void wheel(int step) {
  Event event = simple(EventKind::wheel);
  event.step = step;
  push(event);
}
void pointer_axis(void* data, wl_pointer*, std::uint32_t, std::uint32_t axis, wl_fixed_t value) {
  Record& r = record_of(data);
  if (!r.pointer_inside || axis != WL_POINTER_AXIS_VERTICAL_SCROLL || value == 0) return;
  if (r.discrete_this_frame) return;  // the wheel's click said it already
  wheel(value < 0 ? 1 : -1);
}
void pointer_frame(void* data, wl_pointer*) {
  record_of(data).discrete_this_frame = false;
}
void pointer_axis_source(void*, wl_pointer*, std::uint32_t) {}
void pointer_axis_stop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void pointer_axis_discrete(void* data, wl_pointer*, std::uint32_t axis, std::int32_t steps) {
  Record& r = record_of(data);
  if (!r.pointer_inside || axis != WL_POINTER_AXIS_VERTICAL_SCROLL || steps == 0) return;
  r.discrete_this_frame = true;
  wheel(steps < 0 ? 1 : -1);
}
void pointer_axis_value120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
// Events of later versions (the scroll direction, warps) are left out: the seat is bound at
// version 5, which never sends them.
constexpr wl_pointer_listener pointer_listener = [] {
  wl_pointer_listener on{};
  on.enter = pointer_enter;
  on.leave = pointer_leave;
  on.motion = pointer_motion;
  on.button = pointer_button;
  on.axis = pointer_axis;
  on.frame = pointer_frame;
  on.axis_source = pointer_axis_source;
  on.axis_stop = pointer_axis_stop;
  on.axis_discrete = pointer_axis_discrete;
  on.axis_value120 = pointer_axis_value120;
  return on;
}();

// The keyboard: focus, and Alt+Enter from the keys' codes (no key names needed).

void keymap(void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) {
  ::close(fd);
}
void note_key(std::uint32_t key, bool down) {
  if (key == KEY_LEFTALT) record.left_alt = down;
  if (key == KEY_RIGHTALT) record.right_alt = down;
}
void keyboard_enter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array* keys) {
  Record& r = record_of(data);
  if (!ours(surface)) return;
  r.left_alt = r.right_alt = false;
  const auto* at = static_cast<const std::uint32_t*>(keys->data);
  for (std::size_t i = 0; i < keys->size / sizeof(std::uint32_t); ++i) note_key(at[i], true);
  Event event = simple(EventKind::focus);
  event.on = true;
  push(event);
}
void keyboard_leave(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
  Record& r = record_of(data);
  if (!ours(surface)) return;
  r.left_alt = r.right_alt = false;
  push(simple(EventKind::focus));
}
void keyboard_key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                  std::uint32_t key_state) {
  Record& r = record_of(data);
  const bool down = key_state == WL_KEYBOARD_KEY_STATE_PRESSED;
  note_key(key, down);
  if (down && (key == KEY_ENTER || key == KEY_KPENTER) && (r.left_alt || r.right_alt))
    push(simple(EventKind::full_screen_key));
}
void keyboard_modifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uint32_t, std::uint32_t) {}
void keyboard_repeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
constexpr wl_keyboard_listener keyboard_listener = [] {
  wl_keyboard_listener on{};
  on.keymap = keymap;
  on.enter = keyboard_enter;
  on.leave = keyboard_leave;
  on.key = keyboard_key;
  on.modifiers = keyboard_modifiers;
  on.repeat_info = keyboard_repeat;
  return on;
}();

// Touch: the first finger is a left button where it lands.

void touch_down(void* data, wl_touch*, std::uint32_t, std::uint32_t, wl_surface* surface,
                std::int32_t id, wl_fixed_t x, wl_fixed_t y) {
  Record& r = record_of(data);
  if (!ours(surface) || r.touching) return;
  r.touching = true;
  r.touch_id = id;
  push(at_point(EventKind::motion, x, y));
  push(at_point(EventKind::enter, x, y));
  Event press = simple(EventKind::press);
  press.button = 1;
  push(press);
}
void touch_up(void* data, wl_touch*, std::uint32_t, std::uint32_t, std::int32_t id) {
  Record& r = record_of(data);
  if (!r.touching || id != r.touch_id) return;
  r.touching = false;
  Event release = simple(EventKind::release);
  release.button = 1;
  push(release);
  push(simple(EventKind::leave));
}
void touch_motion(void* data, wl_touch*, std::uint32_t, std::int32_t id, wl_fixed_t x,
                  wl_fixed_t y) {
  Record& r = record_of(data);
  if (r.touching && id == r.touch_id) push(at_point(EventKind::motion, x, y));
}
void touch_frame(void*, wl_touch*) {}
void touch_cancel(void* data, wl_touch*) {
  Record& r = record_of(data);
  if (!r.touching) return;
  r.touching = false;
  Event release = simple(EventKind::release);
  release.button = 1;
  push(release);
  push(simple(EventKind::leave));
}
void touch_shape(void*, wl_touch*, std::int32_t, wl_fixed_t, wl_fixed_t) {}
void touch_orientation(void*, wl_touch*, std::int32_t, wl_fixed_t) {}
constexpr wl_touch_listener touch_listener = [] {
  wl_touch_listener on{};
  on.down = touch_down;
  on.up = touch_up;
  on.motion = touch_motion;
  on.frame = touch_frame;
  on.cancel = touch_cancel;
  on.shape = touch_shape;
  on.orientation = touch_orientation;
  return on;
}();

// Gives back a pointer, keyboard or touch: released where the seat knows how (version 3).
template <typename Device, void (*release)(Device*), void (*destroy)(Device*)>
void give_back(Device* device) {
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(device)) >= 3)
    release(device);
  else
    destroy(device);
}
constexpr auto drop_pointer = give_back<wl_pointer, wl_pointer_release, wl_pointer_destroy>;
constexpr auto drop_keyboard = give_back<wl_keyboard, wl_keyboard_release, wl_keyboard_destroy>;
constexpr auto drop_touch = give_back<wl_touch, wl_touch_release, wl_touch_destroy>;

// Takes the device, listened to, when the seat offers it; gives it back when it no longer does.
template <typename Device, typename Listener>
void follow(Device*& device, bool offered, Device* (*get)(wl_seat*),
            int (*listen)(Device*, const Listener*, void*), const Listener& listener,
            void (*drop)(Device*)) {
  if (offered && device == nullptr) {
    device = get(record.seat);
    listen(device, &listener, &record);
  } else if (!offered && device != nullptr) {
    drop(device);
    device = nullptr;
  }
}

}  // namespace

void seat_capabilities(std::uint32_t capabilities) {
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  const bool touch = (capabilities & WL_SEAT_CAPABILITY_TOUCH) != 0;
  follow(record.pointer, pointer, wl_seat_get_pointer, wl_pointer_add_listener, pointer_listener,
         drop_pointer);
  follow(record.keyboard, keyboard, wl_seat_get_keyboard, wl_keyboard_add_listener,
         keyboard_listener, drop_keyboard);
  follow(record.touch, touch, wl_seat_get_touch, wl_touch_add_listener, touch_listener, drop_touch);
}

void cursor_scale_changed() {
  if (record.pointer_inside) set_cursor();
}

void release_input() {
  // Whatever the seat held is let go.
  if (record.pointer_inside) push(simple(EventKind::leave));
  if (record.touching) touch_cancel(&record, nullptr);
  if (record.pointer != nullptr) drop_pointer(record.pointer);
  if (record.keyboard != nullptr) drop_keyboard(record.keyboard);
  if (record.touch != nullptr) drop_touch(record.touch);
  if (record.cursor_surface != nullptr) wl_surface_destroy(record.cursor_surface);
  if (record.cursor_theme != nullptr) cursor_library()->theme_destroy(record.cursor_theme);
  record.pointer = nullptr;
  record.keyboard = nullptr;
  record.touch = nullptr;
  record.cursor_surface = nullptr;
  record.cursor_theme = nullptr;
  record.pointer_inside = false;
}

}  // namespace screen::wayland_window
