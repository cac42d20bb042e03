// Without X11 (macOS, or a build configured with -DSURF_X11=OFF): SDL alone
// sets the window's title, and a lost window is told by SDL's own events.
#include "platform/desktop/sdl_x11.hpp"

void prepare_window_loss_watch() {}
void watch_window_loss(SDL_Window*, void (*)()) {}
void stop_watching_window_loss() {}
bool set_x11_title(SDL_Window*, std::string_view) { return false; }
