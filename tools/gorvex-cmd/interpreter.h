#pragma once
// gorvex-cmd's interpreter: runs the launcher's batch file on systems without a command
// interpreter of their own. It knows `chcp`, `del` and `copy`, one command a line. Paths are
// the system's bytes, passed on unchanged except that "\" between folders becomes "/".

#include <string>
#include <string_view>
#include <vector>

namespace cmd {

// One line taken apart: the command word and its switch letters in lower case, and its other
// words with quotes removed, "%%" made "%" and "\" made "/". A line that cannot be taken apart
// has `error` set; a blank line has an empty `verb`.
struct Line {
  std::string verb;
  std::string switches;
  std::vector<std::string> words;
  std::string error;
};

// What a command left behind: its status (0 or 1) and a message for stderr, maybe empty.
struct Outcome {
  int status = 0;
  std::string message;
};

// One command of a batch file: its line number (from 1) and what the line says.
struct Command {
  int number = 0;
  Line line;
};

// Takes one line (without its line end) apart as the batch interpreter would.
Line parse_line(std::string_view text);

// Takes a whole batch file apart: lines end in LF or CR LF, blank lines are left out.
// Touches nothing outside memory.
std::vector<Command> parse_batch(std::string_view text);

// Runs one line taken apart; a line with an error or no verb does nothing on disk.
Outcome run(const Line& line);

// Runs one line. A blank line gives status 0 and no message.
Outcome run_line(std::string_view text);

// Removes one file. A file that is not there is no failure; a read-only one goes only with
// `force`; a folder is never removed.
Outcome delete_file(const std::string& path, bool force);

// Copies the bytes of the regular file `from` over `to`, creating or emptying it first.
Outcome copy_file(const std::string& from, const std::string& to);

// Runs the batch file at `path` line by line, telling every message on stderr prefixed by the
// file name and line number. Returns the last command's status, or 1 when the file cannot be
// read.
int run_batch(const std::string& path);

}  // namespace cmd
