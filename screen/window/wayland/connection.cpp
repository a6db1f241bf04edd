// The connection to the compositor: the globals it offers, reading its events without a
// timer of our own, and the wake-up from other threads.

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

#include "fractional-scale-v1-client-protocol.h"
#include "screen/window/deadline.h"
#include "screen/window/linux/wake_linux.h"
#include "screen/window/wayland/wayland.h"
#include "viewporter-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace screen::wayland_window {

Record record;

namespace {

constexpr int answer_ms = 5000;

void ping(void*, xdg_wm_base* shell, std::uint32_t serial) {
  xdg_wm_base_pong(shell, serial);
}
constexpr xdg_wm_base_listener shell_listener = [] {
  xdg_wm_base_listener on{};
  on.ping = ping;
  return on;
}();

// The output listeners' `data` is the output's entry.
void output_geometry(void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                     std::int32_t, const char*, const char*, std::int32_t transform) {
  Output& known = *static_cast<Output*>(data);
  const bool turned = (transform & 1) != 0;  // 90 and 270 degrees, flipped or not
  if (turned != known.turned) known.mode = {known.mode.y, known.mode.x};
  known.turned = turned;
  if (record.configured) relayout();
}
void output_mode(void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                 std::int32_t height, std::int32_t) {
  Output& known = *static_cast<Output*>(data);
  if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
  const scale::Point mode{std::clamp(width, 0, 1 << 16), std::clamp(height, 0, 1 << 16)};
  known.mode = known.turned ? scale::Point{mode.y, mode.x} : mode;
  if (record.configured) relayout();
}
void output_done(void*, wl_output*) {}
void output_scale(void* data, wl_output*, std::int32_t factor) {
  static_cast<Output*>(data)->scale = std::clamp(factor, 1, 16);
  if (record.configured) relayout();
}
void output_name(void*, wl_output*, const char*) {}
void output_description(void*, wl_output*, const char*) {}
constexpr wl_output_listener output_listener = [] {
  wl_output_listener on{};
  on.geometry = output_geometry;
  on.mode = output_mode;
  on.done = output_done;
  on.scale = output_scale;
  on.name = output_name;
  on.description = output_description;
  return on;
}();

void seat_caps(void*, wl_seat*, std::uint32_t capabilities) {
  seat_capabilities(capabilities);
}
void seat_name(void*, wl_seat*, const char*) {}
constexpr wl_seat_listener seat_listener = [] {
  wl_seat_listener on{};
  on.capabilities = seat_caps;
  on.name = seat_name;
  return on;
}();

// A surface of a newer compositor sends events that older headers' listeners have no place
// for: it is bound no newer than the listener this build was made with.
#ifdef WL_SURFACE_PREFERRED_BUFFER_SCALE_SINCE_VERSION
constexpr std::uint32_t surface_events_known = 6;
#else
constexpr std::uint32_t surface_events_known = 4;
#endif

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t version) {
  Record& r = record_of(data);
  const std::string_view kind = interface != nullptr ? interface : "";
  const auto bind = [&](const wl_interface* type, std::uint32_t highest) {
    return wl_registry_bind(registry, name, type, std::min(version, highest));
  };
  if (kind == wl_compositor_interface.name && r.compositor == nullptr) {
    r.compositor_version = std::min(version, surface_events_known);
    r.compositor =
        static_cast<wl_compositor*>(bind(&wl_compositor_interface, surface_events_known));
  } else if (kind == wl_shm_interface.name && r.shm == nullptr) {
    r.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
  } else if (kind == xdg_wm_base_interface.name && r.shell == nullptr) {
    r.shell = static_cast<xdg_wm_base*>(bind(&xdg_wm_base_interface, 2));
    xdg_wm_base_add_listener(r.shell, &shell_listener, &r);
  } else if (kind == wl_seat_interface.name && r.seat == nullptr) {
    r.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 5));
    r.seat_name = name;
    wl_seat_add_listener(r.seat, &seat_listener, &r);
    start_drop_device();  // a seat that came after the window was made
  } else if (kind == wl_output_interface.name && r.outputs.size() < 64 &&
             std::none_of(r.outputs.begin(), r.outputs.end(),
                          [&](const Output& known) { return known.name == name; })) {
    auto* output = static_cast<wl_output*>(bind(&wl_output_interface, 2));
    Output& entry = r.outputs.emplace_back(Output{.output = output, .name = name});
    wl_output_add_listener(output, &output_listener, &entry);
  } else if (kind == zxdg_decoration_manager_v1_interface.name && r.decoration_manager == nullptr) {
    r.decoration_manager =
        static_cast<zxdg_decoration_manager_v1*>(bind(&zxdg_decoration_manager_v1_interface, 1));
  } else if (kind == wp_viewporter_interface.name && r.viewporter == nullptr) {
    r.viewporter = static_cast<wp_viewporter*>(bind(&wp_viewporter_interface, 1));
  } else if (kind == wp_fractional_scale_manager_v1_interface.name &&
             r.fractional_manager == nullptr) {
    r.fractional_manager = static_cast<wp_fractional_scale_manager_v1*>(
        bind(&wp_fractional_scale_manager_v1_interface, 1));
  } else if (kind == wl_data_device_manager_interface.name && r.data_manager == nullptr) {
    r.data_manager =
        static_cast<wl_data_device_manager*>(bind(&wl_data_device_manager_interface, 3));
    start_drop_device();
  }
}

// A seat that goes takes its pointer, keyboard, touch and drags along; a new one is bound when
// announced.
void forget_seat() {
  release_drop();
  release_input();
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(record.seat)) >= 5)
    wl_seat_release(record.seat);
  else
    wl_seat_destroy(record.seat);
  record.seat = nullptr;
  record.seat_name = 0;
}

void global_removed(void* data, wl_registry*, std::uint32_t name) {
  Record& r = record_of(data);
  if (r.seat != nullptr && name == r.seat_name) {
    forget_seat();
    return;
  }
  for (auto it = r.outputs.begin(); it != r.outputs.end(); ++it) {
    if (it->name != name) continue;
    wl_output_destroy(it->output);
    r.outputs.erase(it);
    if (r.configured) relayout();
    return;
  }
}

constexpr wl_registry_listener registry_listener = [] {
  wl_registry_listener on{};
  on.global = global;
  on.global_remove = global_removed;
  return on;
}();

// A round trip with a time limit: a compositor that does not answer must not hold the
// launcher for ever.
void answered(void* data, wl_callback* callback, std::uint32_t) {
  wl_callback_destroy(callback);
  --record_of(data).unanswered;
}
constexpr wl_callback_listener answer_listener = [] {
  wl_callback_listener on{};
  on.done = answered;
  return on;
}();

bool round_trip(int milliseconds) {
  ++record.unanswered;
  wl_callback_add_listener(wl_display_sync(record.display), &answer_listener, &record);
  return pump_until([](const Record& r) { return r.unanswered == 0; }, milliseconds);
}

}  // namespace

void push(const driver::Event& event) {
  record.events.push(event);
}

void report_lost() {
  if (record.lost) return;
  record.lost = true;
  driver::Event event;
  event.kind = driver::EventKind::lost;
  record.events.push(event);
}

bool connect(std::string& error) {
  record.display = wl_display_connect(nullptr);
  if (record.display == nullptr) {
    error = "cannot connect to the Wayland display";
    return false;
  }
  if (window::wake_descriptor() < 0) {
    error = "no eventfd for waking the window's thread";
    return false;
  }
  record.registry = wl_display_get_registry(record.display);
  wl_registry_add_listener(record.registry, &registry_listener, &record);
  // The globals, then what the bound ones say of themselves (scales, the seat).
  if (!round_trip(answer_ms) || !round_trip(answer_ms)) {
    error = record.lost ? "the Wayland compositor closed the connection"
                        : "the Wayland compositor does not answer";
    return false;
  }
  if (record.compositor == nullptr || record.shm == nullptr || record.shell == nullptr) {
    error = "the Wayland compositor offers no windows (wl_compositor, wl_shm, xdg_wm_base)";
    return false;
  }
  return true;
}

bool pump(int milliseconds) {
  wl_display* display = record.display;
  if (record.lost || display == nullptr) return false;
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) {
      report_lost();
      return false;
    }
  }
  // Whatever we wrote goes out first; a full socket is waited for with the events.
  const bool flushed = wl_display_flush(display) >= 0 || errno == EAGAIN;
  if (!flushed) {
    wl_display_cancel_read(display);
    report_lost();
    return false;
  }
  // A dropped list still coming is waited for until its deadline, no longer.
  milliseconds = window::sooner(milliseconds, drop_time_left());
  pollfd fds[3] = {{wl_display_get_fd(display), POLLIN, 0},
                   {window::wake_descriptor(), POLLIN, 0},
                   {record.drop_fd, POLLIN, 0}};
  const int count = poll(fds, record.drop_fd >= 0 ? 3 : 2, milliseconds);
  if (count > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
    if (wl_display_read_events(display) < 0) {
      report_lost();
      return false;
    }
  } else {
    wl_display_cancel_read(display);
  }
  if (count > 0 && (fds[1].revents & POLLIN) != 0) window::take_wakes();
  if (wl_display_dispatch_pending(display) < 0 || wl_display_get_error(display) != 0) {
    report_lost();
    return false;
  }
  if (record.drop_fd >= 0 && count > 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0)
    read_drop();
  if (drop_time_left() == 0) give_up_drop();
  settle();
  wl_display_flush(display);
  return true;
}

bool pump_until(bool (*done)(const Record&), int milliseconds) {
  using clock = std::chrono::steady_clock;
  const auto deadline = clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done(record)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
    if (left <= 0) return false;
    if (!pump(int(left))) return false;
  }
  return true;
}

Output* output_entry(wl_output* output) {
  if (output == nullptr ||
      wl_proxy_get_listener(reinterpret_cast<wl_proxy*>(output)) != &output_listener)
    return nullptr;
  return static_cast<Output*>(wl_output_get_user_data(output));
}

void disconnect() {
  for (Output& output : record.outputs) wl_output_destroy(output.output);
  record.outputs.clear();
  if (record.fractional_manager != nullptr)
    wp_fractional_scale_manager_v1_destroy(record.fractional_manager);
  if (record.viewporter != nullptr) wp_viewporter_destroy(record.viewporter);
  if (record.decoration_manager != nullptr)
    zxdg_decoration_manager_v1_destroy(record.decoration_manager);
  if (record.data_manager != nullptr) wl_data_device_manager_destroy(record.data_manager);
  if (record.seat != nullptr) wl_seat_destroy(record.seat);
  if (record.shell != nullptr) xdg_wm_base_destroy(record.shell);
  if (record.shm != nullptr) wl_shm_destroy(record.shm);
  if (record.compositor != nullptr) wl_compositor_destroy(record.compositor);
  if (record.registry != nullptr) wl_registry_destroy(record.registry);
  if (record.display != nullptr) wl_display_disconnect(record.display);
  record = Record{};
}

}  // namespace screen::wayland_window
