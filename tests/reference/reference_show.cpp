// The reference rendering of the show.  Everything lives in one Show object:
// the window's pixels with the drawing state (viewport, colours), the sample
// table with its scales, and the seven pictures drawn in show order.  Each
// statement's floating-point expression is evaluated in the 80-bit format and
// stored into double where the program keeps a double variable; Round goes
// half to even.
#include "reference_show.hpp"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

namespace {

// The 80-bit format itself: long double where it is that (on x86), else
// x86's own __float80 (a build with a 64-bit long double).
#if LDBL_MANT_DIG == 64 || !(defined(__x86_64__) || defined(__i386__))
using Extended = long double;
int round_even(Extended value) { return static_cast<int>(std::nearbyintl(value)); }
Extended magnitude(Extended value) { return std::fabs(value); }
#else
using Extended = __float80;
// 2^63 added and taken away leaves the nearest integer, halves to the even
// one: no library function reads a __float80.
int round_even(Extended value)
{
    const Extended big = 9223372036854775808.0;
    volatile Extended shifted = value < 0 ? value - big : value + big;
    return static_cast<int>(value < 0 ? shifted + big : shifted - big);
}
Extended magnitude(Extended value) { return value < 0 ? -value : value; }
#endif

// The 8 x 8 glyphs of code page 437 in code order, 16 hex digits a glyph,
// top row first, the most significant bit the leftmost pixel.
const char* const font_hex =
    "00000000000000007E81A581BD99817E7EFFDBFFC3E7FF7E6CFEFEFE7C381000"
    "10387CFE7C381000387C38FEFED6103810387CFEFE7C10380000183C3C180000"
    "FFFFE7C3C3E7FFFF003C664242663C00FFC399BDBD99C3FF0F070F7DCCCCCC78"
    "3C6666663C187E183F333F303070F0E07F637F636367E6C018DB3CE7E73CDB18"
    "80E0F8FEF8E08000020E3EFE3E0E0200183C7E18187E3C186666666666006600"
    "7FDBDB7B1B1B1B003E613C66663C867C000000007E7E7E00183C7E187E3C18FF"
    "183C7E1818181800181818187E3C180000180CFE0C180000003060FE60300000"
    "0000C0C0C0FE0000002466FF66240000183C7E1818181800181818187E3C1800"
    "0000000000000000183C3C181800180066662400000000006C6CFE6CFE6C6C00"
    "183E603C067C180000C6CC183066C600386C3876DCCC76001818300000000000"
    "0C18303030180C0030180C0C0C18300000663CFF3C6600000018187E18180000"
    "00000000001818300000007E000000000000000000181800060C183060C08000"
    "386CC6D6C66C38001838181818187E007CC6061C3066FE007CC6063C06C67C00"
    "1C3C6CCCFE0C1E00FEC0C0FC06C67C003860C0FCC6C67C00FEC60C1830303000"
    "7CC6C67CC6C67C007CC6C67E060C780000181800001818000018180000181830"
    "060C1830180C060000007E00007E00006030180C183060007CC60C1818001800"
    "7CC6DEDEDEC07800386CC6FEC6C6C600FC66667C6666FC003C66C0C0C0663C00"
    "F86C6666666CF800FE6268786862FE00FE6268786860F0003C66C0C0CE663A00"
    "C6C6C6FEC6C6C6003C18181818183C001E0C0C0CCCCC7800E6666C786C66E600"
    "F06060606266FE00C6EEFEFED6C6C600C6E6F6DECEC6C6007CC6C6C6C6C67C00"
    "FC66667C6060F0007CC6C6C6C6CE7C0EFC66667C6C66E6003C6630180C663C00"
    "7E7E5A1818183C00C6C6C6C6C6C67C00C6C6C6C6C66C3800C6C6C6D6D6FE6C00"
    "C6C66C386CC6C6006666663C18183C00FEC68C183266FE003C30303030303C00"
    "C06030180C0602003C0C0C0C0C0C3C0010386CC60000000000000000000000FF"
    "30180C00000000000000780C7CCC7600E0607C666666DC0000007CC6C0C67C00"
    "1C0C7CCCCCCC760000007CC6FEC07C003C6660F86060F000000076CCCC7C0CF8"
    "E0606C766666E6001800381818183C00060006060666663CE060666C786CE600"
    "3818181818183C000000ECFED6D6D6000000DC666666660000007CC6C6C67C00"
    "0000DC66667C60F0000076CCCC7C0C1E0000DC766060F00000007EC07C06FC00"
    "3030FC3030361C000000CCCCCCCC76000000C6C6C66C38000000C6D6D6FE6C00"
    "0000C66C386CC6000000C6C6C67E06FC00007E4C18327E000E18187018180E00"
    "18181818181818007018180E1818700076DC0000000000000010386CC6C6FE00"
    "7CC6C0C0C67C1830CC00CCCCCCCC76000C187CC6FEC07C007C82780C7CCC7600"
    "C600780C7CCC76003018780C7CCC76003800780C7CCC760000007CC0C07C3060"
    "7C827CC6FEC07C00C6007CC6FEC07C0030187CC6FEC07C006600381818183C00"
    "7C82381818183C003018003818183C00C6386CC6FEC6C60038007CC6FEC6C600"
    "1830FEC0F8C0FE0000007E187ED87E003E6CCCFECCCCCE007C827CC6C6C67C00"
    "C6007CC6C6C67C0030187CC6C6C67C00788400CCCCCC76006030CCCCCCCC7600"
    "C600C6C6C67E06FCC6386CC6C66C3800C600C6C6C6C67C0018187EC0C07E1818"
    "386C64F06066FC0066663C7E187E1818F8CCCCFAC6CFC6C7001C3630FC303078"
    "1830780C7CCC76000C18003818183C000C187CC6C6C67C001830CCCCCCCC7600"
    "76DC00DC6666660076DC00E6F6DECE003C6C6C3E007E0000386C6C38007C0000"
    "1800181830633E00000000FEC0C00000000000FE0606000063E66C7E3366CC0F"
    "63E66C7A366ADF06180018183C3C1800003366CC6633000000CC663366CC0000"
    "228822882288228855AA55AA55AA55AA77DD77DD77DD77DD1818181818181818"
    "18181818F818181818181818F818181818181818F818181800000000F8181818"
    "00000000F818181818181818F8181818181818181818181800000000F8181818"
    "18181818F800000018181818F800000018181818F800000000000000F8181818"
    "181818181F00000018181818FF00000000000000FF181818181818181F181818"
    "00000000FF00000018181818FF181818181818181F181818181818181F181818"
    "181818181F000000000000001F18181818181818FF00000000000000FF181818"
    "181818181F18181800000000FF00000018181818FF18181818181818FF000000"
    "18181818FF00000000000000FF18181800000000FF181818181818181F000000"
    "181818181F000000000000001F181818000000001F18181818181818FF181818"
    "18181818FF18181818181818F8000000000000001F181818FFFFFFFFFFFFFFFF"
    "00000000FFFFFFFFF0F0F0F0F0F0F0F00F0F0F0F0F0F0F0FFFFFFFFF00000000"
    "78CCCCD8CCC6CC0078CCCCD8CCC6CC00181818181F18181800FE00FE00FE0000"
    "363636363F0000000C1830180C007E000000666666667CC00E1B1B1818181818"
    "000000003F363636363637303F00000018181818F8000000FEC6603060C6FE00"
    "00007EDBDB7E00000018007E0018000000007ED8D8D8700078CCCCCCCCCCCC00"
    "00FE00FE00FE000018187E1818007E0060301830600078001830603018007800"
    "081410101010101010101010105020000018007E001800000000649800649800"
    "386C6C3800000000000000303000000000000018000000001F10109050301000"
    "A0D0909090000000780C18307C00000000003C3C3C3C00000000000000000000"
    ;

std::array<std::array<std::uint8_t, 8>, 256> decode_font()
{
    std::array<std::array<std::uint8_t, 8>, 256> glyphs{};
    auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    for (int code = 0; code < 256; ++code)
        for (int row = 0; row < 8; ++row) {
            const char* digits = font_hex + (code * 8 + row) * 2;
            glyphs[code][row] = static_cast<std::uint8_t>(nibble(digits[0]) * 16 + nibble(digits[1]));
        }
    return glyphs;
}

const std::array<std::array<std::uint8_t, 8>, 256>& font()
{
    static const auto glyphs = decode_font();
    return glyphs;
}


// Floor and ceiling of n / d for d > 0.
long long floor_div(long long n, long long d) { return n / d - ((n % d != 0) && (n < 0)); }
long long ceil_div(long long n, long long d) { return -floor_div(-n, d); }

struct Point {
    int x, y;
};

// One polygon edge's crossing with a pixel row: the exact x as num / den, den > 0.
struct Crossing {
    long long num, den;
};

bool before(const Crossing& a, const Crossing& b) { return a.num * b.den < b.num * a.den; }

constexpr double level_fractions[5] = {0.2, 0.4, 0.6, 0.8, 1.0};

const char* const show_titles[12] = {
    "Szintvonal-1",        "Szintvonal-2",           "Pontfelh\x94",
    "T\x82gla (2,2)",      "T\x82gla (1,1)",         "T\x82gla (0,1)",
    "T\x82gla (1,0)",      "X fv-metszet, lepel",    "X-Y fv-metszet, t\x94m\x94r",
    "X fv-metszet, lepel", "X-Y fv-metszet, t\x94m\x94r", "Festett 4sz\x94gek",
};

class Show {
public:
    Show(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, 0),
          right_(width - 1), bottom_(height - 1), maxx_(width - 1), maxy_(height - 1)
    {
        fill_table();
    }

    std::vector<std::vector<std::uint8_t>> run();

private:
    // --- the window and its drawing state ---
    int width_, height_;
    std::vector<std::uint8_t> pixels_;
    int left_ = 0, top_ = 0, right_, bottom_;  // the viewport in window pixels, inclusive
    std::uint8_t color_ = 15, fill_color_ = 255;

    // --- the model ---
    int maxx_, maxy_;
    int sk_ = 0, ok_ = 0;
    double table_[51][51] = {};  // [row 1..50][column 1..50]
    double ymax_ = 0, ny_ = 0;

    void set_viewport(int x1, int y1, int x2, int y2)
    {
        left_ = x1, top_ = y1, right_ = x2, bottom_ = y2;
    }

    void put(int x, int y, std::uint8_t c)
    {
        x += left_, y += top_;
        if (x < left_ || x > right_ || y < top_ || y > bottom_) return;
        pixels_[static_cast<std::size_t>(y) * width_ + x] = c;
    }

    // Outside the window 0; inside it the window's pixel, whatever the viewport.
    int get(int x, int y) const
    {
        x += left_, y += top_;
        if (x < 0 || x >= width_ || y < 0 || y >= height_) return 0;
        return pixels_[static_cast<std::size_t>(y) * width_ + x];
    }

    void line(int x1, int y1, int x2, int y2);
    void bar(int x1, int y1, int x2, int y2);
    void fill_poly(const Point (&p)[4]);
    void text(int x, int y, const char* s);
    void frame(const char* title);

    // --- the model's arithmetic ---
    void fill_table();
    bool level_between(double a, double b) const;
    int height_row(int i, int j) const
    {
        return round_even(static_cast<Extended>(maxy_ - i * sk_) - static_cast<Extended>(ny_) * table_[i][j]);
    }
    void plan_steps() { sk_ = maxy_ / 50, ok_ = maxx_ / 50; }
    void oblique_steps() { sk_ = (maxy_ - 100) / 50, ok_ = maxx_ / 101; }
    void invert();

    // --- the pictures ---
    void edge_contours();
    void crossing_contours();
    void point_cloud();
    void bricks(int shadow_x, int shadow_y);
    void sections(bool solid);
    void quadrilaterals();

    // --- the horizon's clipped line ---
    bool on_top(double column, double row) const;
    void line_up_to(int column, int row, int end_column, int end_row);
};

// The Bresenham line from (x1, y1), clipped pixel by pixel.
void Show::line(int x1, int y1, int x2, int y2)
{
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    int x = x1, y = y1;
    if (dx >= dy) {
        int d = 2 * dy - dx;
        for (int n = 0; n <= dx; ++n) {
            put(x, y, color_);
            if (d >= 0) y += sy, d += 2 * (dy - dx);
            else d += 2 * dy;
            x += sx;
        }
    } else {
        int d = 2 * dx - dy;
        for (int n = 0; n <= dy; ++n) {
            put(x, y, color_);
            if (d >= 0) x += sx, d += 2 * (dx - dy);
            else d += 2 * dx;
            y += sy;
        }
    }
}

void Show::bar(int x1, int y1, int x2, int y2)
{
    const int xa = std::max(std::min(x1, x2) + left_, left_), xb = std::min(std::max(x1, x2) + left_, right_);
    const int ya = std::max(std::min(y1, y2) + top_, top_), yb = std::min(std::max(y1, y2) + top_, bottom_);
    if (xa > xb) return;
    for (int y = ya; y <= yb; ++y)
        std::memset(&pixels_[static_cast<std::size_t>(y) * width_ + xa], fill_color_, static_cast<std::size_t>(xb - xa + 1));
}

// Even-odd interior at exact crossings, then the closed outline.
void Show::fill_poly(const Point (&p)[4])
{
    int ymin = p[0].y, ymax = p[0].y;
    for (const Point& q : p) ymin = std::min(ymin, q.y), ymax = std::max(ymax, q.y);
    ymin = std::max(ymin, 0);
    ymax = std::min(ymax, bottom_ - top_ + 1);
    for (int y = ymin; y < ymax; ++y) {
        Crossing cross[4];
        int count = 0;
        for (int e = 0; e < 4; ++e) {
            const Point a = p[e], b = p[(e + 1) % 4];
            if (a.y == b.y || y < std::min(a.y, b.y) || y >= std::max(a.y, b.y)) continue;
            long long num = static_cast<long long>(a.x) * (b.y - a.y) + static_cast<long long>(y - a.y) * (b.x - a.x);
            long long den = b.y - a.y;
            if (den < 0) num = -num, den = -den;
            cross[count++] = {num, den};
        }
        for (int k = 1; k < count; ++k)  // at most four: insertion sort
            for (int m = k; m > 0 && before(cross[m], cross[m - 1]); --m) std::swap(cross[m], cross[m - 1]);
        for (int k = 0; k + 1 < count; k += 2) {
            const long long xa = std::max<long long>(ceil_div(cross[k].num, cross[k].den), 0);
            const long long xb = std::min<long long>(floor_div(cross[k + 1].num, cross[k + 1].den), right_ - left_);
            if (xa > xb) continue;
            std::memset(&pixels_[static_cast<std::size_t>(y + top_) * width_ + left_ + xa], fill_color_,
                        static_cast<std::size_t>(xb - xa + 1));
        }
    }
    for (int e = 0; e < 4; ++e) line(p[e].x, p[e].y, p[(e + 1) % 4].x, p[(e + 1) % 4].y);
}

// Centred on x, top row y: only the glyphs' set pixels are drawn.
void Show::text(int x, int y, const char* s)
{
    const int length = static_cast<int>(std::strlen(s));
    const int x0 = x - (8 * length) / 2;
    for (int k = 0; k < length; ++k) {
        const auto& glyph = font()[static_cast<unsigned char>(s[k])];
        for (int row = 0; row < 8; ++row)
            for (int col = 0; col < 8; ++col)
                if (glyph[row] & (0x80 >> col)) put(x0 + 8 * k + col, y + row, color_);
    }
}

// The title frame every picture starts with.
void Show::frame(const char* title)
{
    set_viewport(0, 0, maxx_, maxy_);
    std::fill(pixels_.begin(), pixels_.end(), std::uint8_t{0});
    line(0, 0, maxx_, 0);
    line(maxx_, 0, maxx_, maxy_);
    line(maxx_, maxy_, 0, maxy_);
    line(0, maxy_, 0, 0);
    set_viewport(2, 2, maxx_ - 2, maxy_ - 2);
    text(maxx_ / 2, 1, title);
}

void Show::fill_table()
{
    for (int i = 1; i <= 50; ++i)
        for (int j = 1; j <= 50; ++j) {
            double y = i - 1;
            y = static_cast<double>((static_cast<Extended>(50 - i) * y) / 50);
            y = static_cast<double>(static_cast<Extended>(j - 1) * y);
            y = static_cast<double>(((((static_cast<Extended>(50 - j) * y) / 50) * i) * (50 - i)) * j);
            table_[i][j] = y;
        }
    double max = table_[1][1];
    for (int i = 1; i <= 50; ++i)
        for (int j = 1; j <= 50; ++j)
            if (table_[i][j] > max) max = table_[i][j];
    ymax_ = max;
    ny_ = static_cast<double>(100.0L / ymax_);
}

void Show::invert()
{
    for (int i = 1; i <= 50; ++i)
        for (int j = 1; j <= 50; ++j)
            table_[i][j] = static_cast<double>(magnitude(static_cast<Extended>(ymax_) - table_[i][j]));
}

// Whether one of the five levels lies in [min(a, b), max(a, b)).
bool Show::level_between(double a, double b) const
{
    int k = 0;
    double x = static_cast<double>(static_cast<Extended>(ymax_) * level_fractions[0]);
    while (x < a && x < b && k < 4) {
        ++k;
        x = static_cast<double>(static_cast<Extended>(ymax_) * level_fractions[k]);
    }
    return x < a || x < b;
}

void Show::edge_contours()
{
    plan_steps();
    for (int i = 1; i <= 49; ++i)
        for (int j = 1; j <= 49; ++j) {
            const int row = maxy_ - sk_ * i, column = ok_ * j;
            if (level_between(table_[i][j], table_[i][j + 1])) line(column, row, column, row + sk_);
            if (level_between(table_[i][j], table_[i + 1][j])) line(column, row, column - ok_, row);
        }
}

void Show::crossing_contours()
{
    plan_steps();
    for (int i = 1; i <= 49; ++i)
        for (int j = 1; j <= 49; ++j) {
            Point half[4];  // (column, row) in half steps
            int count = 0;
            if (level_between(table_[i][j], table_[i][j + 1])) half[count++] = {2 * j + 1, 2 * i};
            if (level_between(table_[i][j], table_[i + 1][j])) half[count++] = {2 * j, 2 * i + 1};
            if (level_between(table_[i + 1][j], table_[i + 1][j + 1])) half[count++] = {2 * j + 1, 2 * i + 2};
            if (level_between(table_[i][j + 1], table_[i + 1][j + 1])) half[count++] = {2 * j + 2, 2 * i + 1};
            Point s[4];
            for (int k = 0; k < count; ++k) s[k] = {(half[k].x * ok_) / 2, maxy_ - (half[k].y * sk_) / 2};
            if (count == 2) {
                line(s[0].x, s[0].y, s[1].x, s[1].y);
            } else if (count == 4) {
                line(s[0].x, s[0].y, s[2].x, s[2].y);
                line(s[1].x, s[1].y, s[3].x, s[3].y);
            }
        }
}

void Show::point_cloud()
{
    plan_steps();
    std::mt19937 generator(0);
    auto random = [&generator](int n) {
        return static_cast<int>((static_cast<std::uint64_t>(generator()) * static_cast<std::uint64_t>(n)) >> 32);
    };
    for (int i = 1; i <= 50; ++i)
        for (int j = 1; j <= 50; ++j) {
            const Extended q = static_cast<Extended>(table_[i][j]) / ymax_;
            const int count = round_even(q * q * sk_ * ok_) / 2;
            for (int k = 1; k <= count; ++k) {
                const int ii = random(sk_);
                const int jj = random(ok_);
                put(ok_ * j + jj, maxy_ - sk_ * i + ii, 1);
            }
        }
}

void Show::bricks(int shadow_x, int shadow_y)
{
    oblique_steps();
    for (int i = 50; i >= 1; --i)
        for (int j = 50; j >= 1; --j) {
            const int column = i * sk_ + j * ok_;
            const int row = height_row(i, j), row0 = maxy_ - i * sk_;
            fill_color_ = 0;
            bar(column + shadow_x - ok_, row - shadow_y, column + shadow_x, row0 - shadow_y);
            fill_color_ = 1;
            bar(column - ok_, row, column, row0);
        }
}

// Both pixels at the rounded position and the one above it are empty.
bool Show::on_top(double column, double row) const
{
    const int x = round_even(column), y = round_even(row);
    if (get(x, y) != 0) return false;
    return get(x, y - 1) == 0;
}

// Walks from the visible end towards the other until the picture ahead is
// drawn or the walk leaves the segment's columns, and draws that far.
void Show::line_up_to(int column, int row, int end_column, int end_row)
{
    const int drow = end_row - row, dcolumn = end_column - column;
    const double steps = std::abs(drow) > std::abs(dcolumn) ? std::abs(drow) : std::abs(dcolumn);
    const double step_row = static_cast<double>(static_cast<Extended>(drow) / steps);
    const double step_column = static_cast<double>(static_cast<Extended>(dcolumn) / steps);
    double at_row = row, at_column = column;
    const double low = std::min(column, end_column), high = std::max(column, end_column);
    do {
        at_row = static_cast<double>(static_cast<Extended>(at_row) + step_row);
        at_column = static_cast<double>(static_cast<Extended>(at_column) + step_column);
    } while (on_top(at_column, at_row) && low <= at_column && at_column <= high);
    line(column, row, round_even(static_cast<Extended>(at_column) - step_column),
         round_even(static_cast<Extended>(at_row) - step_row));
}

// The X-section sheet, or with `solid` the X-Y solid with its faces.
void Show::sections(bool solid)
{
    oblique_steps();
    int horizon[101];
    int back_column[51] = {}, back_row[51] = {};  // the last row's points, by column index
    std::fill(horizon, horizon + 101, maxy_ + 1);
    if (solid) {
        line(2 * ok_, maxy_ - sk_, ok_ + 46 * ok_, maxy_ - sk_);
        line(2 * ok_, maxy_ - sk_, 2 * ok_, (maxy_ - sk_) - round_even(static_cast<Extended>(ny_) * table_[1][1]));
    }
    for (int ii = 1; ii <= 16; ++ii) {
        const int i = 3 * ii - 2;
        int prev_column = i * ok_ + ok_, prev_row = height_row(i, 1);
        bool visible = horizon[i + 1] >= prev_row;
        if (visible) horizon[i + 1] = prev_row;
        if (solid) {
            if (i > 1 && visible) line(back_column[1], back_row[1], prev_column, prev_row);
            back_column[1] = prev_column, back_row[1] = prev_row;
        }
        for (int jj = 2; jj <= 16; ++jj) {
            const int j = 3 * jj - 2;
            const int column = i * ok_ + j * ok_, row = height_row(i, j);
            if (horizon[i + j] >= row) {
                horizon[i + j] = row;
                if (visible) line(prev_column, prev_row, column, row);
                else line_up_to(column, row, prev_column, prev_row);
                visible = true;
            } else {
                if (visible) line_up_to(prev_column, prev_row, column, row);
                visible = false;
            }
            prev_column = column, prev_row = row;
            if (solid) {
                if (i > 1 && visible) line(back_column[j], back_row[j], column, row);
                back_column[j] = column, back_row[j] = row;
            }
        }
        if (solid) {
            if (i > 1) line(prev_column, maxy_ - i * sk_, (i - 3) * ok_ + 46 * ok_, maxy_ - (i - 3) * sk_);
            line(prev_column, prev_row, prev_column, maxy_ - i * sk_);
        }
    }
}

void Show::quadrilaterals()
{
    oblique_steps();
    color_ = 1;
    fill_color_ = 0;
    for (int ii = 16; ii >= 2; --ii) {
        const int i = 3 * ii - 2;
        for (int jj = 2; jj <= 16; ++jj) {
            const int j = 3 * jj - 2;
            const Point p[4] = {
                {i * ok_ + (j - 3) * ok_, height_row(i, j - 3)},
                {(i - 3) * ok_ + (j - 3) * ok_, height_row(i - 3, j - 3)},
                {(i - 3) * ok_ + j * ok_, height_row(i - 3, j)},
                {i * ok_ + j * ok_, height_row(i, j)},
            };
            fill_poly(p);
        }
    }
}

std::vector<std::vector<std::uint8_t>> Show::run()
{
    std::vector<std::vector<std::uint8_t>> shown;
    auto picture = [&](int index) {
        frame(show_titles[index]);
        switch (index) {
        case 0: edge_contours(); break;
        case 1: crossing_contours(); break;
        case 2: point_cloud(); break;
        case 3: bricks(2, 2); break;
        case 4: bricks(1, 1); break;
        case 5: bricks(0, 1); break;
        case 6: bricks(1, 0); break;
        case 7: case 9: sections(false); break;
        case 8: case 10: sections(true); break;
        default: quadrilaterals(); break;
        }
        shown.push_back(pixels_);
    };
    for (int index = 0; index < 9; ++index) picture(index);
    invert();
    for (int index = 9; index < 12; ++index) picture(index);
    return shown;
}

}  // namespace

std::vector<std::vector<std::uint8_t>> reference_show(int width, int height)
{
    Show show(width, height);
    return show.run();
}

std::vector<std::string> reference_titles() { return {std::begin(show_titles), std::end(show_titles)}; }
