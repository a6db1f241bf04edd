// The event-driven idle: the pointer change count that the main loop sleeps on, the service
// thread that sleeps until a window event, new drawing or the end of the screen, and the click
// latch through the waiting loop.

#include <chrono>
#include <optional>
#include <thread>

#include "app/fake_dialogs.h"
#include "app/launcher.h"
#include "app/texts.h"
#include "gui/toolkit_state.h"
#include "gui/widgets.h"
#include "screen/window/headless/headless.h"
#include "screen/pointer.h"
#include "screen/process.h"
#include "screen/screen.h"
#include "screen/state.h"
#include "tests/test_support.h"
#include "text/text_state.h"

namespace {

using namespace std::chrono_literals;
using namespace screen::headless;

struct Poll {
  int result, x, y, wheel, buttons;
};

Poll poll() {
  Poll p{};
  p.result = screen::get_pointer(p.x, p.y, p.wheel, p.buttons);
  return p;
}

// Without a service thread the wait only looks whether a change is due.
bool change_due() {
  return screen::wait_for_pointer_change(0);
}

// Waits for something the service thread brings about. The bound only keeps a broken build
// from hanging: no busy machine holds a thread back for that long.
constexpr auto patience = 30s;
template <class Condition>
bool eventually(Condition done) {
  const auto give_up = std::chrono::steady_clock::now() + patience;
  while (!done() && std::chrono::steady_clock::now() < give_up) std::this_thread::sleep_for(10ms);
  return done();
}

// The hand-over's bound on waiting for the window, as the product has it.
void reset_present_wait() {
  screen::detail::state().present_wait_ms = screen::detail::present_wait_limit_ms;
}

class PointerChanges : public testing_support::ScreenTest {
 protected:
  static void pass() { screen::presentation_pass(); }
};

TEST_F(PointerChanges, CountOnlyWhatAPollWouldSee) {
  poll();
  EXPECT_FALSE(change_due());
  push_move(10, 20);
  pass();
  EXPECT_TRUE(change_due());
  poll();
  EXPECT_FALSE(change_due());

  push_move(10, 20);  // the same place
  push_release(1);    // a button that is not held
  push_close_request();
  pass();
  EXPECT_FALSE(change_due());

  push_press(1);
  pass();
  EXPECT_TRUE(change_due());
  EXPECT_EQ(poll().buttons, 1);
  push_release(1);
  pass();
  EXPECT_TRUE(change_due());
  EXPECT_EQ(poll().buttons, 0);
  push_wheel(-1);
  pass();
  EXPECT_TRUE(change_due());
  poll();
  push_move(700, 20);  // leaving
  pass();
  EXPECT_TRUE(change_due());
  EXPECT_EQ(poll().result, 1);
  EXPECT_FALSE(change_due());
  push_activation(false);
  pass();
  EXPECT_TRUE(change_due());
}

TEST_F(PointerChanges, APressReleasedBeforeThePollMakesTheNextPollDue) {
  push_move(50, 50);
  push_press(1);
  push_release(1);
  pass();
  EXPECT_EQ(poll().buttons, 1);
  EXPECT_TRUE(change_due());  // the button is up again: the latch must hear of it
  EXPECT_EQ(poll().buttons, 0);
  EXPECT_FALSE(change_due());
}

// A screen whose passes run on the service thread, as with a real window.
class IdleService : public ::testing::Test {
 protected:
  void SetUp() override {
    options() = {};
    options().service_thread = true;
    ASSERT_EQ(screen::set_screen_mode(640, 480, 8, 3), 0);
    ASSERT_TRUE(eventually([] { return window().waiting; }));
    timeouts_ = window().timeouts;
  }
  void TearDown() override {
    stall(0);
    reset_present_wait();
    screen::close_screen();
    options() = {};
  }
  // No wait of the service thread has run into its time limit since SetUp.
  bool woken_every_time() const { return window().timeouts == timeouts_; }

  int timeouts_ = 0;
};

TEST_F(IdleService, DrawingWakesTheSleepingThreadAndIsShown) {
  screen::fill_box(0, 0, 9, 9, 5);
  EXPECT_TRUE(eventually([] { return window().pixels[0] == 5; }));
  ASSERT_TRUE(eventually([] { return window().waiting; }));
  screen::set_window_title("Gorvex");
  EXPECT_TRUE(eventually([] { return window().title == "Gorvex"; }));
  ASSERT_TRUE(eventually([] { return window().waiting; }));
  screen::set_palette_entry(1, 252, 0, 0);
  EXPECT_TRUE(eventually([] { return window().palette[1].red == 255; }));
  EXPECT_TRUE(woken_every_time());
}

TEST_F(IdleService, ClosingWakesTheSleepingThread) {
  screen::close_screen();
  EXPECT_FALSE(window().open);
  EXPECT_TRUE(woken_every_time());
}

TEST_F(IdleService, APointerEventWakesTheWaitingLoop) {
  poll();
  const auto start = std::chrono::steady_clock::now();
  stall(100);  // the event comes while the loop waits, unless this thread is even later
  push_move(30, 40);
  EXPECT_TRUE(screen::wait_for_pointer_change(int(std::chrono::milliseconds(patience).count())));
  // Woken: a wait that ran into its limit returns only once the limit has passed.
  EXPECT_LT(std::chrono::steady_clock::now() - start, patience);
  EXPECT_EQ(poll().x, 30);
  EXPECT_TRUE(woken_every_time());
}

TEST_F(IdleService, WithoutChangeBothSleepWithoutALimit) {
  poll();
  EXPECT_FALSE(screen::wait_for_pointer_change(200));
  // The service thread's sleeps have no limit; one is cut short here to see that nothing but
  // its limit ended it: the title wakes it, and its next sleep gets the short cap.
  options().wait_cap_ms = 200;
  screen::set_window_title("Gorvex, idle");
  Window shown;
  ASSERT_TRUE(eventually([&] {
    shown = window();
    return shown.title == "Gorvex, idle" && shown.waiting;
  }));
  // Wait for the state asserted: a sleep ran into its limit and the one after it has begun.
  // Under load more than one may have passed by then; each of them must have ended by its
  // limit, none by a wake.
  Window later;
  ASSERT_TRUE(eventually([&] {
    later = window();
    return later.timeouts > shown.timeouts && later.waiting;
  }));
  EXPECT_EQ(later.last_wait_ms, -1);
  EXPECT_EQ(later.waits - shown.waits, later.timeouts - shown.timeouts)
      << "a sleep ended before its limit without an event";
}

TEST_F(IdleService, PresentAndWaitSaysWhetherThePageReachedTheWindow) {
  stall(int(std::chrono::milliseconds(patience).count()));
  ASSERT_TRUE(eventually([] { return window().waiting; }));  // held from now on
  screen::fill_box(0, 0, 9, 9, 5);
  screen::detail::state().present_wait_ms = 20;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(screen::present_and_wait());
  EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
  EXPECT_EQ(window().pixels[0], 0);
  // Without a bound it waits for the pass, however late the desktop lets it run.
  screen::detail::state().present_wait_ms = -1;
  stall(0);
  EXPECT_TRUE(screen::present_and_wait());
  EXPECT_EQ(window().pixels[0], 5);
}

TEST(IdleServiceFallback, ABackendThatCannotWaitKeepsTicking) {
  options() = {};
  options().service_thread = true;
  options().waits = false;
  ASSERT_EQ(screen::set_screen_mode(640, 480, 8, 3), 0);
  push_move(30, 40);
  EXPECT_TRUE(eventually([] { return poll().x == 30; }));
  EXPECT_EQ(window().waits, 0);
  screen::close_screen();
  options() = {};
}

// The launcher's loop with its waits, on a service thread. The process boundary is
// rehearsed: a command that would end the launcher shows up as screen::Ended. Events meant to
// reach one pass together are pushed in a batch: the service thread may otherwise take the
// first of them on its own.
class WaitingLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    gui::toolkit = {};
    text::text_state = {};
    gui::widgets = {};
    app::fake_dialogs::boxes.clear();
    options() = {};
    options().service_thread = true;
    screen::boundary = {true, dir.path().string()};  // no gorvex.exe there: "NoFile"
    ASSERT_TRUE(app::start_up());
    // The loop's first pass comes before its first wait, as in app::main_loop: a change left
    // over from an earlier screen is seen here, and the first step waits for what is pushed.
    app::main_loop_pass(latch);
  }
  void TearDown() override {
    screen::boundary = {};
    stall(0);
    reset_present_wait();
    screen::close_screen();
    options() = {};
  }
  // Waits for what was pushed, then polls and acts: how the launcher would have ended, or
  // nothing while it runs on.
  std::optional<screen::Ended> step() {
    EXPECT_TRUE(app::main_loop_wait()) << "the wait ran into its limit";
    try {
      app::main_loop_pass(latch);
    } catch (const screen::Ended& e) {
      return e;
    }
    return std::nullopt;
  }
  bool reported_no_file() const {
    return app::fake_dialogs::boxes.size() == 1 &&
           app::fake_dialogs::boxes[0].caption == app::texts::no_file_caption.view();
  }
  testing_support::TempDir dir{true};
  bool latch = false;
};

TEST_F(WaitingLoop, AClickBetweenTwoPollsActsOnce) {
  {
    EventBatch together;
    push_move(171, 160);
    push_press(1);
    push_release(1);
  }
  ASSERT_TRUE(step().has_value());
  EXPECT_TRUE(reported_no_file());
}

TEST_F(WaitingLoop, AQuickClickOnNothingClearsTheLatchAtOnce) {
  {
    EventBatch together;
    push_move(10, 100);
    push_press(1);
    push_release(1);
  }
  EXPECT_FALSE(step().has_value());
  EXPECT_FALSE(step().has_value());  // due at once: the latch is cleared before the next press
  {
    EventBatch together;
    push_move(300, 160);
    push_press(1);
  }
  ASSERT_TRUE(step().has_value());
  EXPECT_TRUE(reported_no_file());
}

TEST_F(WaitingLoop, APressSlidOntoAButtonDoesNothing) {
  {
    EventBatch together;
    push_move(10, 100);
    push_press(1);
  }
  EXPECT_FALSE(step().has_value());
  push_move(300, 160);
  EXPECT_FALSE(step().has_value());
  push_release(1);
  EXPECT_FALSE(step().has_value());
  EXPECT_TRUE(app::fake_dialogs::boxes.empty());
}

}  // namespace

namespace {

// The pixels of the box x1..x2, y1..y2 that the window shows otherwise than the page has them.
int differing(int x1, int y1, int x2, int y2) {
  const auto shown = window();
  int count = 0;
  for (int y = y1; y <= y2; ++y)
    for (int x = x1; x <= x2; ++x)
      count += shown.pixels[std::size_t(y * 640 + x)] != screen::pixel(0, x, y);
  return count;
}
int button_1_differing() {
  return differing(170, 150, 470, 180);
}

TEST_F(WaitingLoop, ThePressedLookIsInTheWindowBeforeTheHandOver) {
  testing_support::write_file(dir.path() / "gorvex.exe",
                              {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h'});
  std::filesystem::permissions(dir.path() / "gorvex.exe", std::filesystem::perms::owner_all);
  // However late a busy machine runs the service thread: the bound is tested on its own.
  screen::detail::state().present_wait_ms = -1;
  {
    EventBatch together;
    push_move(300, 165);
    push_press(1);
  }
  const auto ended = step();
  ASSERT_TRUE(ended.has_value());
  ASSERT_EQ(ended->program, "gorvex.exe");
  // At the hand-over the window already shows the button as the page has it: pressed.
  EXPECT_EQ(button_1_differing(), 0);
}

TEST_F(WaitingLoop, TheExitButtonsPressedLookIsInTheWindowBeforeTheEnd) {
  screen::detail::state().present_wait_ms = -1;
  stall(200);  // a desktop slower than the 50 ms of pressed look
  ASSERT_TRUE(eventually([] { return window().waiting; }));
  const auto before = window().pixels;  // the start screen, EXIT not pressed
  std::optional<screen::Ended> ended;
  try {
    app::run_command(app::slot_exit);
  } catch (const screen::Ended& e) {
    ended = e;
  }
  ASSERT_TRUE(ended.has_value());
  ASSERT_EQ(ended->status, 0);
  // The screen is closed now: the window is held against what it showed before.
  const auto after = window().pixels;
  int changed = 0;
  for (int y = 450; y <= 479; ++y)
    for (int x = 0; x <= 100; ++x)
      changed += after[std::size_t(y * 640 + x)] != before[std::size_t(y * 640 + x)];
  EXPECT_GT(changed, 0) << "the window never showed EXIT pressed";
}

TEST_F(WaitingLoop, AStalledDesktopHoldsTheHandOverForItsBoundOnly) {
  testing_support::write_file(dir.path() / "gorvex.exe",
                              {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h'});
  std::filesystem::permissions(dir.path() / "gorvex.exe", std::filesystem::perms::owner_all);
  stall(int(std::chrono::milliseconds(patience).count()));
  ASSERT_TRUE(eventually([] { return window().waiting; }));  // no pass runs from now on
  const auto start = std::chrono::steady_clock::now();
  std::optional<screen::Ended> ended;
  try {
    app::run_command(app::slot_game);
  } catch (const screen::Ended& e) {
    ended = e;
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(ended.has_value());
  EXPECT_EQ(ended->program, "gorvex.exe");
  // Handed over while the desktop still held the pressed look back, after the whole bound.
  EXPECT_GT(button_1_differing(), 0) << "the hand-over waited for the stalled desktop";
  EXPECT_GE(waited, std::chrono::milliseconds(screen::detail::present_wait_limit_ms));
}

}  // namespace
