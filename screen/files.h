#pragma once
// The file table: 254 numbered output files, each with an 8192-byte buffer, written byte for
// byte. Result codes as the screen's: 0 success, 1 illegal call, 2 cannot be opened.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace screen::files {

// The file table: slots 1..254 (0 unused), each free or holding an open output file and the
// bytes not yet written. close_file(0) empties it.
constexpr int file_slots = 254;
struct OpenFile {
  std::FILE* handle = nullptr;
  std::vector<char> buffer;
};
inline std::array<OpenFile, file_slots + 1> file_table;

// Lowest free file number 1..254, or 0 when every slot is in use.
int free_file_number();

// Creates or empties the file and binds it to the free slot `number`.
int open_for_output(std::string_view path, int number);

// Like open_for_output, but only creates: fails with 2 when anything, even a dangling link,
// is already at `path`, so a file is never written through a link someone left there.
int open_new_for_output(std::string_view path, int number);

// Appends the text and CR LF.
int print_line(int number, std::string_view text);

// Writes out and closes the file of `number`; 0 closes every open file.
int close_file(int number);

// Whether a program name ends in ".bat", in any letter case: a batch file.
bool is_batch_file(std::string_view name);

// The path with "\" and "/" turned into this platform's folder separator.
std::string native_path(std::string_view path);

// What a path names, the last link itself rather than what it leads to.
enum class Kind { missing, file, link, folder, other };
Kind path_kind(std::string_view path);

// Size in bytes of the regular file at `path` (links followed), or -1.
std::int64_t file_size(std::string_view path);

// Whether both paths name one existing file.
bool same_file(std::string_view a, std::string_view b);

// Opens a regular file for reading, never waiting on a pipe or device, and gives its size;
// nullptr for anything else or when it cannot be opened.
std::FILE* open_regular(std::string_view path, std::int64_t& size);

// Whether `a` and `b` are regular files holding the same bytes, read side by side in
// 64 KiB blocks; false when either cannot be opened or read to its end.
bool same_contents(std::string_view a, std::string_view b);

// Moves an open file to byte `offset` from its start, files beyond 2 GiB included.
bool seek(std::FILE* f, std::int64_t offset);

// Creates the file for writing, never opening anything that is already there.
std::FILE* create_new(std::string_view path);

// Claims the current folder for one mod installation until the process ends or hands over;
// false while another launcher holds it.
bool claim_current_folder();

}  // namespace screen::files
