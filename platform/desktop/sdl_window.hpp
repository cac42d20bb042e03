// The graphics window: a maximised top-level window that shows the drawn
// picture one pixel to one, at the window's top-left corner.  The window
// only copies from the picture when the show waits for a key or the window
// system asks for a repaint, so it never shows a drawing half done.
#pragma once

#include <SDL.h>
#include <string>

#include <string_view>

#include "gfx/picture.hpp"

class SdlWindow {
public:
    // Opens the window maximised on the primary display and gives its
    // drawing area; false, with nothing open, when there is no display.
    // `gone` (which must not return) is called if the window is lost
    // without a close request.
    bool open(int& width, int& height, void (*gone)());
    // After a failed open: why no window could be opened, in a few words.
    const std::string& why_not_opened() const { return why_not_; }
    bool is_open() const { return window_ != nullptr; }
    // Copies the changed part of the picture into the window and shows it;
    // the window shows this picture again when asked, until the next show.
    void show(const PictureView& picture, const Palette& palette, const PixelRange& changed);
    // Exposed, resized, restored: the window shows the picture again.
    void handle_window_event(const SDL_WindowEvent& event);
    // The whole window again from the picture.
    void repaint();
    void close();
    void set_title(std::string_view utf8);

private:
    void wait_until_shown();
    SDL_Surface* surface();
    void copy_picture(SDL_Rect area, SDL_Surface* target);

    SDL_Window* window_ = nullptr;
    SDL_Surface* surface_ = nullptr;  // the window's pixels as last seen; a new one needs a full repaint
    PictureView picture_{nullptr, 0, 0};  // the picture last shown; no pixels before the first
    const Palette* palette_ = nullptr;    // its colours; nullptr before the first picture
    std::string why_not_;
};
