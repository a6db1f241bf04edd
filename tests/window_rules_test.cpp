// What the desktop's events mean, decided once for every window driver: which drops count,
// what Alt+Enter and the maximise button do, and when the window is active.

#include <string>

#include "screen/window/headless/headless.h"
#include "screen/pointer.h"
#include "screen/screen.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScreenTest;
namespace headless = screen::headless;

class WindowRules : public ScreenTest {
 protected:
  static bool active() {
    screen::presentation_pass();
    int x = 0, y = 0, wheel = 0, buttons = 0;
    return screen::get_pointer(x, y, wheel, buttons) == 0;
  }
};

TEST_F(WindowRules, OnlyADropOfOneFileIsTaken) {
  std::string path;
  headless::push_drop_files({"/levels/a.wad", "/levels/b.wad"});
  screen::presentation_pass();
  EXPECT_FALSE(screen::take_dropped_file(path));
  headless::push_drop_files({});
  screen::presentation_pass();
  EXPECT_FALSE(screen::take_dropped_file(path));
  headless::push_drop_files({"/levels/a b.wad"});
  screen::presentation_pass();
  ASSERT_TRUE(screen::take_dropped_file(path));
  EXPECT_EQ(path, "/levels/a b.wad");
  EXPECT_FALSE(screen::take_dropped_file(path));
}

TEST_F(WindowRules, AltEnterAndMaximiseSwitchFullScreenBothWays) {
  headless::push_full_screen_key();
  screen::presentation_pass();
  EXPECT_TRUE(headless::window().full_screen);
  headless::push_maximise();
  screen::presentation_pass();
  EXPECT_FALSE(headless::window().full_screen);
  headless::push_press(2);  // the player acts between the desktop's two maximises
  headless::push_release(2);
  headless::push_maximise();
  headless::push_full_screen_key();
  screen::presentation_pass();
  EXPECT_FALSE(headless::window().full_screen);
  // A desktop that refuses leaves the window as it was.
  headless::options().refuse_full_screen = true;
  headless::push_full_screen_key();
  screen::presentation_pass();
  EXPECT_FALSE(headless::window().full_screen);
}

// A desktop that repeats its maximised state, or keeps answering the switch with the opposite
// state, flips the window once; the next flip waits for the player.
TEST_F(WindowRules, TheDesktopSwitchesFullScreenOncePerPlayerAction) {
  for (int i = 0; i < 5; ++i) headless::push_maximise();
  screen::presentation_pass();
  EXPECT_TRUE(headless::window().full_screen);
  for (int i = 0; i < 5; ++i) {
    headless::push_maximise();
    screen::presentation_pass();
  }
  EXPECT_TRUE(headless::window().full_screen);
  headless::push_press(1);
  headless::push_release(1);
  headless::push_maximise();
  headless::push_maximise();
  screen::presentation_pass();
  EXPECT_FALSE(headless::window().full_screen);
  headless::push_full_screen_key();  // the player's own switch is never held back
  headless::push_full_screen_key();
  headless::push_full_screen_key();
  screen::presentation_pass();
  EXPECT_TRUE(headless::window().full_screen);
}

TEST_F(WindowRules, ActiveWhileFocusedAndNotMinimised) {
  headless::push_move(10, 10);
  EXPECT_TRUE(active());
  headless::push_minimised(true);
  EXPECT_FALSE(active());
  headless::push_activation(false);
  headless::push_minimised(false);
  EXPECT_FALSE(active());
  headless::push_activation(true);
  EXPECT_TRUE(active());
}

TEST_F(WindowRules, APressHeldOutsideKeepsThePointerOnlyWhileOverThePage) {
  headless::push_move(10, 10);
  headless::push_press(1);
  headless::push_move(700, 10);  // off the window, still held: outside the page
  EXPECT_FALSE(active());
  headless::push_move(30, 40);  // back while held
  EXPECT_TRUE(active());
  headless::push_move(-5, 40);
  headless::push_release(1);  // released outside
  EXPECT_FALSE(active());
}

// However the desktop lost the window's focus or said it was minimised (any X client can),
// a press in it means the player is using it: the click counts.
TEST_F(WindowRules, APressInTheWindowMakesItActiveAgain) {
  headless::push_move(10, 10);
  headless::push_activation(false);
  EXPECT_FALSE(active());
  headless::push_press(1);
  screen::presentation_pass();
  int x = 0, y = 0, wheel = 0, buttons = 0;
  ASSERT_EQ(screen::get_pointer(x, y, wheel, buttons), 0);
  EXPECT_EQ(buttons, 1);
  headless::push_release(1);
  headless::push_minimised(true);
  EXPECT_FALSE(active());
  headless::push_press(2);
  EXPECT_TRUE(active());
}

}  // namespace
