// Installing an add-on level: names the batch cannot carry, temp.bat never written through
// what lies in its place, and a copy that did not happen. The process boundary is rehearsed,
// so a hand-over or an end shows up as screen::Ended.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/fake_dialogs.h"
#include "app/launcher.h"
#include "app/names.h"
#include "app/texts.h"
#include "screen/process.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using app::NameFault;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

std::vector<std::uint8_t> bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

TEST(BatchNames, RefusesWhatWouldChangeTheLineOrThePath) {
  using app::batch_name_fault;
  for (const bool posix : {true, false}) {
    EXPECT_EQ(batch_name_fault("", posix), NameFault::none);
    EXPECT_EQ(batch_name_fault("/g/Игры & 100% fun/x!^.wad", posix), NameFault::none);
    EXPECT_EQ(batch_name_fault("x\ndel \"v\".wad", posix), NameFault::control);
    EXPECT_EQ(batch_name_fault("a\rb", posix), NameFault::control);
    EXPECT_EQ(batch_name_fault("tab\there", posix), NameFault::control);
    EXPECT_EQ(batch_name_fault(std::string_view("nul\0x", 5), posix), NameFault::control);
    EXPECT_EQ(batch_name_fault("\x1f", posix), NameFault::control);
    EXPECT_EQ(batch_name_fault("ga\"me", posix), NameFault::quote);
  }
  // A POSIX name may hold "\", which the batch would read as a separator.
  EXPECT_EQ(batch_name_fault("/g/w\\..", true), NameFault::backslash);
  EXPECT_EQ(batch_name_fault("C:\\Games\\G", false), NameFault::none);
  // Windows names hold no "?" or "*": they stand for letters lost in conversion.
  EXPECT_EQ(batch_name_fault("/g/what?.wad", true), NameFault::none);
  EXPECT_EQ(batch_name_fault("C:\\???.wad", false), NameFault::lost);
  EXPECT_EQ(batch_name_fault("C:\\a*.wad", false), NameFault::lost);
}

// A game folder with a stand-in emulator and gorvex-cmd, an older level installed, and a
// victim folder beside it that nothing may touch.
class Install : public ::testing::Test {
 protected:
  TempDir temp;
  fs::path game = temp.path() / "game";
  fs::path victim = temp.path() / "victim";
  fs::path installed = game / "roms" / "temp.wad";
  fs::path previous = fs::current_path();  // the command makes the game folder current

  void SetUp() override {
    make_game(game);
    fs::create_directories(victim);
    write_file(victim / "important", bytes("keep me"));
    app::fake_dialogs::boxes.clear();
    app::fake_dialogs::next_wad.reset();
    screen::boundary = {true, {}};
  }
  void TearDown() override {
    screen::boundary = {};
    app::fake_dialogs::next_wad.reset();
    fs::current_path(previous);
  }

  void make_game(const fs::path& folder) {
    fs::create_directories(folder / "roms");
    write_file(folder / "gorvex.exe", bytes("#!/bin/sh\n"));
    fs::permissions(folder / "gorvex.exe", fs::perms::owner_all);
    fs::create_symlink(GORVEX_CMD, folder / "gorvex-cmd");
    write_file(folder / "roms" / "temp.wad", bytes("the older level"));
    game = folder;
    installed = folder / "roms" / "temp.wad";
  }

  // Runs the mod command with this dialog answer; what ended it.
  screen::Ended install(std::optional<std::string> chosen) {
    app::fake_dialogs::next_wad = std::move(chosen);
    screen::boundary.launcher_directory = game.string();
    try {
      app::install_mod();
    } catch (const screen::Ended& e) {
      return e;
    }
    ADD_FAILURE() << "install_mod returned";
    return {};
  }

  std::string level(const fs::path& p) {
    const auto b = read_file(p);
    return {b.begin(), b.end()};
  }
  bool handed_over(const screen::Ended& e) const {
    return e.program == "gorvex.exe" && e.arguments == "-noconsole -conf CFG\\plusmod.cnf";
  }
  std::string box_text() const {
    return app::fake_dialogs::boxes.size() == 1 ? app::fake_dialogs::boxes[0].text : "";
  }
  void expect_untouched() {
    EXPECT_EQ(level(installed), "the older level");
    EXPECT_FALSE(fs::exists(fs::symlink_status(game / "temp.bat")));
    EXPECT_EQ(level(victim / "important"), "keep me");
  }
};

TEST_F(Install, CopiesTheChosenLevelAndHandsOver) {
  const fs::path wad = temp.path() / "50%off & Игра.wad";
  write_file(wad, bytes("a new level"));
  const screen::Ended e = install(wad.string());
  EXPECT_TRUE(handed_over(e)) << e.program << " " << e.arguments;
  EXPECT_EQ(level(installed), "a new level");
  EXPECT_FALSE(fs::exists(game / "temp.bat"));
  EXPECT_TRUE(app::fake_dialogs::boxes.empty());
}

TEST_F(Install, HostileNamesAreRefusedBeforeAnythingChanges) {
  const std::string attacks[] = {
      "x\ndel \"" + (victim / "important").string() + "\n.wad",
      "y\rcopy.wad",
      "q\"uote.wad",
      "sub\\lvl.wad",
  };
  fs::create_directories(temp.path() / "sub");
  write_file(temp.path() / "sub" / "lvl.wad", bytes("a different level"));
  for (const std::string& name : attacks) {
    const fs::path wad = temp.path() / name;
    write_file(wad, bytes("an attacker's level"));
    app::fake_dialogs::boxes.clear();
    const screen::Ended e = install(wad.string());
    EXPECT_EQ(e.program, "") << name;
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(box_text().rfind(std::string(app::texts::bad_wad_name.view()), 0), 0u) << name;
    expect_untouched();
  }
}

TEST_F(Install, GameFoldersWithQuotesOrBackslashesAreRefused) {
  for (const std::string name : {"w\\..", "ga\"me"}) {
    make_game(temp.path() / name / "inner");
    const fs::path wad = temp.path() / "level.wad";
    write_file(wad, bytes("a new level"));
    app::fake_dialogs::boxes.clear();
    const screen::Ended e = install(wad.string());
    EXPECT_EQ(e.program, "") << name;
    EXPECT_EQ(box_text().rfind(std::string(app::texts::bad_folder_name.view()), 0), 0u);
    expect_untouched();
  }
}

TEST_F(Install, TempBatIsNeverWrittenThroughWhatLiesInItsPlace) {
  const fs::path wad = temp.path() / "level.wad";
  write_file(wad, bytes("a new level"));
  fs::create_symlink(victim / "important", game / "temp.bat");
  EXPECT_TRUE(handed_over(install(wad.string())));
  fs::create_symlink(victim / "created", game / "temp.bat");  // dangling
  EXPECT_TRUE(handed_over(install(wad.string())));
  EXPECT_EQ(level(victim / "important"), "keep me");
  EXPECT_FALSE(fs::exists(fs::symlink_status(victim / "created")));
  EXPECT_EQ(level(installed), "a new level");

  fs::create_directory(game / "temp.bat");
  const screen::Ended e = install(wad.string());
  EXPECT_EQ(e.program, "");
  EXPECT_EQ(box_text(), app::texts::no_run_text.view());
  EXPECT_TRUE(fs::is_directory(game / "temp.bat"));
}

TEST_F(Install, ACopyThatDidNotHappenIsReported) {
  // roms/ is a file: the copy cannot land.
  fs::remove_all(game / "roms");
  write_file(game / "roms", bytes("not a folder"));
  const fs::path wad = temp.path() / "level.wad";
  write_file(wad, bytes("a new level"));
  const screen::Ended e = install(wad.string());
  EXPECT_EQ(e.program, "");
  EXPECT_EQ(box_text(), app::texts::no_copy_text.view());
  EXPECT_EQ(level(game / "roms"), "not a folder");
  EXPECT_FALSE(fs::exists(game / "temp.bat"));

  // A pipe as the chosen level is refused before the older level goes.
  fs::remove(game / "roms");
  fs::create_directory(game / "roms");
  write_file(installed, bytes("the older level"));
  ASSERT_EQ(mkfifo((temp.path() / "pipe.wad").c_str(), 0600), 0);
  app::fake_dialogs::boxes.clear();
  EXPECT_EQ(install((temp.path() / "pipe.wad").string()).program, "");
  EXPECT_EQ(box_text(), app::texts::no_copy_text.view());
  expect_untouched();
}

// A copy step that leaves the older level in place, as on a read-only roms/ or with the
// level held open by another program.
void copy_leaves_old_level(const fs::path& game) {
  fs::remove(game / "gorvex-cmd");
  write_file(game / "gorvex-cmd", bytes("#!/bin/sh\nexit 0\n"));
  fs::permissions(game / "gorvex-cmd", fs::perms::owner_all);
}

TEST_F(Install, AnOlderLevelOfTheSameLengthLeftInPlaceIsNoCopy) {
  copy_leaves_old_level(game);
  const fs::path wad = temp.path() / "level.wad";
  write_file(wad, bytes("the newer level"));  // as long as the older one
  const screen::Ended e = install(wad.string());
  EXPECT_EQ(e.program, "");
  EXPECT_EQ(box_text(), app::texts::no_copy_text.view());
  expect_untouched();
}

TEST_F(Install, LevelsAreComparedToTheirLastByte) {
  std::vector<std::uint8_t> content(200 * 1024 + 1);
  std::uint32_t noise = 7;
  for (std::uint8_t& b : content) b = std::uint8_t((noise = noise * 1103515245u + 12345u) >> 24);
  // Whole 64 KiB blocks and a short last one both arrive whole.
  for (const std::size_t size : {std::size_t(128 * 1024), content.size()}) {
    const fs::path wad = temp.path() / ("level" + std::to_string(size) + ".wad");
    write_file(wad, {content.begin(), content.begin() + std::ptrdiff_t(size)});
    EXPECT_TRUE(handed_over(install(wad.string())));
    EXPECT_EQ(read_file(installed), read_file(wad));
  }
  // An older level that differs in its last byte only is no copy of the chosen one.
  copy_leaves_old_level(game);
  content.back() ^= 1;
  write_file(installed, content);
  const fs::path wad = temp.path() / ("level" + std::to_string(content.size()) + ".wad");
  const screen::Ended e = install(wad.string());
  EXPECT_EQ(e.program, "");
  EXPECT_EQ(box_text(), app::texts::no_copy_text.view());
  EXPECT_EQ(read_file(installed), content);
}

TEST_F(Install, TheInstalledLevelChosenAgainStaysAndACancelRemovesIt) {
  EXPECT_TRUE(handed_over(install(installed.string())));
  EXPECT_EQ(level(installed), "the older level");
  EXPECT_TRUE(handed_over(install(std::nullopt)));
  EXPECT_FALSE(fs::exists(installed));
}

TEST_F(Install, AnotherLauncherInstallingInTheFolderIsWaitedOutWithABox) {
  const int other = open(game.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  const fs::path wad = temp.path() / "level.wad";
  write_file(wad, bytes("a new level"));
  const screen::Ended e = install(wad.string());
  close(other);
  EXPECT_EQ(e.program, "");
  EXPECT_EQ(box_text(), app::texts::busy_text.view());
  expect_untouched();
}

}  // namespace
