// The pointer state kept from window events, and the main loop's click latch.

#include "screen/pointer.h"
#include "app/launcher.h"
#include "screen/headless.h"
#include "screen/screen.h"
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

TEST_F(Pointer, CloseRequestOnlyQueuesAKey) {
  screen::headless::push_close_request();
  screen::presentation_pass();
  EXPECT_TRUE(screen::is_open());
  screen::sleep_ms(-1);  // returns: a key was queued since the last check
  screen::sleep_ms(0);
}

// Runs one loop pass after the pushed events are handled.
void loop_pass() {
  screen::presentation_pass();
  app::main_loop_pass();
}

class MainLoop : public Pointer {
 protected:
  void SetUp() override {
    Pointer::SetUp();
    screen::close_screen();
    dir_ = std::make_unique<testing_support::TempDir>(true);
    ASSERT_TRUE(app::start_up());
  }
  void TearDown() override {
    Pointer::TearDown();
    dir_.reset();
  }
  std::unique_ptr<testing_support::TempDir> dir_;
};

// Each of these would end the process if a command ran.
TEST_F(MainLoop, PressesThatMustNotAct) {
  using namespace screen::headless;
  const auto release_all = [] {
    push_release(1);
    push_release(2);
    loop_pass();  // a poll without buttons clears the latch
  };
  push_move(10, 100);  // outside every widget
  push_press(1);
  loop_pass();
  push_move(300, 160);  // slide onto button 1, still held
  loop_pass();
  release_all();

  push_press(2);  // right button alone, then left and right together
  loop_pass();
  push_press(1);
  loop_pass();
  release_all();

  push_move(10, 100);  // a press acted on over no widget sets the latch...
  push_press(1);
  loop_pass();
  push_press(2);
  loop_pass();
  push_release(1);  // ...and releasing left while right stays down keeps it
  loop_pass();
  push_move(300, 160);
  push_release(2);
  push_press(1);
  loop_pass();
  release_all();

  push_move(170, 160);  // the border pixel of button 1
  push_press(1);
  loop_pass();
  release_all();
  push_move(300, 100);  // the title plate has no command
  push_press(1);
  loop_pass();
  EXPECT_EQ(app::launcher.pointer_x, 300);
}

TEST_F(MainLoop, ExitButtonEndsWithStatusZero) {
  EXPECT_EXIT(
      {
        screen::headless::push_move(30, 467);
        screen::headless::push_press(1);
        loop_pass();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(MainLoop, ButtonWithoutEmulatorReportsNoFile) {
  EXPECT_EXIT(
      {
        screen::headless::push_move(171, 160);
        screen::headless::push_press(1);
        loop_pass();
      },
      ::testing::ExitedWithCode(0), "message box: ОЙ Игрушка потерялась!: Для того чтобы");
}

}  // namespace
