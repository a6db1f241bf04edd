#pragma once
// Which names temp.bat can carry. A path stands between double quotes in a batch line; the
// line must mean exactly that path to the interpreter, or it is not written at all.

#include <string_view>

namespace app {

enum class NameFault {
  none,
  control,    // a byte below 0x20: CR or LF would start a new batch line
  quote,      // '"' ends the quoted path early
  backslash,  // a "\" inside a folder or file name; the batch language reads it as a separator
  lost,       // letters the batch file's code page cannot hold ('?' or '*' stand in for them)
};

// The first reason why `path` cannot stand in a batch line exactly, or none. With
// `posix_names`, a "\" is a letter of a name (the batch reads it as "/"); otherwise it is the
// separator, and '?' and '*', which no Windows name holds, mark letters lost in conversion.
NameFault batch_name_fault(std::string_view path, bool posix_names);

// The same check for the names of this platform.
NameFault batch_name_fault(std::string_view path);

}  // namespace app
