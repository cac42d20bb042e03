// Test helpers over the drawing service.
#include "tests/support/support.hpp"

#include <cfloat>
#include <cmath>
#include <cstdio>

#include "frame/frame.hpp"
#include "gfx/graph.hpp"
#include "tools/png/png_export.hpp"

bool OffscreenPlatform::open_window(int& w, int& h)
{
    w = width;
    h = height;
    return true;
}

bool OffscreenPlatform::terminal_size(int& columns, int& rows)
{
    columns = terminal_columns;
    rows = terminal_rows;
    return terminal_columns > 0;
}

bool OffscreenPlatform::write_line(std::string_view text, ConsoleState&)
{
    if (fail_writes) return false;
    lines.emplace_back(text);
    return true;
}

bool OffscreenPlatform::wait_key(KeyPress& key)
{
    ++key_waits;
    const PictureView view = current_picture();
    shown.emplace_back(view.pixels, view.pixels + static_cast<std::size_t>(view.width) * view.height);
    if (keys.empty()) return false;
    key = keys.front();
    keys.erase(keys.begin());
    return true;
}

OffscreenPlatform& test_platform()
{
    static OffscreenPlatform platform;
    return platform;
}

namespace {

void reset_platform(int width, int height)
{
    OffscreenPlatform& platform = test_platform();
    platform = OffscreenPlatform{};
    platform.width = width;
    platform.height = height;
    set_platform(&platform);
    reset_console();
}

}  // namespace

void open_offscreen(int width, int height)
{
    reset_platform(width, height);
    SMALLINT driver = 0, mode = 0;
    DetectGraph(driver, mode);
    InitGraph(driver, mode, "");
}

void prepare_model(int width, int height)
{
    reset_model();
    reset_platform(width, height);
    GRAFIKUSRA();
    FUGGVENYERTEKEK();
    YMAX = MAXMAGASSAG();
    NY = static_cast<REAL>(100.0L / YMAX);
}

PictureView picture() { return current_picture(); }

int plot_pixel(int x, int y) { return picture().at(x + plot_inset, y + plot_inset); }

Snapshot snapshot()
{
    const PictureView view = picture();
    return Snapshot(view.pixels, view.pixels + static_cast<std::size_t>(view.width) * view.height);
}

long differing_pixels(const Snapshot& a, const Snapshot& b)
{
    if (a.size() != b.size()) return -1;
    long count = 0;
    for (std::size_t k = 0; k < a.size(); ++k) count += a[k] != b[k];
    return count;
}

long count_pixels(int color, int x, int y, int w, int h)
{
    const PictureView view = picture();
    if (w < 0) w = view.width - x;
    if (h < 0) h = view.height - y;
    long count = 0;
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column) count += view.at(column, row) == color;
    return count;
}

std::string ascii_art(int x, int y, int w, int h)
{
    const PictureView view = picture();
    std::string art;
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) {
            const int color = view.at(column, row);
            art += color == 0 ? '.' : color == 15 ? '#' : color < 15 ? "0123456789ABCDE"[color] : '?';
        }
        art += '\n';
    }
    return art;
}

void save_picture(const std::string& name)
{
    std::string error;
    if (!write_palette_png(picture(), name + ".png", error)) std::fprintf(stderr, "%s\n", error.c_str());
}

int rounded_height(double base, double ny, double value)
{
#if LDBL_MANT_DIG != 64 && (defined(__x86_64__) || defined(__i386__))
    // No library function reads a __float80: 2^63 added and taken away
    // leaves the nearest integer, halves to the even one.
    const __float80 exact = static_cast<__float80>(base) - static_cast<__float80>(ny) * value;
    const __float80 big = 9223372036854775808.0;
    volatile __float80 shifted = exact < 0 ? exact - big : exact + big;
    return static_cast<int>(exact < 0 ? shifted + big : shifted - big);
#else
    const long double exact = static_cast<long double>(base) - static_cast<long double>(ny) * value;
    return static_cast<int>(std::nearbyint(exact));
#endif
}
