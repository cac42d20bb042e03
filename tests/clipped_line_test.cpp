// The pixel test FELUL, the column test BELUL and the clipped line VONALIG,
// on small prepared pictures in a plot window inset by two pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "gfx/graph.hpp"
#include "gfx/picture.hpp"
#include "render/render.hpp"
#include "tests/support/support.hpp"

namespace {

constexpr int white = 15;

using PixelSet = std::set<std::pair<int, int>>;

// Lit pixels of the plot window, in plot-window coordinates.
PixelSet lit_pixels()
{
    const PictureView picture = current_picture();
    PixelSet lit;
    for (int y = plot_inset; y < picture.height - plot_inset; ++y) {
        for (int x = plot_inset; x < picture.width - plot_inset; ++x) {
            if (picture.at(x, y) != 0) lit.insert({x - plot_inset, y - plot_inset});
        }
    }
    return lit;
}

// What Line lights on its own; leaves the plot window cleared.
PixelSet line_pixels(int x1, int y1, int x2, int y2)
{
    ClearViewPort();
    Line(x1, y1, x2, y2);
    PixelSet pixels = lit_pixels();
    ClearViewPort();
    return pixels;
}

PixelSet joined(PixelSet a, const PixelSet& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

class HorizonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        open_offscreen(640, 480);
        SetColor(white);
        SetViewPort(plot_inset, plot_inset, 639 - plot_inset, 479 - plot_inset, true);
        ClearViewPort();
    }
};

TEST_F(HorizonTest, FelulNeedsThePositionAndThePixelAboveEmpty)
{
    EXPECT_TRUE(FELUL(20, 30));
    PutPixel(20, 30, white);
    EXPECT_FALSE(FELUL(20, 30));  // the position itself is drawn
    EXPECT_FALSE(FELUL(20, 31));  // only the pixel above is drawn
    EXPECT_TRUE(FELUL(20, 29));   // a drawn pixel below does not count
    EXPECT_TRUE(FELUL(21, 30));
}

TEST_F(HorizonTest, FelulRoundsHalvesToEven)
{
    PutPixel(13, 41, white);  // what rounding halves up would read
    PutPixel(13, 40, white);
    EXPECT_TRUE(FELUL(12.5, 40.5));
    EXPECT_FALSE(FELUL(13.4, 41.2));

    ClearViewPort();
    PutPixel(12, 40, white);
    EXPECT_FALSE(FELUL(12.5, 40.5));
    EXPECT_FALSE(FELUL(11.5, 39.5));  // 11.5 rounds up to 12, 39.5 up to 40

    ClearViewPort();
    PutPixel(12, 39, white);
    EXPECT_FALSE(FELUL(12.5, 40.5));
}

TEST_F(HorizonTest, BelulIncludesBothBoundsInEitherOrder)
{
    for (REAL column : {10.0, 20.0, 30.0}) {
        EXPECT_TRUE(BELUL(column, 10, 30)) << column;
        EXPECT_TRUE(BELUL(column, 30, 10)) << column;
    }
    const REAL below = std::nextafter(10.0, 0.0);
    const REAL above = std::nextafter(30.0, 40.0);
    EXPECT_FALSE(BELUL(below, 10, 30));
    EXPECT_FALSE(BELUL(below, 30, 10));
    EXPECT_FALSE(BELUL(above, 10, 30));
    EXPECT_FALSE(BELUL(above, 30, 10));
    EXPECT_TRUE(BELUL(-5.5, -10, 0));
}

TEST_F(HorizonTest, VonaligOnAnEmptyPictureDrawsTheWholeSegment)
{
    const PixelSet forward = line_pixels(10, 50, 30, 40);
    VONALIG(10, 50, 30, 40);
    EXPECT_EQ(lit_pixels(), forward);

    const PixelSet backward = line_pixels(30, 40, 10, 50);
    VONALIG(30, 40, 10, 50);  // walking left, the Line starts at the start point
    EXPECT_EQ(lit_pixels(), backward);
}

TEST_F(HorizonTest, VonaligNeverTestsItsStartPoint)
{
    const PixelSet whole = line_pixels(10, 50, 30, 40);
    PutPixel(10, 50, white);
    PutPixel(10, 49, white);
    VONALIG(10, 50, 30, 40);
    EXPECT_EQ(lit_pixels(), joined(whole, {{10, 49}}));
}

TEST_F(HorizonTest, VonaligStopsAtADrawnHorizontalLine)
{
    const PixelSet across = line_pixels(0, 45, 100, 45);

    // Walking down, the drawn part ends one row above the line.
    const PixelSet down = line_pixels(10, 40, 14, 44);
    Line(0, 45, 100, 45);
    VONALIG(10, 40, 30, 60);
    EXPECT_EQ(lit_pixels(), joined(across, down));

    // Walking up, it ends two rows below it.
    const PixelSet up = line_pixels(10, 50, 13, 47);
    Line(0, 45, 100, 45);
    VONALIG(10, 50, 30, 30);
    EXPECT_EQ(lit_pixels(), joined(across, up));
}

TEST_F(HorizonTest, VonaligWithTheFirstPositionBlockedSetsTheStartPixelAlone)
{
    PutPixel(11, 48, white);  // above the first position (11, 49)
    VONALIG(10, 50, 30, 30);
    EXPECT_EQ(lit_pixels(), (PixelSet{{10, 50}, {11, 48}}));
}

TEST_F(HorizonTest, VonaligEndsOneStepBeforeAVerticalLineRoundingHalvesToEven)
{
    // The walk fails at column 18; the step before is (17, 46.5), drawn to row 46.
    const PixelSet wall = line_pixels(18, 0, 18, 100);
    const PixelSet drawn = line_pixels(10, 50, 17, 46);
    Line(18, 0, 18, 100);
    VONALIG(10, 50, 30, 40);
    EXPECT_EQ(lit_pixels(), joined(wall, drawn));
}

}  // namespace
