// gorvex-cmd: lines taken apart, commands run in a scratch folder, and the program itself run
// on whole batch files for its exit status and messages.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tools/gorvex-cmd/interpreter.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A folder name that has everything a path may carry: blanks, Cyrillic, "&" and "%".
const std::string odd_name = "Мои игры & 100%";

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_file(const fs::path& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

// "%" written as the launcher writes it into a batch file.
std::string doubled(const std::string& path) {
  std::string out;
  for (const char c : path) out += c == '%' ? "%%" : std::string(1, c);
  return out;
}

// Every byte value, line ends among them, over more than one read buffer.
std::string binary_content(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = char((i * 7 + i / 256) & 0xff);
  return s;
}

struct Ended {
  int status = -1;
  std::string err;
};

class CmdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/gorvex-cmd-test-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir = name;
    odd = dir / odd_name;
    fs::create_directories(odd / "roms");
    home = fs::current_path();
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(home);
    fs::remove_all(dir);
  }

  // Runs gorvex-cmd with `args` in the scratch folder, stderr caught; gives up after 10 s.
  Ended run_program(const std::vector<std::string>& args) const {
    const std::string err_path = dir / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> words{GORVEX_CMD};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    Ended run;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "gorvex-cmd did not end within 10 s";
        return run;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = read_file(err_path);
    return run;
  }

  Ended run_batch_text(const std::string& text) const {
    write_file(dir / "temp.bat", text);
    return run_program({(dir / "temp.bat").string()});
  }

  fs::path home;
  fs::path dir;  // current while the test runs
  fs::path odd;  // holds an empty roms folder
};

TEST(ParseLine, QuotedPathsArriveByteForByte) {
  const cmd::Line line =
      cmd::parse_line("COPY /Y \"/g/My Game & 100%%/Карты/50%%off.wad\" \"C:\\roms\\temp.wad\"");
  EXPECT_EQ(line.error, "");
  EXPECT_EQ(line.verb, "copy");
  EXPECT_EQ(line.switches, "y");
  ASSERT_EQ(line.words.size(), 2u);
  EXPECT_EQ(line.words[0], "/g/My Game & 100%/Карты/50%off.wad");
  EXPECT_EQ(line.words[1], "C:/roms/temp.wad");
}

TEST(ParseLine, BareWordsSwitchesAndQuotes) {
  cmd::Line line = cmd::parse_line("\tdel  /F\t/q roms\\temp.wad  ");
  EXPECT_EQ(line.switches, "fq");
  EXPECT_EQ(line.words, std::vector<std::string>{"roms/temp.wad"});
  // A longer word after "/" is an absolute path; a quoted "/f" is a file name.
  line = cmd::parse_line("del /tmp/a \"/f\"");
  EXPECT_EQ(line.switches, "");
  EXPECT_EQ(line.words, (std::vector<std::string>{"/tmp/a", "/f"}));
  line = cmd::parse_line("copy /y \"\" x\"y z\"w");
  EXPECT_EQ(line.words, (std::vector<std::string>{"", "xy zw"}));
  EXPECT_EQ(cmd::parse_line("del \"open end ").words, std::vector<std::string>{"open end "});
}

TEST(ParseLine, RefusesWhatItCannotMean) {
  EXPECT_NE(cmd::parse_line("del \"50%off.wad\"").error, "");  // would be a variable
  EXPECT_NE(cmd::parse_line("del a&b").error, "");
  EXPECT_NE(cmd::parse_line("del a | b").error, "");
  EXPECT_NE(cmd::parse_line("copy a > b").error, "");
  EXPECT_NE(cmd::parse_line(std::string_view("del a\0b", 7)).error, "");
  EXPECT_EQ(cmd::parse_line("del \"a & b | c > d ^\"").error, "");
}

TEST(RunLine, KnowsExactlyTheBatchCommands) {
  EXPECT_EQ(cmd::run_line("chcp 65001").status, 0);
  EXPECT_EQ(cmd::run_line("CHCP 1251").status, 0);
  EXPECT_EQ(cmd::run_line("   ").status, 0);
  for (const char* bad : {"chcp", "chcp utf8", "chcp /y 1251", "echo hi", "@echo off", "\"\" x",
                          "del", "del /s x", "del a b", "copy /y a", "copy /b a b", "copy a b c"}) {
    const cmd::Outcome out = cmd::run_line(bad);
    EXPECT_EQ(out.status, 1) << bad;
    EXPECT_NE(out.message, "") << bad;
  }
}

TEST_F(CmdTest, DelRemovesReadOnlyFilesOnlyWithForce) {
  const fs::path file = odd / "roms" / "temp.wad";
  write_file(file, "old");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
  const std::string line = " \"" + doubled(file.string()) + "\"";
  EXPECT_EQ(cmd::run_line("del /q" + line).status, 1);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(cmd::run_line("del /f /q" + line).status, 0);
  EXPECT_FALSE(fs::exists(file));
  // Nothing left to delete is no failure, but it is told.
  const cmd::Outcome again = cmd::run_line("del /f /q" + line);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.message, "Could Not Find " + file.string());
  EXPECT_EQ(cmd::run_line("del /f /q \"" + (dir / "none" / "x").string() + "\"").status, 0);
}

TEST_F(CmdTest, DelNeverRemovesAFolder) {
  EXPECT_EQ(cmd::delete_file((odd / "roms").string(), true).status, 1);
  EXPECT_TRUE(fs::is_directory(odd / "roms"));
}

TEST_F(CmdTest, CopyIsByteExactAndOverwrites) {
  const fs::path source = odd / "50%off & Карта.wad";
  const fs::path target = odd / "roms" / "temp.wad";
  const std::string content = binary_content(200000);
  write_file(source, content);
  write_file(target, binary_content(300000) + "longer than the source");
  const cmd::Outcome out = cmd::run_line("copy /y \"" + doubled(source.string()) + "\" \"" +
                                         doubled(target.string()) + "\"");
  EXPECT_EQ(out.status, 0) << out.message;
  EXPECT_EQ(read_file(target), content);
  // Bare paths with "\" between folders, relative to the current folder.
  write_file(dir / "a.wad", "bare");
  fs::create_directory(dir / "Мои");
  EXPECT_EQ(cmd::run_line("copy a.wad Мои\\new.wad").status, 0);
  EXPECT_EQ(read_file(dir / "Мои" / "new.wad"), "bare");
}

TEST_F(CmdTest, CopyFailuresLeaveTheFilesAlone) {
  const std::string source = (odd / "level.wad").string();
  const std::string target = (odd / "roms" / "temp.wad").string();
  write_file(source, "level");
  EXPECT_EQ(cmd::copy_file((odd / "missing.wad").string(), target).status, 1);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(cmd::copy_file(source, (odd / "none" / "temp.wad").string()).status, 1);
  EXPECT_EQ(cmd::copy_file((odd / "roms").string(), target).status, 1);
  EXPECT_EQ(cmd::copy_file(source, (odd / "roms").string()).status, 1);
  write_file(target, "old");
  EXPECT_EQ(cmd::run_line("copy /y \"\" \"" + doubled(target) + "\"").status, 1);
  EXPECT_EQ(read_file(target), "old");
  // A copy onto itself, however spelt, must not empty the file.
  EXPECT_EQ(cmd::copy_file(source, (odd / "." / "level.wad").string()).status, 1);
  EXPECT_EQ(read_file(source), "level");
}

TEST_F(CmdTest, RunsTheLaunchersBatchFile) {
  const fs::path wad = odd / "Карты" / "50%off & more.wad";
  fs::create_directories(wad.parent_path());
  write_file(wad, binary_content(70000));
  write_file(odd / "roms" / "temp.wad", "old level");
  const std::string d = doubled(odd.string());
  const std::string del = "del /f /q \"" + d + "\\roms\\temp.wad\"\r\n";
  const Ended run = run_batch_text("chcp 65001\r\n" + del + "copy /y \"" + doubled(wad.string()) +
                                   "\" \"" + d + "\\roms\\temp.wad\"\r\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(read_file(odd / "roms" / "temp.wad"), binary_content(70000));
  EXPECT_EQ(std::distance(fs::directory_iterator(odd / "roms"), fs::directory_iterator()), 1);

  // The dialog cancelled: the old copy goes, the copy fails, and so does the run.
  const Ended cancelled =
      run_batch_text("chcp 65001\r\n" + del + "copy /y \"\" \"" + d + "\\roms\\temp.wad\"\r\n");
  EXPECT_EQ(cancelled.status, 1);
  EXPECT_FALSE(fs::exists(odd / "roms" / "temp.wad"));
  EXPECT_NE(cancelled.err.find("temp.bat:3:"), std::string::npos) << cancelled.err;
}

TEST_F(CmdTest, ExitStatusIsTheLastCommands) {
  Ended run = run_batch_text("bogus line\r\n\r\n  \r\nchcp 65001\r\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("temp.bat:1: unknown command \"bogus\""), std::string::npos) << run.err;
  EXPECT_EQ(run_batch_text("chcp 65001\ncopy /y missing.wad x.wad\n").status, 1);
  EXPECT_EQ(run_batch_text("copy /y missing.wad x.wad\ndel /f /q missing.wad").status, 0);
  EXPECT_EQ(run_batch_text("chcp 65001\nunknown").status, 1);  // a last line without its end
  EXPECT_EQ(run_batch_text("").status, 0);
}

TEST_F(CmdTest, UnreadableBatchFilesFail) {
  Ended run = run_program({(dir / "missing.bat").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing.bat"), std::string::npos);
  EXPECT_EQ(run_program({odd.string()}).status, 1);
  EXPECT_EQ(run_program({}).status, 1);
  // A pipe as batch file or as source is refused at once, not waited on.
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(run_program({(dir / "pipe").string()}).status, 1);
  EXPECT_EQ(run_batch_text("copy \"" + (dir / "pipe").string() + "\" x.wad\r\n").status, 1);
}

}  // namespace

namespace {

TEST(ParseBatch, NumbersEveryLineAndLeavesBlankOnesOut) {
  const auto commands =
      cmd::parse_batch("chcp 65001\r\n\r\n  \ndel /f /q \"a\\b\"\r\ncopy /y \"x\" \"y\"");
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0].number, 1);
  EXPECT_EQ(commands[0].line.words, std::vector<std::string>{"65001"});
  EXPECT_EQ(commands[1].number, 4);
  EXPECT_EQ(commands[1].line.words, std::vector<std::string>{"a/b"});
  EXPECT_EQ(commands[2].number, 5);
  EXPECT_EQ(commands[2].line.verb, "copy");
  // A CR inside a line is no line end: it stays in the word.
  EXPECT_EQ(cmd::parse_batch("del \"a\rb\"\r\n")[0].line.words, std::vector<std::string>{"a\rb"});
  EXPECT_TRUE(cmd::parse_batch("").empty());
}

}  // namespace
