// The file table, files and processes of the system, and the batch file's lines.

#include <sys/stat.h>

#include "app/launcher.h"
#include "screen/files.h"
#include "screen/process.h"
#include "tests/test_support.h"

namespace {

using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;
namespace files = screen::files;

TEST(FileTable, NumbersAreTakenAndFreed) {
  TempDir dir(true);
  EXPECT_EQ(files::free_file_number(), 1);
  ASSERT_EQ(files::open_for_output("a.txt", 1), 0);
  EXPECT_EQ(files::free_file_number(), 2);
  EXPECT_EQ(files::open_for_output("b.txt", 1), 1);  // slot in use
  EXPECT_EQ(files::open_for_output("b.txt", 0), 1);
  EXPECT_EQ(files::open_for_output("b.txt", 255), 1);
  EXPECT_EQ(files::open_for_output("no/such/folder/c.txt", 2), 2);
  EXPECT_EQ(files::print_line(2, "x"), 1);  // the failed open left the slot free
  EXPECT_EQ(files::close_file(2), 1);
  EXPECT_EQ(files::close_file(1), 0);
  EXPECT_EQ(files::free_file_number(), 1);
  EXPECT_EQ(files::print_line(1, "x"), 1);
}

TEST(FileTable, LinesEndInCrLfAndReachTheDiskWhole) {
  TempDir dir(true);
  write_file("old.bat", std::vector<std::uint8_t>(100, 'z'));
  ASSERT_EQ(files::open_for_output("old.bat", 3), 0);
  EXPECT_TRUE(read_file("old.bat").empty());  // emptied before the first line
  files::print_line(3, "chcp 1251");
  files::close_file(3);
  const auto bytes = read_file("old.bat");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "chcp 1251\r\n");

  // "\" separates folders; on POSIX ".." is taken from the folder as it exists, so a path
  // through a missing one cannot be opened.
  EXPECT_EQ(files::open_for_output("missing\\..\\big.txt", 4), 2);
  std::filesystem::create_directory("sub");
  ASSERT_EQ(files::open_for_output("sub\\..\\big.txt", 4), 0);
  ASSERT_EQ(files::open_for_output("big2.txt", 5), 0);
  const std::string line(1000, 'q');
  for (int i = 0; i < 20; ++i) files::print_line(4, line);
  files::print_line(5, "");
  files::close_file(0);  // closes every file, writing out the buffers
  EXPECT_EQ(read_file("big.txt").size(), 20u * 1002u);
  EXPECT_EQ(read_file("big2.txt").size(), 2u);
}

TEST(FileContents, SameBytesOnlyInRegularFilesReadToTheEnd) {
  TempDir dir(true);
  std::vector<std::uint8_t> level(3 * 64 * 1024 + 5);
  for (std::size_t i = 0; i < level.size(); ++i) level[i] = std::uint8_t(i * 7 + i / 251);
  write_file("a.wad", level);
  write_file("b.wad", level);
  EXPECT_TRUE(files::same_contents("a.wad", "b.wad"));
  EXPECT_TRUE(files::same_contents("a.wad", "a.wad"));
  level[64 * 1024] ^= 0x80;  // the first byte of the second block
  write_file("b.wad", level);
  EXPECT_FALSE(files::same_contents("a.wad", "b.wad"));
  level.pop_back();
  write_file("a.wad", level);
  level[64 * 1024] ^= 0x80;
  write_file("b.wad", level);
  EXPECT_FALSE(files::same_contents("a.wad", "b.wad"));  // one byte shorter, else equal
  write_file("e1", {});
  write_file("e2", {});
  EXPECT_TRUE(files::same_contents("e1", "e2"));
  EXPECT_FALSE(files::same_contents("e1", "missing"));
  EXPECT_FALSE(files::same_contents("missing", "missing"));
  // A pipe is never waited on, a folder is no file.
  ASSERT_EQ(mkfifo("pipe", 0600), 0);
  EXPECT_FALSE(files::same_contents("pipe", "e1"));
  EXPECT_FALSE(files::same_contents("e1", "pipe"));
  std::filesystem::create_directory("folder");
  EXPECT_FALSE(files::same_contents("folder", "folder"));
}

TEST(Processes, FoldersAndDeletion) {
  TempDir dir(true);
  EXPECT_EQ(screen::get_launcher_directory() + "/" +
                screen::executable_path().substr(screen::get_launcher_directory().size() + 1),
            screen::executable_path());
  EXPECT_EQ(screen::change_directory((dir.path() / "missing").string()), -1);
  EXPECT_EQ(screen::change_directory(dir.path().string()), 0);
  EXPECT_EQ(screen::delete_file("nothing.txt"), 2);
  EXPECT_EQ(screen::delete_file(""), 0);
  write_file("x.txt", {1});
  EXPECT_EQ(screen::delete_file("x.txt"), 0);
  EXPECT_FALSE(std::filesystem::exists("x.txt"));
  std::filesystem::create_directory("d.txt");
  EXPECT_EQ(screen::delete_file("d.txt"), 3);
}

TEST(Processes, StartingProgramsRelativeToTheCurrentFolder) {
  TempDir dir(true);
  EXPECT_EQ(screen::run_and_wait("ls", ""), -1);  // never found on the search path
  EXPECT_EQ(screen::run_and_wait("", ""), -1);
  EXPECT_EQ(screen::hand_over("missing.exe", "-a b"), -1);
  const std::string script = "#!/bin/sh\n[ \"$1\" = CFG/x.cnf ] && [ $# = 2 ] && exit 7\nexit 1\n";
  write_file("prog", std::vector<std::uint8_t>(script.begin(), script.end()));
  std::filesystem::permissions("prog", std::filesystem::perms::owner_all);
  EXPECT_EQ(screen::run_and_wait("prog", "CFG\\x.cnf  second"), 7);
  std::filesystem::create_directory("temp.bat");  // a batch that is no regular file
  EXPECT_EQ(screen::run_and_wait("temp.bat", ""), -1);
}

TEST(BatchFile, LinesQuoteEveryPathAndDoublePercentSigns) {
  const app::BatchLines b = app::batch_lines("C:", "D:\\Levels\\my level.wad", 1251);
  EXPECT_EQ(b.code_page, "chcp 1251");
  EXPECT_EQ(b.remove, "del /f /q \"C:\\roms\\temp.wad\"");
  EXPECT_EQ(b.copy, "copy /y \"D:\\Levels\\my level.wad\" \"C:\\roms\\temp.wad\"");
  const app::BatchLines cancelled = app::batch_lines("/g/100%", "", 65001);
  EXPECT_EQ(cancelled.code_page, "chcp 65001");
  EXPECT_EQ(cancelled.copy, "copy /y \"\" \"/g/100%%\\roms\\temp.wad\"");
  EXPECT_EQ(app::batch_lines("d", "50%off&.wad", 1251).copy,
            "copy /y \"50%%off&.wad\" \"d\\roms\\temp.wad\"");
}

TEST(Failures, UnknownCodesReturnAndKnownOnesEndTheProgram) {
  app::report_failure("nofile");
  app::report_failure("");
  EXPECT_EXIT(app::report_failure("NoTRun"), ::testing::ExitedWithCode(0),
              "message box: Такая вышла бОтва!: Что-то не так! Временный файл не запускается");
  EXPECT_EXIT(app::report_failure("NoTDel"), ::testing::ExitedWithCode(0),
              "Временный файл не удаляется");
}

}  // namespace
