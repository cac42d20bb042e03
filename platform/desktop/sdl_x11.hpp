// On an X display, the window can also go without a close request: its
// connection killed (xkill, a window manager giving up on it) or the window
// destroyed by another client.  Both then end the show like a close.
// And the title bar: SDL converts a title through the C library's locale,
// which the program leaves at "C", so a title beyond ASCII is set here.
#pragma once

#include <SDL.h>

#include <string_view>

// Before SDL's video starts: the X library's error handlers become ours,
// so that SDL keeps them (it gives back the ones it found when it stops).
void prepare_window_loss_watch();
// Calls `gone` (which must not return) when the window's X connection or
// the window itself is lost.  Does nothing on other window systems.
void watch_window_loss(SDL_Window* window, void (*gone)());
// The window is being closed on purpose: from now on, requests that find
// it gone are no loss (SDL may still have one under way on its second
// connection), and they stay harmless after the window is closed.
void stop_watching_window_loss();
// Sets the window's title (_NET_WM_NAME and WM_NAME) as UTF-8 text; false
// when the window is not an X window.
bool set_x11_title(SDL_Window* window, std::string_view utf8);
