// The sample table, its maximum, the step rules and the inversion pass.
#include <gtest/gtest.h>

#include "frame/frame.hpp"
#include "model/model.hpp"
#include "tests/support/support.hpp"

namespace {

TEST(SampleTable, MatchesTheSurfaceAtItsSamplePoints)
{
    prepare_model();
    EXPECT_EQ(FVT(1, 1), 0.0);
    EXPECT_DOUBLE_EQ(FVT(2, 2), 176.9472);
    EXPECT_EQ(FVT(10, 10), 207360.0) << "extended precision makes this exact";
    EXPECT_EQ(FVT(25, 25), 2250000.0);
    EXPECT_EQ(FVT(26, 26), 2336256.0);
    EXPECT_EQ(FVT(25, 33), 2692800.0);
    EXPECT_EQ(FVT(25, 34), 2692800.0);
    EXPECT_DOUBLE_EQ(FVT(2, 49), 4335.2064);
    EXPECT_DOUBLE_EQ(FVT(49, 2), 90.3168);
    EXPECT_EQ(FVT(50, 50), 0.0);
}

TEST(SampleTable, IsZeroOnTheBorderAndPositiveInside)
{
    prepare_model();
    int border = 0;
    for (int i = 1; i <= 50; ++i)
        for (int j = 1; j <= 50; ++j) {
            const bool on_border = i == 1 || i == 50 || j == 1 || j == 50;
            if (on_border) {
                ++border;
                EXPECT_EQ(FVT(i, j), 0.0) << i << "," << j;
            } else {
                EXPECT_GT(FVT(i, j), 0.0) << i << "," << j;
            }
        }
    EXPECT_EQ(border, 196);
}

TEST(SampleTable, MaximumAndScale)
{
    prepare_model();
    EXPECT_EQ(YMAX, 2692800.0);
    EXPECT_EQ(NY, 100.0 / 2692800.0);
    // The corner starts the search even when every other cell is lower.
    for (int i = 1; i <= 50; ++i)
        for (int j = 1; j <= 50; ++j) FVT(i, j) = -1.0 - i - j;
    FVT(1, 1) = -0.5;
    EXPECT_EQ(MAXMAGASSAG(), -0.5);
    FVT(50, 50) = 3.0;
    EXPECT_EQ(MAXMAGASSAG(), 3.0);
}

TEST(StepRules, PlanAndObliqueAt640x480AndOtherSizes)
{
    struct Case {
        int width, height, plan_sk, plan_ok, oblique_sk, oblique_ok;
    };
    const Case cases[] = {
        {640, 480, 9, 12, 7, 6},
        {1920, 1080, 21, 38, 19, 19},
        {102, 150, 2, 2, 0, 1},
        {8192, 8192, 163, 163, 161, 81},
    };
    for (const Case& c : cases) {
        prepare_model(c.width, c.height);
        set_plan_steps();
        EXPECT_EQ(SK, c.plan_sk) << c.width << "x" << c.height;
        EXPECT_EQ(OK, c.plan_ok) << c.width << "x" << c.height;
        set_oblique_steps();
        EXPECT_EQ(SK, c.oblique_sk) << c.width << "x" << c.height;
        EXPECT_EQ(OK, c.oblique_ok) << c.width << "x" << c.height;
    }
}

TEST(InversionPass, TurnsTheSurfaceUpsideDownInPlace)
{
    prepare_model();
    invert_table();
    EXPECT_EQ(FVT(1, 1), YMAX);
    EXPECT_EQ(FVT(50, 17), YMAX);
    EXPECT_EQ(FVT(25, 33), 0.0);
    EXPECT_EQ(FVT(25, 34), 0.0);
    EXPECT_EQ(FVT(10, 10), 2692800.0 - 207360.0);
    for (int i = 1; i <= 50; ++i)
        for (int j = 1; j <= 50; ++j) {
            EXPECT_GE(FVT(i, j), 0.0);
            EXPECT_LE(FVT(i, j), YMAX);
        }
}

}  // namespace
