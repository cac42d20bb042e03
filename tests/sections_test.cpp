// The hidden-line pictures: the projection, the horizon rules and the four
// segment cases of the point procedures, and whole pictures of the sheet and
// the solid checked against what their geometry says they must show.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "gfx/picture.hpp"
#include "render/render.hpp"
#include "tests/support/support.hpp"

namespace {

constexpr int white = 15;

using Points = std::vector<std::pair<int, int>>;

// Plot-window coordinates.
bool lit(int x, int y) { return plot_pixel(x, y) != 0; }

// One picture row as text, '#' lit and '.' empty, columns from..to.
std::string row_text(int y, int from, int to)
{
    std::string text;
    for (int x = from; x <= to; ++x) text += lit(x, y) ? '#' : '.';
    return text;
}

// True when drawing the line again changes no pixel: it is already there.
bool line_is_drawn(int x1, int y1, int x2, int y2)
{
    const Snapshot before = snapshot();
    Line(x1, y1, x2, y2);
    return differing_pixels(before, snapshot()) == 0;
}

// The pixels Line lights on its own, on a cleared plot window.
Points line_pixels(int x1, int y1, int x2, int y2)
{
    SetViewPort(plot_inset, plot_inset, MAXX - plot_inset, MAXY - plot_inset, true);
    ClearViewPort();
    Line(x1, y1, x2, y2);
    Points points;
    for (int y = 0; y <= MAXY - 2 * plot_inset; ++y) {
        for (int x = 0; x <= MAXX - 2 * plot_inset; ++x) {
            if (lit(x, y)) points.push_back({x, y});
        }
    }
    ClearViewPort();
    return points;
}

void zero_table()
{
    for (int row = 1; row <= 50; ++row) {
        for (int column = 1; column <= 50; ++column) FVT(row, column) = 0;
    }
}

// A zero table's sheet: every drawn row is one horizontal line at its zero level.
void draw_zero_sheet_rows()
{
    for (int row = 1; row <= 46; row += 3) {
        const int zero_level = MAXY - row * SK;
        Line((row + 1) * OK, zero_level, (row + 46) * OK, zero_level);
    }
}

// A zero table's solid: the rows, Y sections slanting up to the right, the
// front face, and right faces whose verticals shrink to single pixels.
void draw_zero_solid()
{
    Line(2 * OK, MAXY - SK, 47 * OK, MAXY - SK);
    Line(2 * OK, MAXY - SK, 2 * OK, MAXY - SK);
    draw_zero_sheet_rows();
    for (int row = 1; row <= 46; row += 3) {
        const int zero_level = MAXY - row * SK;
        const int back = row - 3;
        if (row > 1) {
            for (int column = 1; column <= 46; column += 3) {
                Line((back + column) * OK, MAXY - back * SK, (row + column) * OK, zero_level);
            }
            Line((row + 46) * OK, zero_level, (back + 46) * OK, MAXY - back * SK);
        }
        Line((row + 46) * OK, zero_level, (row + 46) * OK, zero_level);
    }
}

// The point procedures on row 1 of a zero table in a 640 x 480 window, where
// column index 1 lies at screen column 12 and 4 at 30, both on row 472.
class PointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prepare_model(640, 480);
        set_oblique_steps();
        zero_table();
        SetViewPort(plot_inset, plot_inset, MAXX - plot_inset, MAXY - plot_inset, true);
        ClearViewPort();
        clear_horizon(v);
        v.I = 1;
    }

    // Previous point (1, 1), current point (1, 4).
    void step_to_column_4(bool previous_visible)
    {
        v.EOSZLOP = 12;
        v.ESOR = 472;
        v.LATSZIK = previous_visible;
        v.J = 4;
        next_section_point(v);
    }

    SectionLocals v{};
};

TEST_F(PointTest, ProjectionFor640x480)
{
    EXPECT_EQ(SK, 7);
    EXPECT_EQ(OK, 6);
    EXPECT_EQ(section_column(1, 1), 12);
    EXPECT_EQ(section_column(1, 46), 282);
    EXPECT_EQ(section_column(46, 1), 282);
    EXPECT_EQ(section_column(46, 46), 552);
    EXPECT_EQ(section_row(1, 1), 472);
    EXPECT_EQ(section_row(46, 46), 157);
    FVT(25, 33) = YMAX;  // the maximum stands 100 rows above its zero level
    EXPECT_EQ(section_row(25, 33), 479 - 25 * 7 - 100);
}

TEST_F(PointTest, FirstPointIsTestedAndNotDrawn)
{
    for (long k = 1; k <= 100; ++k) ASSERT_EQ(v.OMAX(k), 480) << k;
    first_section_point(v);
    EXPECT_EQ(v.EOSZLOP, 12);
    EXPECT_EQ(v.ESOR, 472);
    EXPECT_TRUE(v.LATSZIK);
    EXPECT_EQ(v.OMAX(2), 472);
    EXPECT_EQ(count_pixels(white), 0);

    v.OMAX(2) = 471;
    first_section_point(v);
    EXPECT_FALSE(v.LATSZIK);
    EXPECT_EQ(v.OMAX(2), 471);
}

TEST_F(PointTest, HorizonRules)
{
    v.OMAX(5) = 472;  // exactly on the horizon: visible, entry kept
    step_to_column_4(true);
    EXPECT_TRUE(v.LATSZIK);
    EXPECT_EQ(v.OMAX(5), 472);
    EXPECT_EQ(v.EOSZLOP, 30);
    EXPECT_EQ(v.ESOR, 472);

    v.OMAX(5) = 471;  // one row above the point: hidden, entry left alone
    step_to_column_4(true);
    EXPECT_FALSE(v.LATSZIK);
    EXPECT_EQ(v.OMAX(5), 471);
    EXPECT_EQ(v.EOSZLOP, 30);  // a hidden point still becomes the previous one

    v.OMAX(5) = 480;  // below the point: the horizon moves up to it
    step_to_column_4(true);
    EXPECT_EQ(v.OMAX(5), 472);
}

TEST_F(PointTest, FourSegmentCases)
{
    struct Case {
        bool previous_visible, current_visible;
        const char* row_472;  // columns 12..30; a wall stands at column 21
    };
    const Case cases[] = {
        {true, true, "###################"},    // whole, through the wall
        {true, false, "##########........."},   // clipped from the previous point
        {false, true, ".........##########"},   // clipped from the current point
        {false, false, ".........#........."},  // nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.previous_visible << c.current_visible);
        ClearViewPort();
        Line(21, 400, 21, 479);
        clear_horizon(v);
        v.OMAX(5) = c.current_visible ? 480 : 471;
        step_to_column_4(c.previous_visible);
        EXPECT_EQ(row_text(472, 12, 30), c.row_472);
        EXPECT_EQ(v.LATSZIK, c.current_visible);
        EXPECT_EQ(v.OMAX(5), c.current_visible ? 472 : 471);
    }
}

// Each call starts with a fresh horizon: a tall picture first must not hide
// anything of the zero table drawn after it.
TEST(SectionPictures, ZeroTableAtManySizesAfterATallerPicture)
{
    const std::pair<int, int> sizes[] = {{640, 480}, {800, 600}, {1366, 705}, {333, 257}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        prepare_model(width, height);

        RAJZFUGGVENY1();
        zero_table();
        RAJZFUGGVENY1();
        const Snapshot sheet = snapshot();
        ABLAKTORLES(titles::lepel);
        draw_zero_sheet_rows();
        EXPECT_EQ(differing_pixels(sheet, snapshot()), 0);

        prepare_model(width, height);
        RAJZFUGGVENY3();
        zero_table();
        RAJZFUGGVENY3();
        const Snapshot solid = snapshot();
        ABLAKTORLES(titles::tomor);
        draw_zero_solid();
        EXPECT_EQ(differing_pixels(solid, snapshot()), 0);
    }
}

TEST(SectionPictures, SampleTableFacesFor640x480)
{
    prepare_model(640, 480);
    RAJZFUGGVENY1();
    // Row 1 of the table is zero and nothing lies lower.
    EXPECT_EQ(row_text(472, 12, 282), std::string(271, '#'));
    EXPECT_EQ(row_text(473, 0, 635), std::string(636, '.'));

    RAJZFUGGVENY3();
    EXPECT_TRUE(line_is_drawn(12, 472, 282, 472));  // front bottom edge
    EXPECT_TRUE(lit(12, 472));                      // front left edge, FVT[1, 1] = 0
    EXPECT_TRUE(line_is_drawn(300, section_row(4, 46), 300, 451));  // row 4's right vertical
    EXPECT_TRUE(line_is_drawn(300, 451, 282, 472));                 // row 4's right bottom edge
}

// Row 1 rises to the maximum at column index 4, which hides point (4, 1).
class HiddenPointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prepare_model(640, 480);
        zero_table();
        FVT(1, 4) = YMAX;
    }
};

TEST_F(HiddenPointTest, SheetRowWalksBackFromItsFirstVisiblePoint)
{
    RAJZFUGGVENY1();
    // Point (4, 1) at (30, 451) is hidden, point (4, 4) at (48, 451) visible:
    // the walk leaves 48 leftwards and stops at row 1's slope.
    EXPECT_EQ(row_text(451, 46, 48), "###");
    EXPECT_EQ(row_text(451, 30, 40), "...........");
}

TEST_F(HiddenPointTest, SolidLeavesOutTheYSectionButRemembersThePoint)
{
    const Points left_out = line_pixels(12, 472, 30, 451);
    RAJZFUGGVENY3();
    for (const auto& [x, y] : left_out) {
        if (x >= 16 && x <= 26) {
            EXPECT_FALSE(lit(x, y)) << x << "," << y;
        }
    }
    // Row 7's Y section at column index 1 starts from the hidden point.
    EXPECT_TRUE(line_is_drawn(30, 451, 48, 430));
}

}  // namespace
