// The window over SDL's window surface.  Every SDL call is made with the
// floating-point traps masked: drivers may raise and ignore these exceptions.
#include "platform/desktop/sdl_window.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/desktop/sdl_x11.hpp"
#include "runtime/checks.hpp"

namespace {

constexpr Uint32 show_wait_ms = 2000;
constexpr int video_start_tries = 5;
constexpr Uint32 video_retry_ms = 100;

bool no_window_driver(const char* name)
{
    return name && (strcasecmp(name, "dummy") == 0 || strcasecmp(name, "offscreen") == 0);
}

bool is_set(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

// A busy X server can turn a connection away for a moment ("resource
// temporarily unavailable"), and SDL then falls back to a driver that shows
// nothing: both are a failed try.  A few more tries before going without a
// window; DETAIL is the library's reason for the last one, if it gave one.
bool start_video(std::string& detail)
{
    for (int attempt = 1; attempt <= video_start_tries; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            if (!no_window_driver(SDL_GetCurrentVideoDriver())) return true;
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            detail.clear();
        } else {
            detail = SDL_GetError();
        }
        if (attempt < video_start_tries) SDL_Delay(video_retry_ms);
    }
    return false;
}

SDL_Rect usable_area()
{
    SDL_Rect area{0, 0, 640, 480};
    if (SDL_GetDisplayUsableBounds(0, &area) != 0 || area.w <= 0 || area.h <= 0) SDL_GetDisplayBounds(0, &area);
    return area;
}

SDL_Rect intersection(SDL_Rect a, SDL_Rect b)
{
    SDL_Rect both{0, 0, 0, 0};
    SDL_IntersectRect(&a, &b, &both);
    return both;
}

// A driver that opens real windows can be expected: one asked for by name,
// or a display named in the environment.  Empty when one can; else why not.
std::string display_missing()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && *driver)
        return no_window_driver(driver) ? std::string("SDL_VIDEODRIVER is \"") + driver + "\", which shows no window" : "";
    return is_set("DISPLAY") || is_set("WAYLAND_DISPLAY") ? "" : "DISPLAY is not set";
}

std::string library_error()
{
    const char* text = SDL_GetError();
    return text && *text ? text : "no reason given";
}

// The display the environment names could not be used.
std::string display_unreachable(const std::string& detail)
{
    const char* name = is_set("DISPLAY") ? std::getenv("DISPLAY") : std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) return detail;
    return std::string("the display \"") + name + "\" cannot be reached" + (detail.empty() ? "" : " (" + detail + ")");
}

}  // namespace

bool SdlWindow::open(int& width, int& height, void (*gone)())
{
    why_not_ = display_missing();
    if (!why_not_.empty()) return false;
    LibraryCallScope library;
    // Ctrl+C and the ending signals are the terminal's business.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    prepare_window_loss_watch();
    std::string detail;
    if (!start_video(detail)) {
        why_not_ = display_unreachable(detail);
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    // On X the window's own pixels (shared memory) beat a GPU texture; other
    // window systems may have no such surface and keep SDL's choice.
    if (driver && std::strcmp(driver, "x11") == 0) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    const SDL_Rect area = usable_area();
    window_ = SDL_CreateWindow(program_invocation_short_name, area.x, area.y, area.w, area.h,
                               SDL_WINDOW_RESIZABLE | SDL_WINDOW_MAXIMIZED);
    if (!window_) {
        why_not_ = library_error();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    wait_until_shown();
    SDL_Surface* pixels = surface();
    if (!pixels) {
        why_not_ = library_error();
        close();
        return false;
    }
    width = pixels->w;
    height = pixels->h;
    watch_window_loss(window_, gone);
    return true;
}

void SdlWindow::show(const PictureView& picture, const Palette& palette, const PixelRange& changed)
{
    picture_ = picture;
    palette_ = &palette;
    if (!window_ || !picture.pixels) return;
    LibraryCallScope library;
    SDL_Surface* target = surface();
    if (!target || changed.empty()) return;
    const SDL_Rect area = intersection({changed.x0, changed.y0, changed.x1 - changed.x0 + 1, changed.y1 - changed.y0 + 1},
                                       {0, 0, std::min(picture.width, target->w), std::min(picture.height, target->h)});
    if (area.w <= 0 || area.h <= 0) return;
    copy_picture(area, target);
    SDL_UpdateWindowSurfaceRects(window_, &area, 1);
}

void SdlWindow::handle_window_event(const SDL_WindowEvent& event)
{
    switch (event.event) {
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED: repaint(); break;
    default: break;
    }
}

void SdlWindow::repaint()
{
    if (!window_) return;
    LibraryCallScope library;
    SDL_Surface* target = surface();
    if (!target) return;
    // Before the first picture (and after the last) there is nothing to copy.
    const RgbColor background = palette_ ? (*palette_)[0] : RgbColor{0, 0, 0};
    SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, background.red, background.green, background.blue));
    if (picture_.pixels && palette_ && picture_.width > 0 && picture_.height > 0)
        copy_picture({0, 0, std::min(picture_.width, target->w), std::min(picture_.height, target->h)}, target);
    SDL_UpdateWindowSurface(window_);
}

void SdlWindow::close()
{
    if (!window_) return;
    LibraryCallScope library;
    stop_watching_window_loss();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    surface_ = nullptr;
    picture_ = {nullptr, 0, 0};
    palette_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// A window manager maximises the window as it maps it; the size is known
// once the window is first exposed.  Other events wait for the show.
void SdlWindow::wait_until_shown()
{
    std::vector<SDL_Event> later;
    const Uint32 start = SDL_GetTicks();
    SDL_Event event;
    for (;;) {
        const Uint32 spent = SDL_GetTicks() - start;
        if (spent >= show_wait_ms || !SDL_WaitEventTimeout(&event, static_cast<int>(show_wait_ms - spent))) break;
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) break;
        if (event.type != SDL_WINDOWEVENT) later.push_back(event);
    }
    while (SDL_PollEvent(&event))
        if (event.type != SDL_WINDOWEVENT) later.push_back(event);
    for (SDL_Event& waiting : later) SDL_PushEvent(&waiting);
}

// The window's surface; a new one (the window was resized) is filled with
// the picture before it is used.
SDL_Surface* SdlWindow::surface()
{
    SDL_Surface* current = SDL_GetWindowSurface(window_);
    if (current && current != surface_) {
        surface_ = current;
        repaint();
    }
    return current;
}

void SdlWindow::copy_picture(SDL_Rect area, SDL_Surface* target)
{
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(picture_.pixels), picture_.width,
                                                             picture_.height, 8, picture_.width, SDL_PIXELFORMAT_INDEX8);
    if (!source) return;
    const Palette& palette = *palette_;
    SDL_Color colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = {palette[i].red, palette[i].green, palette[i].blue, 255};
    SDL_SetPaletteColors(source->format->palette, colors, 0, 256);
    SDL_Rect destination = area;
    SDL_BlitSurface(source, &area, target, &destination);
    SDL_FreeSurface(source);
}

void SdlWindow::set_title(std::string_view utf8)
{
    if (!window_) return;
    LibraryCallScope library;
    // SDL keeps the title too; on X the properties are then put right.
    SDL_SetWindowTitle(window_, std::string(utf8).c_str());
    set_x11_title(window_, utf8);
}
