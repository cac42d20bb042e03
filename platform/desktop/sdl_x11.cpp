// Watching the X connection through the X library's error handlers, looked
// up in the library that SDL has already loaded.
#include "platform/desktop/sdl_x11.hpp"

#include <SDL_syswm.h>
#include <dlfcn.h>

namespace {

using IoErrorHandler = int (*)(Display*);
using ErrorHandler = int (*)(Display*, XErrorEvent*);
using SetIoErrorHandler = IoErrorHandler (*)(IoErrorHandler);
using SetErrorHandler = ErrorHandler (*)(ErrorHandler);

void (*window_gone)() = nullptr;
::Window watched_window = 0;
bool closing = false;  // requests that find the window gone are expected
SetIoErrorHandler set_io_error_handler = nullptr;
SetErrorHandler set_error_handler = nullptr;
IoErrorHandler previous_io_handler = nullptr;
ErrorHandler previous_handler = nullptr;

int on_connection_lost(Display* display)
{
    if (window_gone) window_gone();
    return previous_io_handler ? previous_io_handler(display) : 0;
}

int on_request_failed(Display* display, XErrorEvent* error)
{
    const bool window_destroyed = error->resourceid == watched_window &&
                                  (error->error_code == BadWindow || error->error_code == BadDrawable);
    if (window_destroyed && closing) return 0;
    if (window_destroyed && window_gone) window_gone();
    return previous_handler ? previous_handler(display, error) : 0;
}

// Installed once: the handlers are the X library's, for all connections.
bool install_handlers()
{
    static bool installed = false;
    if (installed) return true;
    // Looked up where SDL has it loaded; the program does not link it itself.
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return false;
    set_io_error_handler = reinterpret_cast<SetIoErrorHandler>(dlsym(library, "XSetIOErrorHandler"));
    set_error_handler = reinterpret_cast<SetErrorHandler>(dlsym(library, "XSetErrorHandler"));
    dlclose(library);
    if (!set_io_error_handler || !set_error_handler) return false;
    previous_io_handler = set_io_error_handler(on_connection_lost);
    previous_handler = set_error_handler(on_request_failed);
    installed = true;
    return true;
}

}  // namespace

void prepare_window_loss_watch() { install_handlers(); }

void watch_window_loss(SDL_Window* window, void (*gone)())
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !install_handlers()) return;
    window_gone = gone;
    watched_window = info.info.x11.window;
    closing = false;
}

void stop_watching_window_loss() { closing = true; }

bool set_x11_title(SDL_Window* window, std::string_view utf8)
{
    using InternAtom = Atom (*)(Display*, const char*, Bool);
    using ChangeProperty = int (*)(Display*, ::Window, Atom, Atom, int, int, const unsigned char*, int);
    using Flush = int (*)(Display*);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return false;
    const auto intern_atom = reinterpret_cast<InternAtom>(dlsym(library, "XInternAtom"));
    const auto change_property = reinterpret_cast<ChangeProperty>(dlsym(library, "XChangeProperty"));
    const auto flush = reinterpret_cast<Flush>(dlsym(library, "XFlush"));
    dlclose(library);
    if (!intern_atom || !change_property || !flush) return false;
    Display* display = info.info.x11.display;
    const Atom utf8_string = intern_atom(display, "UTF8_STRING", False);
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const int size = static_cast<int>(utf8.size());
    for (const char* property : {"_NET_WM_NAME", "WM_NAME"})
        change_property(display, info.info.x11.window, intern_atom(display, property, False), utf8_string, 8,
                        PropModeReplace, bytes, size);
    flush(display);
    return true;
}
