// On an X display, the window can also go without a close request: its
// connection killed (xkill, a window manager giving up on it) or the window
// destroyed by another client.  Both then end the show like a close.
#pragma once

#include <SDL.h>

// Calls `gone` (which must not return) when the window's X connection or
// the window itself is lost.  Does nothing on other window systems.
void watch_window_loss(SDL_Window* window, void (*gone)());
// Back to the handlers there were, before the window is closed on purpose.
void stop_watching_window_loss();
