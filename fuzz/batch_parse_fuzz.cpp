// libFuzzer target: any bytes as a batch file taken apart by gorvex-cmd's parser, which must
// neither crash nor hand the commands a word that still holds a quote.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/gorvex-cmd/interpreter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  int previous = 0;
  for (const cmd::Command& c : cmd::parse_batch(text)) {
    if (c.number <= previous) std::abort();
    previous = c.number;
    if (!c.line.error.empty()) continue;
    for (const char ch : c.line.verb)
      if (ch >= 'A' && ch <= 'Z') std::abort();
    for (const std::string& word : c.line.words)
      if (word.find_first_of("\"\\\n") != std::string::npos) std::abort();
  }
  return 0;
}
