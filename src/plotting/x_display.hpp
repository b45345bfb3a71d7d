#pragma once
// Whether the X display named by DISPLAY answers, asked once per run through
// Xlib before any screen device is given to PLplot.

namespace kov {

// Opens a connection to the display the first time and keeps it for the run:
// an X server that has no client left resets itself and refuses connections
// for a moment, which would make PLplot's own connection, opened right after,
// fail. False without Xlib.
bool x_display_answers();

// Closes the kept connection (at the end of the run).
void close_x_display();

}  // namespace kov
