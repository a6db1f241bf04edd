#pragma once
// The headless build's stand-ins for the system dialogs, scripted by tests.

#include <optional>
#include <string>

namespace app::fake_dialogs {

// The path the next open-file dialog "chooses"; unset means the user cancels.
inline std::optional<std::string> next_wad;

}  // namespace app::fake_dialogs
