#pragma once
// The system's own dialogs, one implementation per platform.

#include <string>
#include <string_view>

namespace app {

// A modal open-file dialog titled "Выбири WAD-ник под Gorvex", in the current folder, WAD
// filter first, an existing file only, above `owner` (nullptr: the launcher window). The
// full path in the system's code page (ansi_code_page()), or "" when the user cancels or the
// dialog fails; `no_dialog`, when given, tells whether no dialog could be shown at all.
// Windows: a name without an exact form there comes as its short 8.3 form when that has one,
// else with '?' for the lost letters.
std::string choose_wad(void* owner, bool* no_dialog = nullptr);

// A modal information box with one OK button, above the launcher window where the system
// allows; returns when it is closed.
// Text and caption are CP1251.
void show_message_box(std::string_view text, std::string_view caption);

// Tells the user that no window could be opened (the launcher then ends with status 1).
void report_no_window(std::string_view reason);

}  // namespace app
