// The painted quadrilaterals: the front line of the inverted table at
// 640 x 480, the last cell lying over everything, the first cell lying under
// everything painted after it, the drawing state left behind, and the whole
// picture as 225 quadrilaterals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/frame.hpp"
#include "gfx/call_counts.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"
#include "tests/support/support.hpp"

namespace {

constexpr int black = 0;
constexpr int blue = 1;

struct Size {
    int width, height;
};

// Plot-window coordinates.
int pixel_of(const Snapshot& s, int x, int y) { return s[static_cast<std::size_t>(y + plot_inset) * (MAXX + 1) + x + plot_inset]; }

REAL value_of_height(int pixels) { return YMAX * pixels / 100.0; }

void flatten_table()
{
    for (int row = 1; row <= 50; ++row)
        for (int column = 1; column <= 50; ++column) FVT(row, column) = 0.0;
}

// A grid corner on the screen: (row + column) column steps across, and up by
// the row steps and the scaled height.
void corner(int row, int column, SMALLINT* point)
{
    point[0] = static_cast<SMALLINT>((row + column) * OK);
    point[1] = static_cast<SMALLINT>(rounded_height(MAXY - row * SK, NY, FVT(row, column)));
}

// The cell of rows I-3..I and columns J-3..J, corners in the painting order.
void cell_points(int I, int J, SMALLINT* points)
{
    corner(I, J - 3, &points[0]);
    corner(I - 3, J - 3, &points[2]);
    corner(I - 3, J, &points[4]);
    corner(I, J, &points[6]);
}

// Which plot-window pixels one cell fills (13) and outlines (14), alone on
// a cleared picture of the same size.
Snapshot cell_alone(int I, int J, const Size& size)
{
    SMALLINT points[8];
    cell_points(I, J, points);
    open_offscreen(size.width, size.height);
    SetViewPort(plot_inset, plot_inset, MAXX - plot_inset, MAXY - plot_inset, true);
    SetColor(14);
    SetFillStyle(1, 13);
    FillPoly(4, points);
    return snapshot();
}

TEST(Quadrilaterals, FrontLineOfTheInvertedTableAt640x480)
{
    prepare_model(640, 480);
    invert_table();
    RAJZFUGGVENY4();
    EXPECT_EQ(test_platform().lines.back(), "Festett 4sz\x94gek");
    EXPECT_EQ(SK, 7);
    EXPECT_EQ(OK, 6);
    // Row 1 holds YMAX everywhere: its corners (1, 1) .. (1, 46) lie on row
    // 372 from column 12 to column 282, and nothing lies below them.
    for (int x = 0; x <= 635; ++x) EXPECT_EQ(plot_pixel(x, 372), x >= 12 && x <= 282 ? blue : black) << x;
    EXPECT_EQ(count_pixels(blue, plot_inset, 373 + plot_inset, 636, 475 - 372), 0);
}

TEST(Quadrilaterals, LeaveTheOutlineBlueAndTheFillSolidBlack)
{
    prepare_model(640, 480);
    invert_table();
    RAJZFUGGVENY4();
    Line(0, 474, 9, 474);
    Bar(100, 372, 110, 372);
    EXPECT_EQ(count_pixels(blue, plot_inset, 474 + plot_inset, 10, 1), 10);
    EXPECT_EQ(count_pixels(black, 100 + plot_inset, 372 + plot_inset, 11, 1), 11);
}

TEST(Quadrilaterals, LastCellLiesOverEverything)
{
    // The front-right cell's corner (1, 46) pulled up 250 rows, over cells
    // behind it.
    const Size size{640, 480};
    prepare_model(size.width, size.height);
    flatten_table();
    RAJZFUGGVENY4();
    const Snapshot flat = snapshot();
    FVT(1, 46) = value_of_height(250);
    RAJZFUGGVENY4();
    const Snapshot drawn = snapshot();
    const Snapshot alone = cell_alone(4, 46, size);

    long inside = 0, flat_blue_inside = 0, wrong = 0;
    for (int y = 0; y <= MAXY - 4; ++y) {
        for (int x = 0; x <= MAXX - 4; ++x) {
            const int role = pixel_of(alone, x, y);
            if (role == 13) {
                ++inside;
                flat_blue_inside += pixel_of(flat, x, y) == blue;
                wrong += pixel_of(drawn, x, y) != black;
            } else if (role == 14) {
                wrong += pixel_of(drawn, x, y) != blue;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(inside, 1000);
    EXPECT_GT(flat_blue_inside, 0);  // it does cover lines drawn before it
}

TEST(Quadrilaterals, FirstCellLiesUnderEverythingPaintedAfterIt)
{
    // The back-left cell's corner (46, 1) pulled down 200 rows: it then
    // reaches into the rows in front and into its right neighbour, which
    // are painted later and must show as if it were flat.
    prepare_model(640, 480);
    flatten_table();
    RAJZFUGGVENY4();
    const Snapshot flat = snapshot();
    FVT(46, 1) = value_of_height(-200);
    RAJZFUGGVENY4();
    const Snapshot drawn = snapshot();

    SMALLINT points[8];
    cell_points(46, 4, points);
    EXPECT_EQ(points[0], 282);
    EXPECT_EQ(points[1], 357);
    const int shared_top = points[7], shared_bottom = points[5];  // corners (46, 4), (43, 4)
    ASSERT_EQ(shared_top, 157);
    ASSERT_EQ(shared_bottom, 178);

    long later_region_changes = 0;
    for (int y = shared_top + 1; y <= MAXY - 4; ++y) {
        // Right of the edge shared with the neighbour, in its row; every
        // column in the rows in front.
        const int from = y > shared_bottom ? 0 : 282 + (18 * (shared_bottom - y)) / 21 + 2;
        for (int x = from; x <= MAXX - 4; ++x) later_region_changes += pixel_of(drawn, x, y) != pixel_of(flat, x, y);
    }
    EXPECT_EQ(later_region_changes, 0);
    EXPECT_GT(differing_pixels(drawn, flat), 0);
}

// The picture as 225 quadrilaterals, back row first, left to right.
Snapshot cells_of_the_table()
{
    SetColor(15);  // the frame as the show draws it, before the colour changes
    ABLAKTORLES(titles::festett);
    SetColor(blue);
    SetFillStyle(1, black);
    for (int I = 46; I >= 4; I -= 3) {
        for (int J = 4; J <= 46; J += 3) {
            SMALLINT points[8];
            cell_points(I, J, points);
            FillPoly(4, points);
        }
    }
    return snapshot();
}

TEST(Quadrilaterals, SampleTablesAre225Cells)
{
    for (const Size& size : {Size{640, 480}, Size{1000, 700}, Size{1920, 1017}, Size{333, 251}}) {
        for (bool inverted : {true, false}) {
            SCOPED_TRACE(std::to_string(size.width) + (inverted ? " inverted" : " upright"));
            prepare_model(size.width, size.height);
            if (inverted) invert_table();
            RAJZFUGGVENY4();
            EXPECT_EQ(drawing_call_counts().fill_polys, 225);
            const Snapshot drawn = snapshot();
            EXPECT_EQ(differing_pixels(drawn, cells_of_the_table()), 0);
        }
    }
}

}  // namespace
