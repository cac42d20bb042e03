// The point cloud and its generator: the generator's first outputs, the
// first dot's place, the dot counts for given heights and for the sample
// surface, and where the dots may fall at other window sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "render/render.hpp"
#include "tests/support/support.hpp"

namespace {

std::vector<std::uint8_t> whole_picture()
{
    const PictureView view = picture();
    return {view.pixels, view.pixels + view.width * view.height};
}

// The point cloud drawn from a fresh generator, as the plot-window pixels
// it changed on its title frame.
struct Cloud {
    std::vector<std::uint8_t> colours;  // plot-window pixels, 0 where unchanged
    int width = 0, height = 0;
    bool frame_touched = false;

    int colour(int x, int y) const { return colours[static_cast<std::size_t>(y) * width + x]; }
};

Cloud draw_cloud(bool fresh_generator = true)
{
    ABLAKTORLES(titles::pontfelho);
    const std::vector<std::uint8_t> before = whole_picture();
    if (fresh_generator) restart_random();
    RAJZPONTFELHO();
    const PictureView after = picture();
    Cloud cloud;
    cloud.width = after.width - 4;
    cloud.height = after.height - 4;
    cloud.colours.assign(static_cast<std::size_t>(cloud.width) * cloud.height, 0);
    for (int y = 0; y < after.height; ++y) {
        for (int x = 0; x < after.width; ++x) {
            const std::uint8_t now = after.at(x, y);
            if (now == before[static_cast<std::size_t>(y) * after.width + x]) continue;
            const int px = x - 2, py = y - 2;
            if (px >= 0 && py >= 0 && px < cloud.width && py < cloud.height)
                cloud.colours[static_cast<std::size_t>(py) * cloud.width + px] = now;
            else
                cloud.frame_touched = true;
        }
    }
    return cloud;
}

// How many draws the generator has made since it was restarted: its next
// three outputs (which this consumes) are looked for in the sequence it
// gives after a restart.
long draws_so_far(long limit = 100000)
{
    const SMALLINT n = 32767;
    const SMALLINT a = Random(n), b = Random(n), c = Random(n);
    restart_random();
    std::vector<SMALLINT> stream;
    for (long k = 0; k < limit + 3; ++k) stream.push_back(Random(n));
    for (long k = 0; k <= limit; ++k)
        if (stream[k] == a && stream[k + 1] == b && stream[k + 2] == c) return k;
    return -1;
}

// The sample surface with every sample 0 except one.
void use_single_sample(int I, int J, REAL height)
{
    prepare_model(640, 480);
    const REAL maximum = YMAX;
    for (int row = 1; row <= 50; ++row)
        for (int column = 1; column <= 50; ++column) FVT(row, column) = 0.0;
    FVT(I, J) = height;
    YMAX = maximum;
}

struct Lit {
    long count = 0;
    long outside_block = 0;  // dots outside the block of the sample (I, J)
    long not_blue = 0;
};

Lit lit_pixels(const Cloud& cloud, int I, int J)
{
    Lit lit;
    for (int y = 0; y < cloud.height; ++y) {
        for (int x = 0; x < cloud.width; ++x) {
            const int c = cloud.colour(x, y);
            if (c == 0) continue;
            ++lit.count;
            lit.not_blue += c != 1;
            const bool in_block = x >= OK * J && x < OK * J + OK && y >= MAXY - SK * I &&
                                  y < MAXY - SK * I + SK;
            lit.outside_block += !in_block;
        }
    }
    return lit;
}

TEST(Generator, FirstOutputsAfterSeedZero)
{
    // The generator's first outputs after seed 0 are 2357136044, 2546248239
    // and 3071714933; Random(n) is the high half of output * n.
    struct Case {
        SMALLINT n;
        SMALLINT first[3];
    };
    const Case cases[] = {{1, {0, 0, 0}},       {2, {1, 1, 1}},           {9, {4, 5, 6}},
                          {12, {6, 7, 8}},      {1000, {548, 592, 715}},  {32767, {17982, 19425, 23434}}};
    for (const Case& c : cases) {
        restart_random();
        for (SMALLINT expected : c.first) EXPECT_EQ(Random(c.n), expected) << "n = " << c.n;
    }
    // The first dot of a picture with SK = 9 and OK = 12.
    restart_random();
    EXPECT_EQ(Random(9), 4);
    EXPECT_EQ(Random(12), 7);
}

TEST(Generator, SmallRangesAndRestart)
{
    restart_random();
    EXPECT_EQ(Random(0), 0);
    for (int k = 0; k < 100; ++k) EXPECT_EQ(Random(1), 0);
    bool in_range = true;
    for (int k = 0; k < 1000; ++k) {
        const SMALLINT value = Random(7);
        in_range = in_range && value >= 0 && value < 7;
    }
    EXPECT_TRUE(in_range);

    restart_random();
    std::vector<SMALLINT> first, again;
    for (int k = 0; k < 20; ++k) first.push_back(Random(32767));
    restart_random();
    for (int k = 0; k < 20; ++k) again.push_back(Random(32767));
    EXPECT_EQ(first, again);
}

TEST(PointCloud, FirstDotOfTheRun)
{
    // Round(2) div 2: the sample gets a single dot.
    prepare_model(640, 480);
    use_single_sample(20, 30, YMAX * std::sqrt(2.0 / 108.0));
    const Cloud cloud = draw_cloud();
    const Lit lit = lit_pixels(cloud, 20, 30);
    EXPECT_EQ(lit.count, 1);
    // 4 rows below and 7 columns right of the grid point (360, 299).
    EXPECT_EQ(cloud.colour(360 + 7, 299 + 4), 1);
}

TEST(PointCloud, DotCountsForExampleHeights)
{
    prepare_model(640, 480);
    const REAL maximum = YMAX;
    struct Case {
        int I, J;
        REAL height;
        long dots;
    };
    const Case cases[] = {{25, 25, maximum, 54}, {25, 25, maximum / 2, 13}, {25, 25, maximum / 10, 0},
                          // The last row and column get dots too; row 1's are clipped below.
                          {50, 50, maximum, 54}, {1, 1, maximum, 54}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.I) + ", " + std::to_string(c.J) + ": " + std::to_string(c.height));
        use_single_sample(c.I, c.J, c.height);
        const Cloud cloud = draw_cloud();
        EXPECT_EQ(draws_so_far(), 2 * c.dots);
        const Lit lit = lit_pixels(cloud, c.I, c.J);
        EXPECT_LE(lit.count, c.dots);
        EXPECT_EQ(lit.count > 0, c.dots > 0);
        EXPECT_EQ(lit.outside_block, 0);
        EXPECT_EQ(lit.not_blue, 0);
        EXPECT_FALSE(cloud.frame_touched);
    }
}

// Every dot is blue and lies in the block of a sample above 0.
void expect_dots_in_blocks(const Cloud& cloud)
{
    long strays = 0, not_blue = 0, dots = 0;
    for (int y = 0; y < cloud.height; ++y) {
        for (int x = 0; x < cloud.width; ++x) {
            const int c = cloud.colour(x, y);
            if (c == 0) continue;
            ++dots;
            not_blue += c != 1;
            const int J = x / OK;
            const int I = (MAXY - y + SK - 1) / SK;
            strays += I < 1 || I > 50 || J < 1 || J > 50 || !(FVT(I, J) > 0.0);
        }
    }
    EXPECT_GT(dots, 0);
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(not_blue, 0);
    EXPECT_FALSE(cloud.frame_touched);
}

TEST(PointCloud, SampleSurfaceAt640x480)
{
    prepare_model(640, 480);
    const Cloud cloud = draw_cloud();
    EXPECT_EQ(draws_so_far(), 2 * 22866);
    expect_dots_in_blocks(cloud);
}

TEST(PointCloud, SameCloudFromAFreshGeneratorOnly)
{
    prepare_model(640, 480);
    const Cloud first = draw_cloud();
    const Cloud again = draw_cloud();
    EXPECT_EQ(first.colours, again.colours);
    // Without a restart the sequence goes on, and the cloud differs.
    const Cloud continued = draw_cloud(false);
    EXPECT_NE(first.colours, continued.colours);
}

TEST(PointCloud, OddWindowSizes)
{
    // The peak alone gets half as many dots as its block of SK x OK pixels.
    struct Case {
        int width, height;
        long peak_dots;
    };
    const Case cases[] = {{333, 217, 4 * 6 / 2}, {1001, 757, 15 * 20 / 2}, {257, 1003, 20 * 5 / 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        prepare_model(c.width, c.height);
        expect_dots_in_blocks(draw_cloud());
        const REAL maximum = YMAX;
        for (int row = 1; row <= 50; ++row)
            for (int column = 1; column <= 50; ++column) FVT(row, column) = 0.0;
        FVT(25, 33) = maximum;
        const Cloud cloud = draw_cloud();
        EXPECT_EQ(draws_so_far(), 2 * c.peak_dots);
        const Lit lit = lit_pixels(cloud, 25, 33);
        EXPECT_EQ(lit.outside_block, 0);
        EXPECT_LE(lit.count, c.peak_dots);
        EXPECT_GT(lit.count, 0);
    }
}

TEST(PointCloud, TinyWindowDrawsNoDots)
{
    // One pixel per grid step: Round of at most 1, halved, is 0.
    prepare_model(60, 70);
    const Cloud cloud = draw_cloud();
    EXPECT_EQ(draws_so_far(), 0);
    EXPECT_FALSE(cloud.frame_touched);
}

}  // namespace
