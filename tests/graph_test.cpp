// The drawing operations on tiny canvases, pictures written as ASCII art.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "gfx/font8x8.hpp"
#include "gfx/graph.hpp"
#include "tests/support/support.hpp"

namespace {

class Canvas : public ::testing::Test {
protected:
    void open(int width, int height) { open_offscreen(width, height); }
};

TEST_F(Canvas, InitGraphLeavesTheDocumentedDefaults)
{
    open(10, 8);
    EXPECT_EQ(GetMaxX(), 9);
    EXPECT_EQ(GetMaxY(), 7);
    EXPECT_EQ(count_pixels(0), 80);
    // Drawing colour 15, fill pattern 1 in colour 255, justification left/top.
    PutPixel(0, 0, 3);
    Line(1, 1, 3, 1);
    Bar(0, 3, 1, 3);
    OutTextXY(2, 4, "\xDB");  // a full block: its glyph rows start at the top
    EXPECT_EQ(ascii_art(0, 0, 10, 5),
              "3.........\n"
              ".###......\n"
              "..........\n"
              "??........\n"
              "..########\n");
    EXPECT_EQ(picture().at(0, 3), 255);
}

TEST_F(Canvas, LineFollowsBresenhamFromTheFirstPoint)
{
    open(8, 5);
    Line(0, 0, 7, 3);
    EXPECT_EQ(ascii_art(0, 0, 8, 5),
              "##......\n"
              "..##....\n"
              "....##..\n"
              "......##\n"
              "........\n");
    // The same pair of points drawn the other way starts its steps at the
    // far end, so the tie in the middle breaks the other way.
    open(5, 2);
    Line(0, 0, 4, 1);
    EXPECT_EQ(ascii_art(0, 0, 5, 2),
              "##...\n"
              "..###\n");
    open(5, 2);
    Line(4, 1, 0, 0);
    EXPECT_EQ(ascii_art(0, 0, 5, 2),
              "###..\n"
              "...##\n");
}

TEST_F(Canvas, SteepLinesStepAlongRowsAndPointsLightOnePixel)
{
    open(4, 6);
    Line(0, 0, 2, 5);
    Line(3, 3, 3, 3);
    EXPECT_EQ(ascii_art(0, 0, 4, 6),
              "#...\n"
              "#...\n"
              ".#..\n"
              ".#.#\n"
              "..#.\n"
              "..#.\n");
}

TEST_F(Canvas, ClippedLineKeepsThePixelsOfTheWholeLine)
{
    // The pixels inside the viewport are exactly those of the unclipped line.
    open(20, 12);
    Line(-7, -3, 19, 9);
    const std::string whole = ascii_art(0, 0, 20, 12);
    open(20, 12);
    SetViewPort(3, 2, 12, 8, true);
    Line(-10, -5, 16, 7);  // the same line in viewport coordinates
    const std::string clipped = ascii_art(0, 0, 20, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) {
            const char expected = (x >= 3 && x <= 12 && y >= 2 && y <= 8) ? whole[y * 21 + x] : '.';
            EXPECT_EQ(clipped[y * 21 + x], expected) << "at " << x << "," << y;
        }
}

TEST_F(Canvas, BarFillsEitherCornerOrderAndOneRowBars)
{
    open(20, 30);
    SetFillStyle(1, 4);
    Bar(10, 20, 15, 20);
    EXPECT_EQ(count_pixels(4), 6);
    EXPECT_EQ(count_pixels(4, 10, 20, 6, 1), 6);
    Bar(10, 25, 15, 22);
    EXPECT_EQ(count_pixels(4, 10, 22, 6, 4), 24);
    SetFillStyle(0, 9);  // pattern 0 paints the background colour
    Bar(10, 22, 12, 22);
    EXPECT_EQ(count_pixels(4, 10, 22, 6, 1), 3);
}

TEST_F(Canvas, RectangleOnTheWindowEdgeLightsTheBorderOnly)
{
    open(640, 480);
    Rectangle(0, 0, 639, 479);
    EXPECT_EQ(count_pixels(15), 2 * 640 + 2 * 478);
    EXPECT_EQ(count_pixels(15, 1, 1, 638, 478), 0);
}

TEST_F(Canvas, ViewportShiftsAndClipsPixels)
{
    open(640, 480);
    SetViewPort(2, 2, 637, 477, true);
    PutPixel(0, 0, 1);
    PutPixel(-1, 0, 1);
    PutPixel(636, 0, 1);
    EXPECT_EQ(picture().at(2, 2), 1);
    EXPECT_EQ(count_pixels(1), 1);
    EXPECT_EQ(GetPixel(0, 0), 1);
    // Outside the viewport but inside the window the window's pixel is read.
    SetViewPort(3, 3, 637, 477, true);
    EXPECT_EQ(GetPixel(-1, -1), 1);
    EXPECT_EQ(GetPixel(-4, 0), 0);
    EXPECT_EQ(GetPixel(5000, 5000), 0);
}

TEST_F(Canvas, SetViewPortRejectsRectanglesOutsideTheWindow)
{
    open(10, 10);
    SetViewPort(2, 2, 5, 5, true);
    SetViewPort(6, 2, 5, 5, true);   // reversed
    SetViewPort(0, 0, 10, 9, true);  // one column too wide
    SetViewPort(-1, 0, 5, 5, true);
    ClearViewPort();
    SetBkColor(7);
    ClearViewPort();
    EXPECT_EQ(count_pixels(7), 16);
    EXPECT_EQ(count_pixels(7, 2, 2, 4, 4), 16);
}

TEST_F(Canvas, ClearViewPortReadsBackAsZero)
{
    open(12, 9);
    SetFillStyle(1, 15);
    Bar(0, 0, 11, 8);
    SetViewPort(1, 1, 10, 7, true);
    ClearViewPort();
    for (int y = 0; y <= 6; ++y)
        for (int x = 0; x <= 9; ++x) ASSERT_EQ(GetPixel(x, y), 0);
    EXPECT_EQ(count_pixels(15), 12 * 9 - 10 * 7);
}

TEST_F(Canvas, SetFillStyleIgnoresValuesOutOfRange)
{
    open(6, 5);
    SetFillStyle(1, 3);
    SetFillStyle(13, 5);
    SetFillStyle(1, 256);
    SetFillStyle(-1, 5);
    Bar(0, 0, 5, 4);
    EXPECT_EQ(count_pixels(3), 30);
}

TEST_F(Canvas, CentredTopTextStartsHalfItsWidthLeft)
{
    open(640, 480);
    SetTextJustify(1, 2);
    SetColor(15);
    SetFillStyle(1, 15);
    OutTextXY(320, 1, "\xDB\xDB\xDB\xDB\xDB\xDB\xDB\xDB\xDB\xDB\xDB");  // 11 full blocks
    EXPECT_EQ(count_pixels(15), 88 * 8);
    EXPECT_EQ(count_pixels(15, 276, 1, 88, 8), 88 * 8);
}

TEST_F(Canvas, TextDrawsOnlyTheGlyphsSetPixels)
{
    open(16, 8);
    SetFillStyle(1, 2);
    Bar(0, 0, 15, 7);
    OutTextXY(0, 0, "\x82");  // e-acute
    EXPECT_EQ(ascii_art(0, 0, 8, 8),
              "2222##22\n"
              "222##222\n"
              "2#####22\n"
              "##222##2\n"
              "#######2\n"
              "##222222\n"
              "2#####22\n"
              "22222222\n");
}

TEST_F(Canvas, FillPolyOnOneLineLeavesOnlyTheOutline)
{
    open(12, 6);
    SetColor(1);
    SetFillStyle(1, 4);
    const SMALLINT points[] = {1, 1, 4, 2, 7, 3, 10, 4};
    FillPoly(4, points);
    const Snapshot filled = snapshot();
    // The same outline drawn edge by edge, the closing edge included.
    open(12, 6);
    SetColor(1);
    Line(1, 1, 4, 2);
    Line(4, 2, 7, 3);
    Line(7, 3, 10, 4);
    Line(10, 4, 1, 1);
    EXPECT_EQ(differing_pixels(filled, snapshot()), 0) << ascii_art(0, 0, 12, 6);
    EXPECT_EQ(count_pixels(4), 0);
}

TEST_F(Canvas, FillPolyFillsBetweenExactCrossingsThenOutlines)
{
    open(10, 8);
    SetColor(1);
    SetFillStyle(1, 4);
    const SMALLINT triangle[] = {1, 1, 8, 1, 1, 6};
    FillPoly(3, triangle);
    EXPECT_EQ(ascii_art(0, 0, 10, 8),
              "..........\n"
              ".11111111.\n"
              ".1444411..\n"
              ".14441....\n"
              ".1441.....\n"
              ".111......\n"
              ".1........\n"
              "..........\n");
}

TEST_F(Canvas, SelfCrossingQuadrilateralFillsAsTwoTriangles)
{
    open(9, 9);
    SetColor(15);
    SetFillStyle(1, 4);
    const SMALLINT bow_tie[] = {0, 0, 8, 8, 8, 0, 0, 8};  // edges cross at (4, 4)
    FillPoly(4, bow_tie);
    EXPECT_EQ(ascii_art(0, 0, 9, 9),
              "#.......#\n"
              "##.....##\n"
              "#4#...#4#\n"
              "#44#.#44#\n"
              "#444#444#\n"
              "#44#.#44#\n"
              "#4#...#4#\n"
              "##.....##\n"
              "#.......#\n");
    // Left and right wedges are filled, the top and bottom wedges are not.
    EXPECT_EQ(picture().at(1, 4), 4);
    EXPECT_EQ(picture().at(7, 4), 4);
    EXPECT_EQ(picture().at(4, 1), 0);
    EXPECT_EQ(picture().at(4, 7), 0);
}

TEST_F(Canvas, FillPolyIsClippedLikeEveryFigure)
{
    open(10, 10);
    SetViewPort(2, 2, 6, 6, true);
    SetColor(1);
    SetFillStyle(1, 4);
    const SMALLINT square[] = {-5, -5, 20, -5, 20, 20, -5, 20};
    FillPoly(4, square);
    EXPECT_EQ(count_pixels(4), 25);
    EXPECT_EQ(count_pixels(4, 2, 2, 5, 5), 25);
}

TEST_F(Canvas, ChangesAreRecordedAsOneRectangle)
{
    open(50, 40);
    take_changed_range();
    PutPixel(3, 4, 1);
    Line(10, 20, 12, 25);
    const PixelRange changed = take_changed_range();
    EXPECT_EQ(changed.x0, 3);
    EXPECT_EQ(changed.y0, 4);
    EXPECT_EQ(changed.x1, 12);
    EXPECT_EQ(changed.y1, 25);
    EXPECT_TRUE(take_changed_range().empty());
}

TEST_F(Canvas, NothingIsDrawnAfterCloseGraph)
{
    open(8, 8);
    CloseGraph();
    EXPECT_EQ(picture().width, 0) << "the picture is released with the window";
    // With no picture left, a figure must neither write nor ask for a repaint.
    Line(0, 0, 7, 7);
    Bar(0, 0, 7, 7);
    PutPixel(1, 1, 1);
    EXPECT_TRUE(take_changed_range().empty());
    // Graphics mode again starts from a cleared picture.
    SMALLINT driver = 0, mode = 0;
    InitGraph(driver, mode, "");
    EXPECT_EQ(count_pixels(0), 8 * 8);
}

}  // namespace

// The compiled glyphs are the ones of the font file the project carries.
TEST(Font, CompiledGlyphsMatchTheHexFile)
{
    std::ifstream hex(FONT_HEX_PATH);
    ASSERT_TRUE(hex) << FONT_HEX_PATH;
    std::string line;
    int glyphs = 0;
    while (std::getline(hex, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        unsigned code = 0, byte = 0;
        fields >> std::hex >> code;
        ASSERT_LT(code, 256u);
        for (int row = 0; row < 8; ++row) {
            ASSERT_TRUE(fields >> std::hex >> byte) << line;
            EXPECT_EQ(font8x8[code][row], byte) << "glyph " << code << " row " << row;
        }
        ++glyphs;
    }
    EXPECT_EQ(glyphs, 256);
}
