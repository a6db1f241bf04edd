// The start screen and the pressed looks against checked-in pictures, so that a change of
// the font, the palettes, the bevels or the layout shows up even where the window and the
// snapshot tool would change alike. GORVEX_GOLDEN_RECORD=1 renews the pictures on purpose.

#include <algorithm>
#include <cstdlib>

#include "app/launcher.h"
#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/window/headless/headless.h"
#include "screen/process.h"
#include "screen/screen.h"
#include "tests/test_support.h"
#include "text/text.h"
#include "text/text_state.h"
#include "tools/bmp_writer.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::TempDir;

const fs::path golden_folder = fs::path(GORVEX_SOURCE_DIR) / "tests" / "golden";

// A background that uses every colour index, in bands and a checkerboard.
void write_background() {
  fs::create_directories("CFG");
  std::array<screen::Rgb, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[std::size_t(i)] = {std::uint8_t(i * 37), std::uint8_t(i * 37 + 91),
                             std::uint8_t(i * 37 + 182)};
  std::vector<std::uint8_t> pixels(640 * 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      pixels[std::size_t(y * 640 + x)] = std::uint8_t((x / 5) ^ (y / 3));
  ASSERT_TRUE(tools::save_bmp8("CFG/INTERPIC.bmp", 640, 480, pixels, table));
}

// The pixels of one of our own 8-bit pictures, top row first.
std::vector<std::uint8_t> pixels_of(const std::vector<std::uint8_t>& bmp) {
  std::vector<std::uint8_t> out(640 * 480);
  if (bmp.size() < 54 + 1024 + out.size()) return {};
  for (int y = 0; y < 480; ++y)
    std::copy_n(bmp.begin() + 54 + 1024 + (479 - y) * 640, 640, out.begin() + y * 640);
  return out;
}

class Golden : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    gui::toolkit = {};
    text::text_state = {};
    gui::widgets = {};
    screen::headless::options() = {};
    screen::boundary = {true, "/games/Gorvex"};  // the about line's folder, the same anywhere
    write_background();
  }
  void TearDown() override {
    screen::boundary = {};
    screen::close_screen();
  }
  TempDir dir{true};
};

TEST_P(Golden, ScreenMatchesItsPicture) {
  const int slot = GetParam();
  ASSERT_TRUE(app::start_up());
  if (slot != 0) {
    if (slot == app::slot_exit) text::set_text_scale(1);
    gui::draw_widget(slot, "Inv");
  }
  // The build tool's name and version differ between compilers: that part is left out.
  const int tool_x = 4 + text::text_width(gui::toolkit.version_text + " ");
  screen::fill_box(tool_x, 12, 639, 20, 0);

  const std::string name = slot == 0 ? "start" : "pressed-" + std::to_string(slot);
  const fs::path golden = golden_folder / (name + ".bmp");
  if (std::getenv("GORVEX_GOLDEN_RECORD") != nullptr) {
    ASSERT_TRUE(tools::save_visible_page(golden.string()));
    GTEST_SKIP() << "recorded " << golden;
  }
  ASSERT_TRUE(tools::save_visible_page("actual.bmp"));
  const auto want = read_file(golden);
  const auto got = read_file("actual.bmp");
  if (want == got) return;

  // Kept for a look: the actual screen, and a picture of where it differs.
  const fs::path out = fs::path(GORVEX_BINARY_DIR) / "golden-out";
  fs::create_directories(out);
  fs::copy_file("actual.bmp", out / (name + "-actual.bmp"), fs::copy_options::overwrite_existing);
  const auto a = pixels_of(want), b = pixels_of(got);
  std::vector<std::uint8_t> diff(640 * 480, 0);
  int differing = 0;
  for (std::size_t i = 0; i < diff.size() && a.size() == diff.size(); ++i)
    if (a[i] != b[i]) diff[i] = 1, ++differing;
  std::array<screen::Rgb, 256> colours{};
  colours[1] = {255, 0, 0};
  tools::save_bmp8((out / (name + "-diff.bmp")).string(), 640, 480, diff, colours);
  ADD_FAILURE() << name << ": " << differing << " pixels differ from " << golden
                << " (or its palette does); see " << out;
}

INSTANTIATE_TEST_SUITE_P(StartAndPressed, Golden, ::testing::Values(0, 1, 4, 255));

}  // namespace
