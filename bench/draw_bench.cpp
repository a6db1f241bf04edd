// gorvex-bench-draw: what the launcher draws, timed in memory with the headless backend.
//   start screen (widgets and about lines on an open screen), the whole start-up with the
//   screen opening, one pressed button, flood fill of a button face, loading a 640 x 480
//   8-bit picture, and presentation passes of a full page and of one changed row. Besides
//   drawing: the check that a 20 MB level arrived whole in roms/temp.wad, wall time, with
//   both files in the page cache as they are right after the copy. And the scaler's present
//   step at 150 %: a whole 960 x 720 buffer, and one changed row.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/launcher.h"
#include "app/texts.h"
#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/files.h"
#include "screen/window/headless/headless.h"
#include "screen/process.h"
#include "screen/screen.h"
#include "screen/window/scaler.h"
#include "text/text.h"
#include "text/text_state.h"
#include "tools/bmp_writer.h"

namespace {

namespace fs = std::filesystem;

// A folder with CFG/INTERPIC.bmp, a 640 x 480 8-bit picture of bands and noise, made current
// while the benchmarks run; removed at the end.
class PictureFolder {
 public:
  PictureFolder() {
    dir_ = fs::temp_directory_path() / ("gorvex-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "CFG");
    previous_ = fs::current_path();
    fs::current_path(dir_);
    std::vector<std::uint8_t> pixels(640 * 480);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
      noise = noise * 1103515245u + 12345u;
      pixels[i] = std::uint8_t((i / 640) / 2 + (noise >> 28));
    }
    std::array<screen::Rgb, 256> palette{};
    for (int i = 0; i < 256; ++i)
      palette[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)};
    if (!tools::save_bmp8(picture().string(), 640, 480, pixels, palette))
      std::fprintf(stderr, "gorvex-bench-draw: cannot write %s\n", picture().c_str());
  }
  ~PictureFolder() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(dir_, ec);
  }
  fs::path picture() const { return dir_ / "CFG" / "INTERPIC.bmp"; }

 private:
  fs::path dir_, previous_;
};

const PictureFolder& folder() {
  static PictureFolder f;
  return f;
}

// A fresh headless start-up without a service thread: passes run only when called.
void open_start_screen() {
  folder();
  screen::headless::options() = {};
  gui::toolkit = {};
  text::text_state = {};
  gui::widgets = {};
  app::start_up();
  screen::presentation_pass();
}

// The drawing half of start-up: buttons 1 to 4, the close button and the five about lines,
// as the launcher draws them once the picture and palette are in place.
void draw_start_screen_widgets(const std::string& build_line, const std::string& folder_line) {
  text::set_text_scale(2);
  for (const int slot : {app::slot_game, app::slot_editor, app::slot_setup, app::slot_mods})
    gui::draw_widget(slot, "Nor");
  text::set_text_scale(1);
  gui::draw_widget(app::slot_exit, "Nor");
  text::set_text_colours(81, 96, 101, 109, 111);
  text::draw_text(4, 3, app::texts::about_author, " ");
  text::draw_text(4, 12, build_line, " ");
  text::draw_text(4, 21, app::texts::about_licence, " ");
  text::draw_text(4, 30, folder_line, " ");
  text::draw_text(460, 468, app::version_line, " ");
  text::set_text_scale(2);
}

void BM_StartScreenDrawing(benchmark::State& state) {
  open_start_screen();
  const std::string build_line = gui::toolkit.version_text + " C++ " + __VERSION__;
  const std::string folder_line = screen::get_launcher_directory();
  for (auto _ : state) draw_start_screen_widgets(build_line, folder_line);
  screen::close_screen();
}
BENCHMARK(BM_StartScreenDrawing)->Unit(benchmark::kMicrosecond);

void BM_StartUpWhole(benchmark::State& state) {
  folder();
  screen::headless::options() = {};
  for (auto _ : state) {
    gui::toolkit = {};
    text::text_state = {};
    gui::widgets = {};
    benchmark::DoNotOptimize(app::start_up());
    screen::presentation_pass();
    state.PauseTiming();
    screen::close_screen();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StartUpWhole)->Unit(benchmark::kMicrosecond);

void BM_PressedButton(benchmark::State& state) {
  open_start_screen();
  text::set_text_scale(2);
  for (auto _ : state) gui::draw_widget(app::slot_game, "Inv");
  screen::close_screen();
}
BENCHMARK(BM_PressedButton)->Unit(benchmark::kMicrosecond);

void BM_FloodFillButtonFace(benchmark::State& state) {
  open_start_screen();
  // Button 1's face lies inside its outline of colour 3 (101). Cleared first, so that the seed
  // is not on the border colour; two fills then take turns, each covering the whole face.
  const int x = gui::widgets.x[app::slot_game];
  const int y = gui::widgets.y[app::slot_game];
  const int w = gui::widgets.width[app::slot_game];
  const int h = gui::widgets.height[app::slot_game];
  screen::fill_box(x + 3, y + 3, x + w - 3, y + h - 3, 0);
  int fill = 0;
  for (auto _ : state) {
    screen::flood_fill(x + 4, y + 4, fill, 101);
    fill ^= 1;
  }
  screen::close_screen();
}
BENCHMARK(BM_FloodFillButtonFace)->Unit(benchmark::kMicrosecond);

void BM_LoadBmp640x480x8(benchmark::State& state) {
  open_start_screen();
  const std::string path = folder().picture().string();
  for (auto _ : state) {
    if (screen::load_bmp(path) != 0) state.SkipWithError("load_bmp failed");
  }
  screen::close_screen();
}
BENCHMARK(BM_LoadBmp640x480x8)->Unit(benchmark::kMicrosecond);

void BM_PresentFullPage(benchmark::State& state) {
  open_start_screen();
  int visible = 0;
  for (auto _ : state) {
    // Showing the other page flags every row.
    visible ^= 1;
    screen::set_pages(0, visible);
    screen::presentation_pass();
  }
  screen::close_screen();
}
BENCHMARK(BM_PresentFullPage)->Unit(benchmark::kMicrosecond);

void BM_PresentOneRow(benchmark::State& state) {
  open_start_screen();
  int colour = 0;
  for (auto _ : state) {
    screen::draw_line(320, 240, 320, 240, colour ^= 1);
    screen::presentation_pass();
  }
  screen::close_screen();
}
BENCHMARK(BM_PresentOneRow)->Unit(benchmark::kMicrosecond);

void BM_IdlePresentationPass(benchmark::State& state) {
  open_start_screen();
  for (auto _ : state) screen::presentation_pass();
  screen::close_screen();
}
BENCHMARK(BM_IdlePresentationPass)->Unit(benchmark::kMicrosecond);

// The present step of a window at 150 % (Windows, X11, Wayland alike): a page of noise
// through the palette and the scaler into a 960 x 720 32-bit buffer, every row, as after a
// change of screen; and one changed page row.
struct Scaled150 {
  std::vector<std::uint8_t> page = std::vector<std::uint8_t>(640 * 480);
  std::vector<std::uint32_t> buffer = std::vector<std::uint32_t>(960 * 720);
  screen::window::Scaler scaler;
  Scaled150() {
    std::uint32_t noise = 777;
    for (std::uint8_t& p : page) p = std::uint8_t((noise = noise * 1103515245u + 12345u) >> 24);
    std::array<screen::Rgb, 256> palette{};
    for (int i = 0; i < 256; ++i)
      palette[std::size_t(i)] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)};
    scaler.set_palette(palette);
    scaler.start({640, 480});
    scaler.place({960, 720}, screen::window::windowed({640, 480}, 1.5));
  }
};

void BM_ScaledPresentAt150(benchmark::State& state) {
  Scaled150 s;
  for (auto _ : state) {
    s.scaler.keep(s.page.data(), 640, 0, 479);
    s.scaler.paint(0, 479, s.buffer.data(), 960 * 4);
    benchmark::DoNotOptimize(s.buffer.data());
  }
}
BENCHMARK(BM_ScaledPresentAt150)->Unit(benchmark::kMicrosecond);

void BM_ScaledPresentOneRowAt150(benchmark::State& state) {
  Scaled150 s;
  for (auto _ : state) {
    s.scaler.keep(s.page.data(), 640, 240, 240);
    s.scaler.paint(240, 240, s.buffer.data(), 960 * 4);
    benchmark::DoNotOptimize(s.buffer.data());
  }
}
BENCHMARK(BM_ScaledPresentOneRowAt150)->Unit(benchmark::kMicrosecond);

void BM_CompareCopiedLevel(benchmark::State& state) {
  folder();
  std::vector<std::uint8_t> level(std::size_t(state.range(0)) << 20);
  std::uint32_t noise = 99;
  for (std::uint8_t& b : level) b = std::uint8_t((noise = noise * 1103515245u + 12345u) >> 24);
  for (const char* name : {"level.wad", "copy.wad"}) {
    std::FILE* f = std::fopen(name, "wb");
    const bool written =
        f != nullptr && std::fwrite(level.data(), 1, level.size(), f) == level.size();
    if (f == nullptr || std::fclose(f) != 0 || !written) state.SkipWithError("cannot write");
  }
  for (auto _ : state) {
    if (!screen::files::same_contents("level.wad", "copy.wad")) state.SkipWithError("differ");
  }
  std::remove("level.wad");
  std::remove("copy.wad");
}
BENCHMARK(BM_CompareCopiedLevel)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
