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
#include "screen/window/wayland/state.h"

namespace screen::wayland_window {

namespace {

constexpr char uri_list[] = "text/uri-list";
constexpr std::size_t longest_list = 64 * 1024;
constexpr auto list_wait = std::chrono::seconds(5);

void forget(Offer& offer) {
  if (offer.offer != nullptr) wl_data_offer_destroy(offer.offer);
  offer = Offer{};
}

void stop_reading() {
  if (state.drop_fd >= 0) ::close(state.drop_fd);
  state.drop_fd = -1;
  state.drop_text.clear();
  state.drop_too_long = false;
}

void offer_kind(void*, wl_data_offer* offer, const char* kind) {
  if (kind == nullptr || std::string_view(kind) != uri_list) return;
  if (state.pending_offer.offer == offer) state.pending_offer.uri_list = true;
  if (state.dragged.offer == offer) state.dragged.uri_list = true;
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

void data_offer(void*, wl_data_device*, wl_data_offer* offer) {
  forget(state.pending_offer);
  state.pending_offer.offer = offer;
  wl_data_offer_add_listener(offer, &offer_listener, nullptr);
}

void drag_enter(void*, wl_data_device*, std::uint32_t serial, wl_surface* surface, wl_fixed_t,
                wl_fixed_t, wl_data_offer* offer) {
  if (offer == nullptr) return;
  if (state.pending_offer.offer == offer) {
    forget(state.dragged);
    state.dragged = state.pending_offer;
    state.pending_offer = Offer{};
  }
  if (state.dragged.offer != offer) return;
  state.dragged.over_page = surface != nullptr && surface == state.surface;
  const bool wanted = state.dragged.over_page && state.dragged.uri_list;
  wl_data_offer_accept(offer, serial, wanted ? uri_list : nullptr);
  if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(offer)) >= 3) {
    const std::uint32_t copy = WL_DATA_DEVICE_MANAGER_DND_ACTION_COPY;
    wl_data_offer_set_actions(offer, wanted ? copy : 0, wanted ? copy : 0);
  }
}
void drag_leave(void*, wl_data_device*) {
  forget(state.dragged);
}
void drag_motion(void*, wl_data_device*, std::uint32_t, wl_fixed_t, wl_fixed_t) {}

void drag_drop(void*, wl_data_device*) {
  if (state.dragged.offer == nullptr || !state.dragged.uri_list || !state.dragged.over_page) {
    forget(state.dragged);
    return;
  }
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    forget(state.dragged);
    return;
  }
  stop_reading();  // an earlier list still coming is given up
  forget(state.dropped);
  // The offer outlives the leave that follows the drop, until the list has arrived: finish()
  // then tells the source it was taken.
  state.dropped = state.dragged;
  state.dragged = Offer{};
  wl_data_offer_receive(state.dropped.offer, uri_list, ends[1]);
  wl_display_flush(state.display);
  ::close(ends[1]);
  state.drop_fd = ends[0];
  state.drop_deadline = std::chrono::steady_clock::now() + list_wait;
}

void selection(void*, wl_data_device*, wl_data_offer* offer) {
  // The clipboard is not ours to read. An offer still dragged or being read stays until the
  // drag is done with it.
  if (offer == nullptr || offer == state.dragged.offer || offer == state.dropped.offer) return;
  if (state.pending_offer.offer == offer)
    forget(state.pending_offer);
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
  const bool good = !state.drop_too_long && window::parse_uri_list(state.drop_text, files);
  if (good && state.dropped.offer != nullptr &&
      wl_proxy_get_version(reinterpret_cast<wl_proxy*>(state.dropped.offer)) >= 3)
    wl_data_offer_finish(state.dropped.offer);
  forget(state.dropped);
  stop_reading();
  if (!good || files.empty()) return;
  driver::Event event;
  event.kind = driver::EventKind::drop;
  event.files = std::move(files);
  push(event);
}

}  // namespace

void start_drop_device() {
  if (state.data_device != nullptr || state.data_manager == nullptr || state.seat == nullptr)
    return;
  state.data_device = wl_data_device_manager_get_data_device(state.data_manager, state.seat);
  wl_data_device_add_listener(state.data_device, &device_listener, nullptr);
}

void read_drop() {
  char chunk[4096];
  for (;;) {
    const ssize_t got = read(state.drop_fd, chunk, sizeof chunk);
    if (got > 0) {
      if (state.drop_text.size() + std::size_t(got) > longest_list)
        state.drop_too_long = true;
      else
        state.drop_text.append(chunk, std::size_t(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) return;   // more to come
    if (got < 0) state.drop_too_long = true;  // a broken list drops nothing
    break;
  }
  finish_drop();
}

int drop_time_left() {
  return state.drop_fd < 0 ? -1 : window::milliseconds_until(state.drop_deadline);
}

void give_up_drop() {
  forget(state.dropped);  // destroyed unfinished
  stop_reading();
}

void release_drop() {
  stop_reading();
  forget(state.pending_offer);
  forget(state.dragged);
  forget(state.dropped);
  if (state.data_device != nullptr) {
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy*>(state.data_device)) >= 2)
      wl_data_device_release(state.data_device);
    else
      wl_data_device_destroy(state.data_device);
  }
  state.data_device = nullptr;
}

}  // namespace screen::wayland_window
