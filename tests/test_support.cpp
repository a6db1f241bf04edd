#include "tests/test_support.h"

#include <fstream>
#include <random>

#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/window/headless/headless.h"
#include "screen/screen.h"
#include "text/text_state.h"

namespace testing_support {

void ScreenTest::SetUp() {
  gui::toolkit = {};
  text::text_state = {};
  gui::widgets = {};
  screen::headless::options() = {};
  ASSERT_EQ(screen::set_screen_mode(640, 480, 8, 3), 0);
}

void ScreenTest::TearDown() {
  screen::close_screen();
}

std::uint8_t ScreenTest::at(int x, int y) const {
  return screen::pixel(screen::work_page(), x, y);
}

int ScreenTest::count(int x1, int y1, int x2, int y2, int c) const {
  int n = 0;
  for (int y = y1; y <= y2; ++y)
    for (int x = x1; x <= x2; ++x) n += at(x, y) == c;
  return n;
}

TempDir::TempDir(bool enter) {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() / ("gorvex-test-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
  if (enter) {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!previous_.empty()) std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

void write_file(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint8_t> read_file(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

}  // namespace testing_support
