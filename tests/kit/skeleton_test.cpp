// The exercise frame: the same show with empty renderers.
#include <gtest/gtest.h>

#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "gfx/graph.hpp"
#include "tests/support/support.hpp"

namespace {

// Each stub's picture is the border and its title, nothing else.
long frame_pixels(int width, int height)
{
    return 2L * width + 2L * (height - 2);
}

TEST(Skeleton, EveryPictureIsAnEmptyTitledFrame)
{
    for (auto [width, height] : {std::pair{640, 480}, std::pair{211, 157}, std::pair{1280, 1024}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        reset_model();
        open_offscreen(width, height);
        test_platform().keys.assign(picture_count, KeyPress{' ', 0});
        run_show();
        const OffscreenPlatform& platform = test_platform();
        ASSERT_EQ(platform.shown.size(), std::size_t{picture_count});
        ASSERT_EQ(platform.lines.size(), std::size_t{picture_count});
        for (std::size_t k = 0; k < std::size_t{picture_count}; ++k) {
            long drawn = 0, other = 0;
            for (std::uint8_t c : platform.shown[k]) {
                drawn += c == 15;
                other += c != 15 && c != 0;
            }
            EXPECT_EQ(other, 0) << "picture " << k + 1;
            EXPECT_GT(drawn, frame_pixels(width, height)) << "picture " << k + 1 << " has a title";
            EXPECT_LT(drawn, frame_pixels(width, height) + 64L * static_cast<long>(platform.lines[k].size()))
                << "picture " << k + 1 << " has nothing but its title";
        }
    }
}

// The stubs hold their titles apart from the finished renderers; each must
// still be the one the table gives its picture.
TEST(Skeleton, EachStubWritesTheTitleOfItsPicture)
{
    for (const ShowPicture& picture : show_pictures) {
        prepare_model();
        draw_show_picture(picture);
        ASSERT_EQ(test_platform().lines.size(), 1u) << picture.number;
        EXPECT_EQ(test_platform().lines[0], picture.title) << picture.number;
    }
}

TEST(Skeleton, StubsLeaveTheStepsOfTheirRule)
{
    prepare_model(640, 480);
    RAJZSZINT1();
    EXPECT_EQ(SK, 9);
    EXPECT_EQ(OK, 12);
    RAJZPONTFELHO();
    EXPECT_EQ(SK, 9);
    RAJZTEGLA(-1, 2);
    EXPECT_EQ(SK, 7);
    EXPECT_EQ(OK, 6);
    EXPECT_EQ(test_platform().lines.back(), "T\x82gla (-1,2)");
    RAJZSZINT2();
    EXPECT_EQ(OK, 12);
    RAJZFUGGVENY1();
    EXPECT_EQ(OK, 6);
    RAJZSZINT2();
    RAJZFUGGVENY3();
    EXPECT_EQ(SK, 7);
}

TEST(Skeleton, LastStubSetsBlueOutlineAndBlackSolidFill)
{
    prepare_model(640, 480);
    RAJZFUGGVENY4();
    EXPECT_EQ(SK, 7);
    EXPECT_EQ(OK, 6);
    Line(10, 100, 20, 100);
    Bar(10, 200, 20, 210);
    EXPECT_EQ(GetPixel(15, 100), 1);
    EXPECT_EQ(count_pixels(1), 11);
    EXPECT_EQ(GetPixel(15, 205), 0);
}

}  // namespace
