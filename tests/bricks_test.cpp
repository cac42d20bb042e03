// The brick columns: the composed title, the shadow bands each offset leaves
// along a front row of equal columns, a zero-height column, where the field
// lies and where it is clipped, and the whole picture of the sample table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/frame.hpp"
#include "gfx/call_counts.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"
#include "tests/support/support.hpp"

namespace {

constexpr int black = 0;
constexpr int blue = 1;

struct Offset {
    int x, y;
};
struct Size {
    int width, height;
};

// Plot-window coordinates.

// The steps the oblique pictures must use, from the window size alone.
int row_step(const Size& size) { return (size.height - 1 - 100) / 50; }
int column_step(const Size& size) { return (size.width - 1) / 101; }

// A sample value that NY scales to `pixels` rows.
REAL value_of_height(int pixels) { return YMAX * pixels / 100.0; }

// Row 1 (the front row) `front` pixels tall, every other row `back` tall.
void set_rows(int front, int back)
{
    for (int row = 1; row <= 50; ++row)
        for (int column = 1; column <= 50; ++column)
            FVT(row, column) = value_of_height(row == 1 ? front : back);
}

// What the front row of equal columns, `height` pixels tall, must show over
// the picture `behind` drawn with a flat front row: each column blue, the
// shadow band right of each column inside its right neighbour, the shadow
// above the row, and everything else as behind.
int expected_pixel(int x, int y, const Snapshot& behind, const Size& size, int height, Offset shadow)
{
    const int row_shift = row_step(size), column_width = column_step(size);
    const int left = row_shift, right = row_shift + 50 * column_width;
    const int base = size.height - 1 - row_shift, top = base - height;
    const int u = x - left;
    if (x >= left && x <= right && y >= top && y <= base) {
        const bool band = u > column_width && (u - 1) % column_width < shadow.x && y <= base - shadow.y;
        return band ? black : blue;
    }
    if (x >= left + shadow.x && x <= right + shadow.x && y >= top - shadow.y && y <= base - shadow.y)
        return black;
    return behind[static_cast<std::size_t>(y + plot_inset) * size.width + x + plot_inset];
}

long front_row_mismatches(const Size& size, int front, Offset shadow, std::string& first)
{
    prepare_model(size.width, size.height);
    set_rows(0, 70);
    RAJZTEGLA(shadow.x, shadow.y);
    const Snapshot behind = snapshot();
    set_rows(front, 70);
    RAJZTEGLA(shadow.x, shadow.y);
    EXPECT_EQ(SK, row_step(size));
    EXPECT_EQ(OK, column_step(size));

    long mismatches = 0;
    for (int y = -plot_inset; y < size.height - plot_inset; ++y) {
        for (int x = -plot_inset; x < size.width - plot_inset; ++x) {
            const bool in_plot = x >= 0 && y >= 0 && x <= size.width - 5 && y <= size.height - 5;
            const int want = in_plot ? expected_pixel(x, y, behind, size, front, shadow)
                                     : behind[static_cast<std::size_t>(y + plot_inset) * size.width + x + plot_inset];
            if (plot_pixel(x, y) == want) continue;
            if (mismatches++ == 0)
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                        std::to_string(plot_pixel(x, y)) + ", expected " + std::to_string(want);
        }
    }
    return mismatches;
}

TEST(BrickField, TitleComposedFromTheOffsetsOnConsoleAndScreen)
{
    struct Case {
        Offset shadow;
        std::string title;
    };
    for (const Case& c : {Case{{2, 2}, "T\x82gla (2,2)"}, Case{{0, 0}, "T\x82gla (0,0)"},
                          Case{{-1, 2}, "T\x82gla (-1,2)"}, Case{{3, -12}, "T\x82gla (3,-12)"}}) {
        SCOPED_TRACE(c.title);
        prepare_model(640, 480);
        ABLAKTORLES(c.title);
        const std::string framed_title = ascii_art(0, 0, 640, 12);
        RAJZTEGLA(c.shadow.x, c.shadow.y);
        ASSERT_FALSE(test_platform().lines.empty());
        EXPECT_EQ(test_platform().lines.back(), c.title);
        // The bricks stay below the title at this size: its rows are the frame's.
        EXPECT_EQ(ascii_art(0, 0, 640, 12), framed_title);
    }
}

TEST(BrickShadow, BandsAlongAFrontRowOfEqualColumns)
{
    for (const Size& size : {Size{640, 480}, Size{1000, 700}}) {
        for (const Offset& shadow : {Offset{0, 0}, Offset{0, 1}, Offset{1, 0}, Offset{2, 2}}) {
            SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + " shadow (" +
                         std::to_string(shadow.x) + "," + std::to_string(shadow.y) + ")");
            std::string first;
            EXPECT_EQ(front_row_mismatches(size, 40, shadow, first), 0) << first;
        }
    }
}

TEST(BrickShadow, ZeroHeightColumnIsOneRowAndStillCastsItsShadow)
{
    for (const Offset& shadow : {Offset{2, 2}, Offset{0, 0}}) {
        SCOPED_TRACE(shadow.x);
        prepare_model(640, 480);
        set_rows(30, 30);
        FVT(1, 2) = 0.0;
        RAJZTEGLA(shadow.x, shadow.y);
        const int base = MAXY - SK;
        const int left = SK + OK, right = SK + 2 * OK;  // column (1, 2)
        for (int x = left; x <= right; ++x) EXPECT_EQ(plot_pixel(x, base), blue) << x;
        // Between the next row's base line and this base line it is empty.
        for (int y = MAXY - 2 * SK + 1; y < base; ++y)
            for (int x = left + 1; x < right; ++x) ASSERT_EQ(plot_pixel(x, y), black) << x << ", " << y;
        // Its one-row shadow cuts into the taller right neighbour, and only there.
        const int cut = base - shadow.y;
        if (shadow.y > 0) {
            for (int x = right; x <= right + shadow.x; ++x) EXPECT_EQ(plot_pixel(x, cut), black) << x;
            EXPECT_EQ(plot_pixel(right + 1, cut + 1), blue);
        } else {
            for (int y = base - 30; y <= base; ++y) EXPECT_EQ(plot_pixel(right, y), blue) << y;
        }
        EXPECT_EQ(plot_pixel(right + shadow.x + 1, cut), blue);
        EXPECT_EQ(plot_pixel(right + 1, cut - 1), blue);
    }
}

// The first and last pixel column with blue in the plot window.
void blue_extent(int& first, int& last)
{
    first = -1;
    last = -1;
    for (int x = 0; x <= MAXX - 4; ++x) {
        if (count_pixels(blue, x + plot_inset, plot_inset, 1, MAXY - 3) == 0) continue;
        if (first < 0) first = x;
        last = x;
    }
}

TEST(BrickField, StartsAtTheRowStepAndIsClippedOnlyWhenTooWide)
{
    struct Case {
        Size size;
        int right_edge;
    };
    for (const Case& c : {Case{{640, 480}, 650}, Case{{1920, 1017}, 1850}}) {
        SCOPED_TRACE(c.size.width);
        prepare_model(c.size.width, c.size.height);
        ABLAKTORLES(brick_title(2, 2));
        const Snapshot framed = snapshot();
        RAJZTEGLA(2, 2);
        EXPECT_EQ(50 * SK + 50 * OK, c.right_edge);
        int first = 0, last = 0;
        blue_extent(first, last);
        EXPECT_EQ(first, SK);
        EXPECT_EQ(last, std::min(c.right_edge, MAXX - 4));
        // The frame around the plot window is untouched.
        const Snapshot now = snapshot();
        long frame_changes = 0;
        for (int y = 0; y <= MAXY; ++y)
            for (int x = 0; x <= MAXX; ++x)
                if (x < plot_inset || y < plot_inset || x > MAXX - plot_inset || y > MAXY - plot_inset)
                    frame_changes += now[static_cast<std::size_t>(y) * (MAXX + 1) + x] !=
                                     framed[static_cast<std::size_t>(y) * (MAXX + 1) + x];
        EXPECT_EQ(frame_changes, 0);
    }
}

TEST(BrickField, LeavesTheFillStyleSolidBlue)
{
    prepare_model(640, 480);
    RAJZTEGLA(1, 0);
    Bar(0, 0, 3, 3);
    EXPECT_EQ(count_pixels(blue, plot_inset, plot_inset, 4, 4), 16);
}

// The sample table's picture as 5,000 bars, shadow then column for every
// grid point from the back row to the front and right to left.
Snapshot bars_of_the_sample_table(Offset shadow)
{
    ABLAKTORLES(brick_title(shadow.x, shadow.y));
    for (int row = 50; row >= 1; --row) {
        for (int column = 50; column >= 1; --column) {
            const int right = row * SK + column * OK;
            const int base = MAXY - row * SK;
            const int top = rounded_height(base, NY, FVT(row, column));
            SetFillStyle(1, black);
            Bar(right + shadow.x - OK, top - shadow.y, right + shadow.x, base - shadow.y);
            SetFillStyle(1, blue);
            Bar(right - OK, top, right, base);
        }
    }
    return snapshot();
}

TEST(BrickField, SampleTableIsTwoBarsPerGridPoint)
{
    for (const Size& size : {Size{640, 480}, Size{1000, 700}, Size{801, 599}}) {
        for (const Offset& shadow : {Offset{2, 2}, Offset{1, 1}, Offset{0, 1}, Offset{1, 0}}) {
            SCOPED_TRACE(std::to_string(size.width) + " (" + std::to_string(shadow.x) + "," +
                         std::to_string(shadow.y) + ")");
            prepare_model(size.width, size.height);
            RAJZTEGLA(shadow.x, shadow.y);
            EXPECT_EQ(drawing_call_counts().bars, 5000) << "a shadow bar and a column bar per grid point";
            const Snapshot drawn = snapshot();
            EXPECT_EQ(differing_pixels(drawn, bars_of_the_sample_table(shadow)), 0);
        }
    }
}

}  // namespace
