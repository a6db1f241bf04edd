// The pointer state kept from window events, and the main loop's click latch.

#include "screen/pointer.h"

#include <future>
#include <optional>

#include "app/fake_dialogs.h"
#include "app/launcher.h"
#include "app/texts.h"
#include "screen/process.h"
#include "screen/screen.h"
#include "screen/window/headless/headless.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScreenTest;

struct Poll {
  int result, x, y, wheel, buttons;
};

class Pointer : public ScreenTest {
 protected:
  // Handles what was pushed, then polls.
  static Poll poll() {
    screen::presentation_pass();
    Poll p{};
    p.result = screen::get_pointer(p.x, p.y, p.wheel, p.buttons);
    return p;
  }
};

TEST_F(Pointer, PositionButtonsAndWheelWhileOverTheWindow) {
  screen::headless::push_move(100, 200);
  Poll p = poll();
  EXPECT_EQ(p.result, 0);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 200);
  EXPECT_EQ(p.buttons, 0);
  screen::headless::push_press(1);
  screen::headless::push_press(2);
  screen::headless::push_wheel(+3);
  screen::headless::push_wheel(-1);
  screen::headless::push_wheel(+1);
  p = poll();
  EXPECT_EQ(p.buttons, 3);
  EXPECT_EQ(p.wheel, 1);
}

TEST_F(Pointer, OutsideOrInactiveGivesMinusOneEverywhere) {
  screen::headless::push_move(10, 10);
  screen::headless::push_press(1);
  screen::headless::push_move(700, 10);
  Poll p = poll();
  EXPECT_EQ(p.result, 1);
  EXPECT_EQ(p.x, -1);
  EXPECT_EQ(p.buttons, -1);
  screen::headless::push_move(20, 30);
  p = poll();
  EXPECT_EQ(p.result, 0);
  EXPECT_EQ(p.buttons, 1);

  screen::headless::push_activation(false);
  EXPECT_EQ(poll().buttons, -1);
  screen::headless::push_activation(true);  // the old press is forgotten
  p = poll();
  EXPECT_EQ(p.result, 0);
  EXPECT_EQ(p.buttons, 0);
}

TEST_F(Pointer, AClickShorterThanOnePollIsReportedOnce) {
  screen::headless::push_move(50, 50);
  screen::headless::push_press(1);
  screen::headless::push_release(1);
  EXPECT_EQ(poll().buttons, 1);
  EXPECT_EQ(poll().buttons, 0);
}

// A close request leaves the window open and only counts as a key queued, which the short
// sleeps leave for a wait on keys to find.
TEST_F(Pointer, CloseRequestOnlyQueuesAKey) {
  screen::headless::push_close_request();
  screen::presentation_pass();
  EXPECT_TRUE(screen::is_open());
  screen::sleep_ms(0);
  screen::sleep_ms(50);
  auto waited = std::async(std::launch::async, [] { screen::sleep_ms(-1); });
  const bool ended = waited.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  EXPECT_TRUE(ended) << "the key was taken by a short sleep";
  if (!ended) {  // lets the wait end
    screen::headless::push_close_request();
    screen::presentation_pass();
  }
}

class MainLoop : public Pointer {
 protected:
  void SetUp() override {
    Pointer::SetUp();
    screen::close_screen();
    dir_ = std::make_unique<testing_support::TempDir>(true);
    ASSERT_TRUE(app::start_up());
    screen::boundary = {true, dir_->path().string()};
    testing_support::write_file("gorvex.exe", {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h'});
    std::filesystem::permissions("gorvex.exe", std::filesystem::perms::owner_all);
  }
  void TearDown() override {
    screen::boundary = {};
    Pointer::TearDown();
    dir_.reset();
  }
  // One loop pass after the pushed events are handled; how the process would have ended,
  // or nothing when no command ended it.
  std::optional<screen::Ended> loop_pass() {
    screen::presentation_pass();
    try {
      app::main_loop_pass(latch_);
    } catch (const screen::Ended& e) {
      return e;
    }
    return std::nullopt;
  }
  std::unique_ptr<testing_support::TempDir> dir_;
  bool latch_ = false;
};

TEST_F(MainLoop, PressesThatMustNotAct) {
  using namespace screen::headless;
  const auto pass = [&] { EXPECT_FALSE(loop_pass().has_value()) << "a command ran"; };
  const auto release_all = [&] {
    push_release(1);
    push_release(2);
    pass();  // a poll without buttons clears the latch
  };
  push_move(10, 100);  // outside every widget
  push_press(1);
  pass();
  push_move(300, 160);  // slide onto button 1, still held
  pass();
  release_all();

  push_press(2);  // right button alone, then left and right together
  pass();
  push_press(1);
  pass();
  release_all();

  push_move(10, 100);  // a press acted on over no widget sets the latch...
  push_press(1);
  pass();
  push_press(2);
  pass();
  push_release(1);  // ...and releasing left while right stays down keeps it
  pass();
  push_move(300, 160);
  push_release(2);
  push_press(1);
  pass();
  release_all();

  push_move(170, 160);  // the border pixel of button 1
  push_press(1);
  pass();
  release_all();
  push_move(300, 100);  // the title plate has no command
  push_press(1);
  pass();
  EXPECT_EQ(app::launcher.pointer_x, 300);
  release_all();

  // After all that, a fresh press on button 1 acts: nothing above was merely ignored.
  push_move(300, 160);
  push_press(1);
  const auto ended = loop_pass();
  ASSERT_TRUE(ended.has_value());
  EXPECT_EQ(ended->arguments, "-noconsole -conf CFG\\gorvex.cnf");
}

TEST_F(MainLoop, AHeldPressActsOnceAndAQuickClickActs) {
  using namespace screen::headless;
  push_move(300, 165);
  push_press(1);
  const auto game = loop_pass();
  ASSERT_TRUE(game.has_value());
  EXPECT_EQ(game->arguments, "-noconsole -conf CFG\\gorvex.cnf");
  EXPECT_FALSE(loop_pass().has_value());  // still held: latched
  push_release(1);
  EXPECT_FALSE(loop_pass().has_value());

  push_move(300, 210);  // a press and release between two polls still acts once
  push_press(1);
  push_release(1);
  const auto editor = loop_pass();
  ASSERT_TRUE(editor.has_value());
  EXPECT_EQ(editor->arguments, "-noconsole -conf CFG\\editor.cnf");
  EXPECT_FALSE(loop_pass().has_value());

  push_move(30, 467);  // EXIT ends the program with 0, starting nothing
  push_press(1);
  const auto exit = loop_pass();
  ASSERT_TRUE(exit.has_value());
  EXPECT_EQ(exit->status, 0);
  EXPECT_EQ(exit->program, "");
}

TEST_F(MainLoop, ButtonWithoutEmulatorReportsNoFile) {
  std::filesystem::remove("gorvex.exe");
  screen::headless::push_move(171, 160);
  screen::headless::push_press(1);
  app::fake_dialogs::boxes.clear();
  const auto ended = loop_pass();
  ASSERT_TRUE(ended.has_value());
  EXPECT_EQ(ended->program, "");
  ASSERT_EQ(app::fake_dialogs::boxes.size(), 1u);
  EXPECT_EQ(app::fake_dialogs::boxes[0].caption, app::texts::no_file_caption.view());
}

}  // namespace

namespace {

TEST_F(MainLoop, AFileDroppedOntoTheWindowInstallsLikeAChosenOne) {
  namespace fs = std::filesystem;
  fs::create_directory("roms");
  fs::create_symlink(GORVEX_CMD, "gorvex-cmd");
  fs::create_directory("levels");
  screen::headless::push_drop((dir_->path() / "levels").string());  // a folder: ignored
  EXPECT_FALSE(loop_pass().has_value());
  testing_support::write_file("levels/new.wad", {'P', 'W', 'A', 'D'});
  const std::uint8_t ring = screen::pixel(0, 171, 286);  // button 4's outer ring, not pressed
  screen::headless::push_drop((dir_->path() / "levels" / "new.wad").string());
  const auto ended = loop_pass();
  ASSERT_TRUE(ended.has_value());
  EXPECT_EQ(ended->arguments, "-noconsole -conf CFG\\plusmod.cnf");
  EXPECT_EQ(testing_support::read_file("roms/temp.wad"),
            (std::vector<std::uint8_t>{'P', 'W', 'A', 'D'}));
  // Button 4 shows its pressed look, as after a press on it.
  EXPECT_NE(screen::pixel(0, 171, 286), ring);
  EXPECT_EQ(app::launcher.chosen_wad, (dir_->path() / "levels" / "new.wad").string());
}

}  // namespace
