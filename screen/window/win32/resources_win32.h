#pragma once
// Resource numbers shared by the launcher's resource script and its code.

#define GORVEX_ICON 1
