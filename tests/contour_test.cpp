// The contour level test and the two contour maps: the level boundaries,
// which pairs and cells get marks, where the marks go, and the mark counts
// of the sample surface.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"
#include "tests/support/support.hpp"

namespace {

// What a renderer drew over its own title frame, in plot-window coordinates.
class Drawing {
public:
    Drawing(std::string_view title, void (*renderer)())
    {
        ABLAKTORLES(title);
        const PictureView frame = picture();
        const std::vector<std::uint8_t> before(frame.pixels, frame.pixels + frame.width * frame.height);
        renderer();
        const PictureView after = picture();
        width_ = after.width - 4;
        height_ = after.height - 4;
        colours_.assign(static_cast<std::size_t>(width_) * height_, 0);
        for (int y = 0; y < after.height; ++y) {
            for (int x = 0; x < after.width; ++x) {
                const std::uint8_t now = after.at(x, y);
                if (now == before[static_cast<std::size_t>(y) * after.width + x]) continue;
                if (inside_plot(x - 2, y - 2)) {
                    colours_[static_cast<std::size_t>(y - 2) * width_ + (x - 2)] = now;
                } else {
                    frame_touched_ = true;
                }
            }
        }
    }

    int colour(int x, int y) const
    {
        return inside_plot(x, y) ? colours_[static_cast<std::size_t>(y) * width_ + x] : 0;
    }
    bool lit(int x, int y) const { return colour(x, y) != 0; }
    bool frame_touched() const { return frame_touched_; }
    int width() const { return width_; }
    int height() const { return height_; }

    long lit_count() const
    {
        long count = 0;
        for (std::uint8_t c : colours_) count += c != 0;
        return count;
    }

    // Every drawn pixel, as (x, y), for checks that go over all of them.
    template <class Check>
    void for_each_lit(Check check) const
    {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (lit(x, y)) check(x, y);
    }

private:
    bool inside_plot(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> colours_;
    bool frame_touched_ = false;
};

// A table of one value everywhere, with levels 2, 4, 6, 8 and 10.
void use_flat_table(REAL value)
{
    prepare_model(640, 480);
    for (int row = 1; row <= 50; ++row)
        for (int column = 1; column <= 50; ++column) FVT(row, column) = value;
    YMAX = 10.0;
}

// ---- the level test -------------------------------------------------------

TEST(LevelTest, TableForLevelsOfTen)
{
    YMAX = 10.0;
    struct Case {
        REAL first, second;
        bool crosses;
    };
    const Case cases[] = {{2, 3, true},     {3, 2, true}, {1, 2, false}, {4.5, 5.5, false},
                          {3, 9, true},     {5, 5, false}, {0, 10, true}, {9.5, 10, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(SZINTVONAL(c.first, c.second), c.crosses) << c.first << ", " << c.second;
        EXPECT_EQ(SZINTVONAL(c.second, c.first), c.crosses) << c.second << ", " << c.first;
    }
}

TEST(LevelTest, ALevelCountsAtTheLowerValueOnly)
{
    YMAX = 10.0;
    for (REAL level : {2.0, 4.0, 6.0, 8.0}) {
        EXPECT_TRUE(SZINTVONAL(level, level + 0.5)) << level;
        EXPECT_FALSE(SZINTVONAL(level - 0.5, level)) << level;
        EXPECT_FALSE(SZINTVONAL(level, level)) << level;
        EXPECT_FALSE(SZINTVONAL(level + 0.1, level + 1.9)) << level;
    }
    // The top level equals YMAX, so it never separates two table samples.
    EXPECT_FALSE(SZINTVONAL(8.5, 10.0));
    EXPECT_FALSE(SZINTVONAL(10.0, 10.0));
}

TEST(LevelTest, LevelsOfTheSampleSurfaceAreStoredAsDoubles)
{
    // 0.6 * 2692800 is a little below 1615680 and is stored as 1615680, so a
    // sample of exactly 1615680 lies on the third level.
    YMAX = 2692800.0;
    EXPECT_TRUE(SZINTVONAL(1615680.0, 1615681.0));
    EXPECT_FALSE(SZINTVONAL(1615679.0, 1615680.0));
}

TEST(LevelTest, ValuesAboveTheTopLevelAreNotSeparated)
{
    YMAX = 10.0;
    EXPECT_FALSE(SZINTVONAL(11.0, 12.0));
    EXPECT_FALSE(SZINTVONAL(12.0, 11.0));
    EXPECT_TRUE(SZINTVONAL(10.0, 12.0));
}

// ---- the cell-edge map ------------------------------------------------------

// Counts of the vertical and horizontal marks a picture holds.  A mark is
// either there in full (every visible pixel) or absent (none of its inner
// pixels); anything else is a fault of its own.
struct MarkCounts {
    int vertical = 0, horizontal = 0, partial = 0;
};

MarkCounts count_marks(const Drawing& d)
{
    MarkCounts counts;
    auto classify = [&](int lit, int inner, int visible, int& full) {
        if (lit == visible) {
            ++full;
        } else if (inner != 0) {
            ++counts.partial;
        }
    };
    for (int I = 1; I <= 49; ++I) {
        for (int J = 1; J <= 49; ++J) {
            const int row = MAXY - SK * I, column = OK * J;
            int lit = 0, inner = 0, visible = 0;
            for (int y = row; y <= row + SK; ++y) {
                if (y >= d.height()) continue;
                ++visible;
                lit += d.lit(column, y);
                if (y != row && y != row + SK) inner += d.lit(column, y);
            }
            classify(lit, inner, visible, counts.vertical);
            lit = inner = visible = 0;
            for (int x = column - OK; x <= column; ++x) {
                ++visible;
                lit += d.lit(x, row);
                if (x != column - OK && x != column) inner += d.lit(x, row);
            }
            classify(lit, inner, visible, counts.horizontal);
        }
    }
    return counts;
}

// Every drawn pixel lies on a block side: a column OK * J or a row MAXY - SK * I.
void expect_only_block_sides(const Drawing& d)
{
    int strays = 0, wrong_colour = 0;
    d.for_each_lit([&](int x, int y) {
        strays += x % OK != 0 && (MAXY - y) % SK != 0;
        wrong_colour += d.colour(x, y) != 15;
    });
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(wrong_colour, 0);
}

TEST(EdgeMap, SampleSurfaceMarks)
{
    prepare_model(640, 480);
    const Drawing d(titles::szintvonal1, RAJZSZINT1);
    ASSERT_EQ(SK, 9);
    ASSERT_EQ(OK, 12);
    const MarkCounts counts = count_marks(d);
    EXPECT_EQ(counts.vertical, 214);
    EXPECT_EQ(counts.horizontal, 226);
    EXPECT_EQ(counts.partial, 0);
    expect_only_block_sides(d);
    EXPECT_FALSE(d.frame_touched());
}

TEST(EdgeMap, PairsAtThePeakStayUnmarked)
{
    prepare_model(640, 480);
    const Drawing d(titles::szintvonal1, RAJZSZINT1);
    // Inner pixels of the marks between (25, 32)..(25, 35) and of the
    // horizontal marks above and below (25, 33) and (25, 34).
    auto vertical_mid = [&](int I, int J) { return d.lit(OK * J, MAXY - SK * I + SK / 2); };
    auto horizontal_mid = [&](int I, int J) { return d.lit(OK * J - OK / 2, MAXY - SK * I); };
    for (int J : {32, 33, 34}) EXPECT_FALSE(vertical_mid(25, J)) << J;
    for (int I : {24, 25})
        for (int J : {33, 34}) EXPECT_FALSE(horizontal_mid(I, J)) << I << ", " << J;
}

TEST(EdgeMap, CornerSampleMarksTheTwoSidesOfItsBlock)
{
    use_flat_table(10.0);
    FVT(1, 1) = 0.0;
    const Drawing d(titles::szintvonal1, RAJZSZINT1);
    // (12, 470)-(12, 479), clipped at row 475, and (12, 470)-(0, 470).
    for (int y = 470; y <= 475; ++y) EXPECT_TRUE(d.lit(12, y)) << y;
    for (int x = 0; x <= 12; ++x) EXPECT_TRUE(d.lit(x, 470)) << x;
    EXPECT_EQ(d.lit_count(), 6 + 13 - 1);
    EXPECT_FALSE(d.frame_touched());
}

TEST(EdgeMap, PairsOfTheLastRowAndColumnAreNotExamined)
{
    use_flat_table(0.0);
    FVT(50, 50) = 10.0;
    const Drawing d(titles::szintvonal1, RAJZSZINT1);
    EXPECT_EQ(d.lit_count(), 0);
}

// ---- the cell-crossing map ----------------------------------------------------

// The drawn pixels strictly inside cell (I, J), which only its own strokes reach.
std::vector<int> cell_inside(const Drawing& d, int I, int J)
{
    std::vector<int> pixels;
    for (int y = MAXY - SK * (I + 1) + 1; y < MAXY - SK * I; ++y)
        for (int x = OK * J + 1; x < OK * (J + 1); ++x) pixels.push_back(d.colour(x, y));
    return pixels;
}

struct Stroke {
    int x1, y1, x2, y2;
};

// The inside of cell (I, J) after drawing the strokes alone.
std::vector<int> expected_inside(int I, int J, const std::vector<Stroke>& strokes)
{
    static std::vector<Stroke> pending;
    pending = strokes;
    const Drawing d(titles::szintvonal2, [] {
        for (const Stroke& s : pending) Line(s.x1, s.y1, s.x2, s.y2);
    });
    return cell_inside(d, I, J);
}

void set_cell(int I, int J, REAL a, REAL b, REAL c, REAL e)
{
    FVT(I, J) = a;
    FVT(I, J + 1) = b;
    FVT(I + 1, J) = c;
    FVT(I + 1, J + 1) = e;
}

TEST(CrossingMap, CellTable)
{
    // Cell (25, 25) at 640 x 480: the midpoints of its bottom, left, top and
    // right sides, with the halving after the product (229.5 -> 229).
    const int bx = 306, by = 254, lx = 300, ly = 250, tx = 306, ty = 245, rx = 312, ry = 250;
    struct Case {
        REAL corners[4];
        std::vector<Stroke> strokes;
    };
    const Case cases[] = {
        {{1, 3, 1, 1}, {{bx, by, rx, ry}}},                    // sides 1 and 4: a diagonal
        {{1, 1, 5, 5}, {{lx, ly, rx, ry}}},                    // sides 2 and 4: across
        {{1, 1, 3, 1}, {{lx, ly, tx, ty}}},                    // sides 2 and 3
        {{1, 5, 5, 1}, {{bx, by, tx, ty}, {lx, ly, rx, ry}}},  // all four: the plus sign
        {{1, 3, 5, 3}, {}},                                    // three sides: nothing
        {{5, 5, 5, 5}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.corners[0]) + " " + std::to_string(c.corners[1]) + " " +
                     std::to_string(c.corners[2]) + " " + std::to_string(c.corners[3]));
        use_flat_table(1.0);
        set_cell(25, 25, c.corners[0], c.corners[1], c.corners[2], c.corners[3]);
        const Drawing d(titles::szintvonal2, RAJZSZINT2);
        ASSERT_EQ(SK, 9);
        ASSERT_EQ(OK, 12);
        EXPECT_EQ(cell_inside(d, 25, 25), expected_inside(25, 25, c.strokes));
        for (const Stroke& s : c.strokes) {
            EXPECT_TRUE(d.lit(s.x1, s.y1));
            EXPECT_TRUE(d.lit(s.x2, s.y2));
        }
    }
}

TEST(CrossingMap, PlusSignInTheFirstCell)
{
    use_flat_table(1.0);
    set_cell(1, 1, 1, 5, 5, 1);
    const Drawing d(titles::szintvonal2, RAJZSZINT2);
    // Line(18, 470, 18, 461), then Line(12, 466, 24, 466).
    for (int y = 461; y <= 470; ++y) EXPECT_TRUE(d.lit(18, y)) << y;
    for (int x = 12; x <= 24; ++x) EXPECT_TRUE(d.lit(x, 466)) << x;
    int inside = 0;
    for (int c : cell_inside(d, 1, 1)) inside += c != 0;
    EXPECT_EQ(inside, 8 + 11 - 1);
}

// Cells whose inside holds a stroke; every drawn pixel must belong to one
// of them or to their sides.
int stroke_cells(const Drawing& d)
{
    int cells = 0;
    for (int I = 1; I <= 49; ++I) {
        for (int J = 1; J <= 49; ++J) {
            int inside = 0;
            for (int c : cell_inside(d, I, J)) inside += c != 0;
            cells += inside != 0;
        }
    }
    return cells;
}

TEST(CrossingMap, SampleSurfaceStrokes)
{
    prepare_model(640, 480);
    const Drawing d(titles::szintvonal2, RAJZSZINT2);
    EXPECT_EQ(stroke_cells(d), 440);
    int wrong_colour = 0;
    d.for_each_lit([&](int x, int y) { wrong_colour += d.colour(x, y) != 15; });
    EXPECT_EQ(wrong_colour, 0);
    EXPECT_FALSE(d.frame_touched());
}

TEST(CrossingMap, ExaminesTheLastRowAndColumn)
{
    use_flat_table(0.0);
    FVT(50, 50) = 10.0;
    const Drawing d(titles::szintvonal2, RAJZSZINT2);
    EXPECT_EQ(stroke_cells(d), 1);
    int inside = 0;
    for (int c : cell_inside(d, 49, 49)) inside += c != 0;
    EXPECT_GT(inside, 0);
    // From the top side's midpoint to the right side's midpoint.
    EXPECT_TRUE(d.lit((99 * OK) / 2, MAXY - 50 * SK));
    EXPECT_TRUE(d.lit(50 * OK, MAXY - (99 * SK) / 2));
}

// ---- other window sizes ---------------------------------------------------------

TEST(ContourMaps, OddWindowSizes)
{
    const int sizes[][2] = {{333, 217}, {1001, 757}, {257, 1003}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
        prepare_model(size[0], size[1]);
        const Drawing edges(titles::szintvonal1, RAJZSZINT1);
        const MarkCounts counts = count_marks(edges);
        EXPECT_EQ(counts.vertical, 214);
        EXPECT_EQ(counts.horizontal, 226);
        EXPECT_EQ(counts.partial, 0);
        expect_only_block_sides(edges);
        EXPECT_FALSE(edges.frame_touched());

        const Drawing cells(titles::szintvonal2, RAJZSZINT2);
        EXPECT_EQ(stroke_cells(cells), 440);
        EXPECT_FALSE(cells.frame_touched());
    }
}

TEST(ContourMaps, TinyWindowDrawsInsideThePlotWindow)
{
    prepare_model(60, 45);
    EXPECT_FALSE(Drawing(titles::szintvonal1, RAJZSZINT1).frame_touched());
    EXPECT_FALSE(Drawing(titles::szintvonal2, RAJZSZINT2).frame_touched());
}

}  // namespace
