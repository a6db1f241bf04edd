// Files dropped onto the window: a drag offering text/uri-list is accepted, and on the drop
// the list is read through a pipe, without waiting, up to a size limit.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>

#include "screen/window/deadline.h"
#include "screen/window/uri_list.h"
#include "screen/window/wayland/wayland.h"

namespace screen::wayland_window {

namespace {

constexpr char uri_list[] = "text/uri-list";
constexpr std::size_t longest_list = 64 * 1024;

void forget(Offer& offer) {
  if (offer.offer != nullptr) wl_data_offer_destroy(offer.offer);
  offer = Offer{};
}

void stop_reading() {
  if (record.drop_fd >= 0) ::close(record.drop_fd);
  record.drop_fd = -1;
  record.drop_text.clear();
  record.drop_too_long = false;
}

void offer_kind(void* data, wl_data_offer* offer, const char* kind) {
  Record& r = record_of(data);
  if (kind == nullptr || std::string_view(kind) != uri_list) return;
  if (r.pending_offer.offer == offer) r.pending_offer.uri_list = true;
  if (r.dragged.offer == offer) r.dragged.uri_list = true;
}
void offer_source_actions(void*, wl_data_offer*, std::uint32_t) {}
void offer_action(void*, wl_data_offer*, std::uint32_t) {}
constexpr wl_data_offer_listener offer_listener = [] {
  wl_data_offer_listener on{};
  on.offer = offer_kind;
  on.source_actions = offer_source_actions;
  on.action = offer_action;
  return on;
}();

void data_offer(void* data, wl_data_device*, wl_data_offer* offer) {
  Record& r = record_of(data);
  forget(r.pending_offer);
  r.pending_offer.offer = offer;
  wl_data_offer_add_listener(offer, &offer_listener, &r);
}

void drag_enter(void* data, wl_data_device*, std::uint32_t serial, wl_surface* surface, wl_fixed_t,
                wl_fixed_t, wl_data_offer* offer) {
  Record& r = record_of(data);
  if (offer == nullptr) return;
  if (r.pending_offer.offer == offer) {
    forget(r.dragged);
    r.dragged = r.pending_offer;
    r.pending_offer = Offer{};
  }
  if (r.dragged.offer != offer) return;
  r.dragged.over_page = surface != nullptr && surface == r.surface;
  const bool wanted = r.dragged.over_page && r.dragged.uri_list;
  wl_data_offer_accept(offer, serial, wanted ? uri_list : nullptr);
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(offer)) >= 3) {
    const std::uint32_t copy = WL_DATA_DEVICE_MANAGER_DND_ACTION_COPY;
    wl_data_offer_set_actions(offer, wanted ? copy : 0, wanted ? copy : 0);
  }
}
void drag_leave(void* data, wl_data_device*) {
  forget(record_of(data).dragged);
}
void drag_motion(void*, wl_data_device*, std::uint32_t, wl_fixed_t, wl_fixed_t) {}

void drag_drop(void* data, wl_data_device*) {
  Record& r = record_of(data);
  if (r.dragged.offer == nullptr || !r.dragged.uri_list || !r.dragged.over_page) {
    forget(r.dragged);
    return;
  }
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    forget(r.dragged);
    return;
  }
  stop_reading();  // an earlier list still coming is given up
  forget(r.dropped);
  // The offer outlives the leave that follows the drop, until the list has arrived: finish()
  // then tells the source it was taken.
  r.dropped = r.dragged;
  r.dragged = Offer{};
  wl_data_offer_receive(r.dropped.offer, uri_list, ends[1]);
  wl_display_flush(r.display);
  ::close(ends[1]);
  r.drop_fd = ends[0];
  r.drop_deadline = std::chrono::steady_clock::now() + window::dropped_list_wait;
}

void selection(void* data, wl_data_device*, wl_data_offer* offer) {
  Record& r = record_of(data);
  // The clipboard is not ours to read. An offer still dragged or being read stays until the
  // drag is done with it.
  if (offer == nullptr || offer == r.dragged.offer || offer == r.dropped.offer) return;
  if (r.pending_offer.offer == offer)
    forget(r.pending_offer);
  else
    wl_data_offer_destroy(offer);
}
constexpr wl_data_device_listener device_listener = [] {
  wl_data_device_listener on{};
  on.data_offer = data_offer;
  on.enter = drag_enter;
  on.leave = drag_leave;
  on.motion = drag_motion;
  on.drop = drag_drop;
  on.selection = selection;
  return on;
}();

void finish_drop() {
  std::vector<std::string> files;
  const bool good = !record.drop_too_long && window::parse_uri_list(record.drop_text, files);
  if (good && record.dropped.offer != nullptr &&
      wl_proxy_get_version(reinterpret_cast<wl_proxy*>(record.dropped.offer)) >= 3)
    wl_data_offer_finish(record.dropped.offer);
  forget(record.dropped);
  stop_reading();
  if (!good || files.empty()) return;
  driver::Event event;
  event.kind = driver::EventKind::drop;
  event.files = std::move(files);
  push(event);
}

}  // namespace

void start_drop_device() {
  if (record.data_device != nullptr || record.data_manager == nullptr || record.seat == nullptr)
    return;
  record.data_device = wl_data_device_manager_get_data_device(record.data_manager, record.seat);
  wl_data_device_add_listener(record.data_device, &device_listener, &record);
}

void read_drop() {
  char chunk[4096];
  for (;;) {
    const ssize_t got = read(record.drop_fd, chunk, sizeof chunk);
    if (got > 0) {
      if (record.drop_text.size() + std::size_t(got) > longest_list)
        record.drop_too_long = true;
      else
        record.drop_text.append(chunk, std::size_t(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) return;    // more to come
    if (got < 0) record.drop_too_long = true;  // a broken list drops nothing
    break;
  }
  finish_drop();
}

int drop_time_left() {
  return record.drop_fd < 0 ? -1 : window::milliseconds_until(record.drop_deadline);
}

void give_up_drop() {
  forget(record.dropped);  // destroyed unfinished
  stop_reading();
}

void release_drop() {
  stop_reading();
  forget(record.pending_offer);
  forget(record.dragged);
  forget(record.dropped);
  if (record.data_device != nullptr) {
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(record.data_device)) >= 2)
      wl_data_device_release(record.data_device);
    else
      wl_data_device_destroy(record.data_device);
  }
  record.data_device = nullptr;
}

}  // namespace screen::wayland_window
