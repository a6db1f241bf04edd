#pragma once
// The file table: 254 numbered output files, each with an 8192-byte buffer, written byte for
// byte. Result codes as the screen's: 0 success, 1 illegal call, 2 cannot be opened.

#include <string>
#include <string_view>

namespace screen::files {

// Lowest free file number 1..254, or 0 when every slot is in use.
int free_file_number();

// Creates or empties the file and binds it to the free slot `number`.
int open_for_output(std::string_view path, int number);

// Appends the text and CR LF.
int print_line(int number, std::string_view text);

// Writes out and closes the file of `number`; 0 closes every open file.
int close_file(int number);

// Whether a program name ends in ".bat", in any letter case: a batch file.
bool is_batch_file(std::string_view name);

// The path with "\" and "/" turned into this platform's folder separator.
std::string native_path(std::string_view path);

}  // namespace screen::files
