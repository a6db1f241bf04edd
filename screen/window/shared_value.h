#pragma once
// A value of a driver's record that other threads read (the window's id, for dialogs on the
// program thread): atomic, yet copied with the record when the record is reset.

#include <atomic>

namespace screen::window {

template <typename T>
class Shared {
 public:
  Shared() = default;
  Shared(const Shared& other) : value_(other.load()) {}
  Shared& operator=(const Shared& other) {
    store(other.load());
    return *this;
  }
  T load() const { return value_.load(); }
  void store(T value) { value_.store(value); }

 private:
  std::atomic<T> value_{};
};

}  // namespace screen::window
