#pragma once
// The toolkit state: its version banner. The text settings it draws with are text::text_state.

#include <string>

namespace gui {

struct ToolkitState {
  std::string version_text;
};

inline ToolkitState toolkit;

}  // namespace gui
