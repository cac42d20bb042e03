// The graphics window on Windows: a top-level window maximised to the work
// area, whose client area, as it is once shown, is the picture's size; it
// shows the picture from an 8-bit bitmap with the palette as its colour
// table.  The window belongs to the thread that
// opened it; its messages are handled while that thread waits for a key.
#pragma once

#include <deque>
#include <string_view>
#include <vector>
#include <windows.h>

#include "gfx/picture.hpp"
#include "gfx/platform.hpp"

// What the window asks of the show.
enum class WindowRequest { none, close, interrupt };

class Win32Window {
public:
    // Opens the window and gives the size of its client area; false when no
    // window can be made.
    bool open(const wchar_t* title, int& width, int& height);
    void close();
    bool is_open() const { return window_ != nullptr; }
    // Destroyed while open, not by close(): handle_messages() then asks to close.
    bool gone() const { return gone_; }
    HWND handle() const { return window_; }
    // Copies the changed part of the picture, takes the palette as the
    // bitmap's colours, and has what changed painted.
    void show(const PictureView& picture, const Palette& palette, const PixelRange& changed);
    // The title bar, from UTF-8.
    void set_title(std::string_view utf8);
    // Handles the waiting messages; the keys pressed in the window go to `keys`.
    WindowRequest handle_messages(std::deque<KeyPress>& keys);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    SIZE settled_client_size();
    bool scaled() const;
    void paint();
    void key_down(WPARAM virtual_key, const MSG& message);

    HWND window_ = nullptr;
    int width_ = 0, height_ = 0;        // the picture, in pixels
    int stride_ = 0;                    // bytes per bitmap row, a multiple of 4
    std::vector<std::uint8_t> bits_;    // the picture as last shown, top row first
    std::vector<std::uint8_t> header_;  // BITMAPINFO with its 256 colours
    std::deque<KeyPress>* keys_ = nullptr;  // while messages are handled
    WindowRequest request_ = WindowRequest::none;
    bool gone_ = false;
};
