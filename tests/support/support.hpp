// Test helpers: the drawing service on an off-screen picture of any size, a
// prepared model, and ways to look at the picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/picture.hpp"
#include "gfx/platform.hpp"

// A platform with no window and no terminal: console lines are kept, keys
// come from a script (then none are left).
class OffscreenPlatform final : public Platform {
public:
    int width = 640, height = 480;
    int terminal_columns = 0, terminal_rows = 0;  // 0: not a terminal
    std::vector<std::string> lines;               // code-page-437 bytes of each line
    std::vector<KeyPress> keys;                   // keys still to deliver
    std::vector<std::vector<std::uint8_t>> shown; // the picture at every key wait
    int key_waits = 0;
    bool fail_writes = false;

    bool open_window(int& w, int& h) override;
    void show_picture(const PictureView&, const Palette&, const PixelRange&) override {}
    void close_window() override {}
    bool terminal_size(int& columns, int& rows) override;
    void clear_text_window(const ConsoleState&) override {}
    bool write_line(std::string_view text, ConsoleState&) override;
    bool wait_key(KeyPress& key) override;
    void restore_terminal() override {}
};

// The test's platform, reset and made active by the calls below.
OffscreenPlatform& test_platform();

// A fresh drawing service on a width x height picture: InitGraph with its
// defaults, the viewport the whole picture.
void open_offscreen(int width, int height);

// A fresh model as the show has it before its first picture: graphics mode
// at width x height (GRAFIKUSRA), the table filled, YMAX and NY set.
void prepare_model(int width = 640, int height = 480);

// The picture as it stands.
PictureView picture();
// How far the plot window that ABLAKTORLES leaves lies inside the window
// on each side, and the pixel at (x, y) in that window's coordinates.
constexpr int plot_inset = 2;
int plot_pixel(int x, int y);
// A copy of the picture as it stands, and the number of pixels in which two
// copies differ (-1 for different sizes).
using Snapshot = std::vector<std::uint8_t>;
Snapshot snapshot();
long differing_pixels(const Snapshot& a, const Snapshot& b);
// Pixels of colour `color` in the window rectangle (x, y, w, h); whole picture by default.
long count_pixels(int color, int x = 0, int y = 0, int w = -1, int h = -1);
// The window rectangle as text: '.' for 0, '#' for 15, the hex digit for 1..14, '?' else.
std::string ascii_art(int x, int y, int w, int h);
// Writes the picture as a PNG into the build tree (for looking at failures).
void save_picture(const std::string& name);

// base - ny * value in the 80-bit format (long double on x86, __float80
// where long double is 64 bits wide), rounded to the nearest integer with
// halves to the even one: a height as the renderers must draw it.
int rounded_height(double base, double ny, double value);
