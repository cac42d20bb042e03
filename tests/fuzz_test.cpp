// Fuzzing.  Extreme 16-bit coordinates thrown at every drawing operation: nothing
// outside the viewport may change, and nothing may crash (run under the
// address and undefined-behaviour sanitizers too).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gfx/graph.hpp"
#include "tests/support/support.hpp"

namespace {

int extreme_coordinate(std::mt19937& random)
{
    static const int edges[] = {-32768, -32767, -1, 0, 1, 2, 5, 37, 38, 39, 40, 32766, 32767};
    switch (random() % 3) {
    case 0: return edges[random() % (sizeof edges / sizeof edges[0])];
    case 1: return static_cast<int>(random() % 50) - 5;
    default: return static_cast<int>(random() % 65536) - 32768;
    }
}

void draw_something(std::mt19937& random)
{
    int c[8];
    for (int& v : c) v = extreme_coordinate(random);
    SetColor(1 + static_cast<int>(random() % 14));
    SetFillStyle(static_cast<int>(random() % 13), 1 + static_cast<int>(random() % 14));
    switch (random() % 7) {
    case 0: Line(c[0], c[1], c[2], c[3]); break;
    case 1: Rectangle(c[0], c[1], c[2], c[3]); break;
    case 2: PutPixel(c[0], c[1], 9); break;
    case 3: Bar(c[0], c[1], c[2], c[3]); break;
    case 4: OutTextXY(c[0], c[1], "\x82\x94 Tgla"); break;
    case 5: (void)GetPixel(c[0], c[1]); break;
    default: {
        const int n = 1 + static_cast<int>(random() % 4);
        std::vector<SMALLINT> points;
        for (int i = 0; i < 2 * n; ++i) points.push_back(static_cast<SMALLINT>(c[i]));
        FillPoly(n, points.data());
    }
    }
}

TEST(Fuzz, NothingOutsideTheViewportChanges)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        open_offscreen(41, 29);
        SetFillStyle(1, 7);
        Bar(0, 0, 40, 28);
        const int left = static_cast<int>(random() % 20), top = static_cast<int>(random() % 14);
        const int right = left + static_cast<int>(random() % (41 - left));
        const int bottom = top + static_cast<int>(random() % (29 - top));
        SetViewPort(left, top, right, bottom, true);
        SetTextJustify(static_cast<int>(random() % 3), static_cast<int>(random() % 3));
        for (int k = 0; k < 60; ++k) draw_something(random);
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 41; ++x) {
                if (x >= left && x <= right && y >= top && y <= bottom) continue;
                ASSERT_EQ(picture().at(x, y), 7) << "round " << round << " at " << x << "," << y;
            }
    }
}

TEST(Fuzz, FarAwayLinesCostNothingAndDrawNothing)
{
    open_offscreen(16, 16);
    Line(-32768, -32768, -32768, 32767);
    Line(-32768, 20000, 32767, 20000);
    Line(-32768, -32768, 32767, 32767);  // passes through the window
    EXPECT_EQ(count_pixels(15), 16);
}

}  // namespace
