#pragma once
// The scale of an X desktop, as players set it: GDK_SCALE (a whole number) or the X resources'
// Xft.dpi. Plain text in, so that it holds no Xlib.

namespace screen::window {

// The desktop's scale in percent: GDK_SCALE when it is a whole number from 1 to 16, else the
// resources' "Xft.dpi:" line (96 is 100 %), else 100. Either may be null.
int desktop_percent(const char* gdk_scale, const char* resources);

}  // namespace screen::window
