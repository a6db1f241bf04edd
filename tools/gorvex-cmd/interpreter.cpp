// The batch interpreter. A line goes through the stages of the real one, in its order:
// "%" expansion over the whole line, then splitting into words at blanks outside quotes.

#include "tools/gorvex-cmd/interpreter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cmd {

namespace {

// The launcher's batch file has a few hundred bytes; anything far larger is not one.
constexpr std::size_t max_batch_size = 1 << 20;

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

bool is_blank_line(std::string_view text) {
  for (const char c : text)
    if (!is_blank(c)) return false;
  return true;
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string quoted(const std::string& path) {
  return "\"" + path + "\"";
}

std::string failure(const std::string& what, const std::string& path) {
  return what + " " + quoted(path) + ": " + std::strerror(errno);
}

// "%%" becomes "%". A lone "%" would start a variable, which this interpreter does not know.
bool expand_percents(std::string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '%') {
      out += '%';
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

// Writes all of `data`; false on a write error.
bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    data += n;
    size -= std::size_t(n);
  }
  return true;
}

// Copies from `in` to `out` until the end of `in`; false on an error, with errno set.
bool pump(int in, int out) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!write_all(out, buffer.data(), std::size_t(n))) return false;
  }
}

// Opens a file for reading without blocking on a pipe, and only if it is a regular file.
int open_regular(const std::string& path, std::string& message, const char* what) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    message = failure("cannot open " + std::string(what), path);
    return -1;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    message = std::string(what) + " " + quoted(path) + " is not a file";
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, 0);
  return fd;
}

bool only_switches(const Line& line, std::string_view allowed) {
  for (const char s : line.switches)
    if (allowed.find(s) == std::string_view::npos) return false;
  return true;
}

bool all_digits(const std::string& word) {
  if (word.empty() || word.size() > 5) return false;
  for (const char c : word)
    if (c < '0' || c > '9') return false;
  return true;
}

Outcome error(std::string message) {
  return {1, std::move(message)};
}

}  // namespace

Line parse_line(std::string_view text) {
  Line line;
  std::string expanded;
  if (text.find('\0') != std::string_view::npos) {
    line.error = "a zero byte in the line";
    return line;
  }
  if (!expand_percents(text, expanded)) {
    line.error = "a lone \"%\" (variables are not supported; write \"%%\" for \"%\")";
    return line;
  }
  std::size_t i = 0;
  bool first = true;
  while (i < expanded.size()) {
    if (is_blank(expanded[i])) {
      ++i;
      continue;
    }
    // One word: up to a blank outside quotes; a quote toggles quoting and is dropped.
    std::string word;
    bool in_quotes = false;
    bool was_quoted = false;
    for (; i < expanded.size() && (in_quotes || !is_blank(expanded[i])); ++i) {
      const char c = expanded[i];
      if (c == '"') {
        in_quotes = !in_quotes;
        was_quoted = true;
      } else if (!in_quotes && std::strchr("&|<>^", c) != nullptr) {
        line.error = std::string("\"") + c + "\" outside quotes is not supported";
        return line;
      } else {
        word += c;
      }
    }
    if (first) {
      for (char& c : word) c = lower(c);
      line.verb = word;
      first = false;
    } else if (!was_quoted && word.size() == 2 && word[0] == '/') {
      line.switches += lower(word[1]);
    } else {
      for (char& c : word)
        if (c == '\\') c = '/';
      line.words.push_back(std::move(word));
    }
  }
  return line;
}

Outcome delete_file(const std::string& path, bool force) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return {0, "Could Not Find " + path};
    return error(failure("del: cannot reach", path));
  }
  if (!force && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0)
    return error("del: " + quoted(path) + " is read-only; not deleted without /f");
  if (unlink(path.c_str()) == 0) return {};
  if (errno == ENOENT) return {0, "Could Not Find " + path};
  return error(failure("del: cannot delete", path));
}

Outcome copy_file(const std::string& from, const std::string& to) {
  if (from.empty()) return error("copy: no source file named");
  if (to.empty()) return error("copy: no target file named");
  Outcome out{1, {}};
  const int in = open_regular(from, out.message, "source");
  if (in < 0) return error("copy: " + out.message);
  // Opened without emptying, so that a copy onto itself is caught before it destroys the file.
  const int target = open(to.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (target < 0) {
    out.message = failure("copy: cannot write", to);
    close(in);
    return out;
  }
  struct stat source_st {};
  struct stat target_st {};
  fstat(in, &source_st);
  if (fstat(target, &target_st) != 0 || !S_ISREG(target_st.st_mode)) {
    out.message = "copy: target " + quoted(to) + " is not a file";
  } else if (source_st.st_dev == target_st.st_dev && source_st.st_ino == target_st.st_ino) {
    out.message = "copy: " + quoted(from) + " cannot be copied onto itself";
  } else if (ftruncate(target, 0) != 0 || !pump(in, target)) {
    out.message = failure("copy: cannot copy to", to);
    unlink(to.c_str());
  } else {
    out.status = 0;
  }
  close(in);
  if (close(target) != 0 && out.status == 0) {
    out = error(failure("copy: cannot finish", to));
    unlink(to.c_str());
  }
  return out;
}

std::vector<Command> parse_batch(std::string_view text) {
  std::vector<Command> commands;
  std::size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    if (!is_blank_line(line)) commands.push_back({number, parse_line(line)});
  }
  return commands;
}

Outcome run_line(std::string_view text) {
  if (is_blank_line(text)) return {};
  return run(parse_line(text));
}

Outcome run(const Line& line) {
  if (!line.error.empty()) return error(line.error);
  if (line.verb == "chcp") {
    if (!line.switches.empty() || line.words.size() != 1 || !all_digits(line.words[0]))
      return error("chcp: one code page number expected");
    return {};
  }
  if (line.verb == "del") {
    if (!only_switches(line, "fq") || line.words.size() != 1 || line.words[0].empty())
      return error("del: expected [/f] [/q] and one file");
    return delete_file(line.words[0], line.switches.find('f') != std::string::npos);
  }
  if (line.verb == "copy") {
    if (!only_switches(line, "y") || line.words.size() != 2)
      return error("copy: expected [/y], a source and a target file");
    return copy_file(line.words[0], line.words[1]);
  }
  return error("unknown command \"" + line.verb + "\"");
}

int run_batch(const std::string& path) {
  std::string message;
  const int fd = open_regular(path, message, "batch file");
  std::string text;
  if (fd >= 0) {
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) != 0 && text.size() <= max_batch_size) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        message = failure("cannot read batch file", path);
        break;
      }
      text.append(buffer, std::size_t(n));
    }
    if (text.size() > max_batch_size) message = "batch file " + quoted(path) + " is too large";
    close(fd);
  }
  if (!message.empty()) {
    std::fprintf(stderr, "gorvex-cmd: %s\n", message.c_str());
    return 1;
  }
  int status = 0;
  for (const Command& command : parse_batch(text)) {
    const Outcome outcome = run(command.line);
    status = outcome.status;
    if (!outcome.message.empty())
      std::fprintf(stderr, "gorvex-cmd: %s:%d: %s\n", path.c_str(), command.number,
                   outcome.message.c_str());
  }
  return status;
}

}  // namespace cmd
