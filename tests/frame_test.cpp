// The title frame, the console set-up and the show sequence.
#include <gtest/gtest.h>

#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "gfx/console.hpp"
#include "gfx/graph.hpp"
#include "tests/support/support.hpp"

namespace {

void expect_frame_at(int width, int height)
{
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    prepare_model(width, height);
    SetFillStyle(1, 4);
    Bar(10, 10, 40, 40);  // something of an earlier picture
    ABLAKTORLES("\xDB\xDB\xDB");
    ASSERT_EQ(test_platform().lines.size(), 1u);
    const int maxx = width - 1, maxy = height - 1;
    // The border on the outermost pixels, one blank pixel inside it.
    EXPECT_EQ(count_pixels(15, 0, 0, width, 1), width);
    EXPECT_EQ(count_pixels(15, 0, maxy, width, 1), width);
    EXPECT_EQ(count_pixels(15, 0, 0, 1, height), height);
    EXPECT_EQ(count_pixels(15, maxx, 0, 1, height), height);
    EXPECT_EQ(count_pixels(15, 1, 1, width - 2, 1), 0);
    EXPECT_EQ(count_pixels(4), 0) << "nothing of the previous picture survives";
    // Three full blocks centred on plot column MAXX div 2, top on screen row 3.
    const int left = maxx / 2 + 2 - 12;
    EXPECT_EQ(count_pixels(15, left, 3, 24, 8), 24 * 8);
    EXPECT_EQ(count_pixels(15, 1, 1, width - 2, height - 2), 24 * 8);
    // The plot window is active: (0, 0) is screen pixel (2, 2), clipped at MAXX - 2.
    PutPixel(0, 0, 1);
    PutPixel(maxx - 4, maxy - 4, 1);
    PutPixel(maxx - 3, 0, 1);
    PutPixel(0, maxy - 3, 1);
    EXPECT_EQ(picture().at(2, 2), 1);
    EXPECT_EQ(picture().at(maxx - 2, maxy - 2), 1);
    EXPECT_EQ(count_pixels(1), 2);
}

TEST(TitleFrame, BorderTitleAndPlotWindowAtSeveralSizes)
{
    expect_frame_at(640, 480);
    expect_frame_at(102, 150);
    expect_frame_at(1001, 333);
    expect_frame_at(1920, 1080);
}

TEST(TitleFrame, TitleReachesTheConsoleBeforeTheScreenIsCleared)
{
    prepare_model();
    ABLAKTORLES("abc");
    test_platform().fail_writes = true;
    SetFillStyle(1, 4);
    Bar(0, 0, 5, 5);
    EXPECT_EXIT(ABLAKTORLES("def"), ::testing::ExitedWithCode(101), "");
    // In the child the write failed before anything was cleared; here the
    // parent still shows the bar, as the child would have at its end.
    EXPECT_EQ(count_pixels(4), 36);
}

TEST(Console, SetUpGivesABlueBackgroundInThe80x25Window)
{
    prepare_model();
    test_platform().terminal_columns = 100;
    test_platform().terminal_rows = 40;
    reset_console();
    KARKEZD();
    EXPECT_EQ(console_state().attribute, 0x17);
    EXPECT_EQ(console_state().right, 80);
    EXPECT_EQ(console_state().bottom, 25);
    TextBackground(12);  // only bits 4 to 6 take the colour
    EXPECT_EQ(console_state().attribute, 0x47);
}

TEST(Console, SmallTerminalKeepsItsWindow)
{
    prepare_model();
    test_platform().terminal_columns = 60;
    test_platform().terminal_rows = 20;
    reset_console();
    Window(1, 1, 40, 10);
    Window(1, 1, 80, 25);
    EXPECT_EQ(console_state().right, 40);
    EXPECT_EQ(console_state().bottom, 10);
}

TEST(Console, KeyWithoutCharacterSatisfiesTwoWaits)
{
    prepare_model();
    test_platform().keys = {{'a', 0}, {0, 0x48}, {13, 0}};
    EXPECT_EQ(ReadKey(), 'a');
    EXPECT_EQ(ReadKey(), 0);
    EXPECT_EQ(ReadKey(), 0x48);
    EXPECT_EQ(ReadKey(), 13);
    EXPECT_EQ(test_platform().key_waits, 3);
}

TEST(Show, TwelveTitlesInOrderAndTwelveKeyWaits)
{
    reset_model();
    open_offscreen(640, 480);
    for (int k = 0; k < 20; ++k) test_platform().keys.push_back({'x', 0});
    run_show();
    std::vector<std::string> titles;
    for (const ShowPicture& picture : show_pictures) titles.emplace_back(picture.title);
    EXPECT_EQ(test_platform().lines, titles);
    EXPECT_EQ(test_platform().key_waits, 12);
    EXPECT_EQ(test_platform().keys.size(), 8u);
    EXPECT_EQ(FVT(25, 33), 0.0) << "the table ends inverted";
    EXPECT_EQ(picture().width, 0) << "the show ends in text mode";
}

TEST(Show, CursorKeysCountTwice)
{
    reset_model();
    open_offscreen(640, 480);
    for (int k = 0; k < 6; ++k) test_platform().keys.push_back({0, 0x50});
    run_show();
    EXPECT_EQ(test_platform().key_waits, 6);
    EXPECT_EQ(test_platform().lines.size(), 12u);
}

// Each renderer writes its own title; it must be the one the table gives
// its picture, which the export and surfcompare print.
TEST(Show, EachRendererWritesTheTitleOfItsPicture)
{
    for (const ShowPicture& picture : show_pictures) {
        prepare_model();
        draw_show_picture(picture);
        ASSERT_EQ(test_platform().lines.size(), 1u) << picture.number;
        EXPECT_EQ(test_platform().lines[0], picture.title) << picture.number;
    }
}

TEST(BrickTitle, ComposesBothOffsetsWithTheirSigns)
{
    EXPECT_EQ(brick_title(2, 2).view(), "T\x82gla (2,2)");
    EXPECT_EQ(brick_title(0, 1).view(), "T\x82gla (0,1)");
    EXPECT_EQ(brick_title(-1, 2).view(), "T\x82gla (-1,2)");
    EXPECT_EQ(brick_title(-32768, 32767).view(), "T\x82gla (-32768,32767)");
}

}  // namespace
