#pragma once
// The headless build's stand-ins for the system dialogs, scripted by tests.

#include <optional>
#include <string>
#include <vector>

namespace app::fake_dialogs {

// The path the next open-file dialog "chooses"; unset means the user cancels.
inline std::optional<std::string> next_wad;
// Whether the system has no file dialog to show.
inline bool no_dialog = false;

// Every message box shown, as its caption and text (CP1251), oldest first.
struct Box {
  std::string caption, text;
};
inline std::vector<Box> boxes;

}  // namespace app::fake_dialogs
