// Undoing row filters: rows made of runs and noise are filtered here by the
// plain definition of each filter, and must come back byte for byte, at
// every pixel size and at lengths around the block size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "tools/png/png_unfilter.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

int predictor(int type, int left, int up, int up_left)
{
    switch (type) {
    case 1: return left;
    case 2: return up;
    case 3: return (left + up) / 2;
    case 4: {
        const int p = left + up - up_left, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - up_left);
        return pa <= pb && pa <= pc ? left : pb <= pc ? up : up_left;
    }
    default: return 0;
    }
}

// The filter type byte, then the row filtered against `above`.
Bytes filtered(int type, const Bytes& row, const Bytes& above, std::size_t distance)
{
    Bytes out{static_cast<std::uint8_t>(type)};
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int left = i >= distance ? row[i - distance] : 0, up_left = i >= distance ? above[i - distance] : 0;
        out.push_back(static_cast<std::uint8_t>(row[i] - predictor(type, left, above[i], up_left)));
    }
    return out;
}

// A row like an exported picture's: runs of one pixel, copies of the row
// above, and a few lone pixels of noise.
Bytes picture_row(const Bytes& above, std::size_t distance, std::mt19937& random)
{
    Bytes row(above.size());
    Bytes pixel(distance);
    for (std::size_t i = 0; i < row.size();) {
        const std::size_t length = 1 + random() % 24;
        const int kind = static_cast<int>(random() % 4);
        for (auto& byte : pixel) byte = static_cast<std::uint8_t>(random() % 3 == 0 ? random() : 0);
        for (std::size_t j = 0; j < length && i < row.size(); ++j, ++i) {
            if (kind == 0) row[i] = above[i];
            else if (kind == 1) row[i] = pixel[i % distance];
            else if (kind == 2) row[i] = static_cast<std::uint8_t>(random());
            else row[i] = i >= distance ? row[i - distance] : 0;
        }
    }
    return row;
}

TEST(PngUnfilter, EveryFilterComesBackAtEveryPixelSizeAndLength)
{
    std::mt19937 random(1234);
    for (const std::size_t distance : {1, 2, 3, 4, 6, 8}) {
        for (std::size_t bytes : {std::size_t{1}, std::size_t{3}, std::size_t{15}, std::size_t{16}, std::size_t{17},
                                  std::size_t{47}, std::size_t{48}, std::size_t{200}, std::size_t{1000}}) {
            bytes = (bytes + distance - 1) / distance * distance;  // whole pixels
            Bytes above(bytes, 0);
            for (int line = 0; line < 300; ++line) {
                const Bytes row = picture_row(above, distance, random);
                for (int type = 0; type <= 4; ++type) {
                    const Bytes in = filtered(type, row, above, distance);
                    Bytes out(bytes, 0xAA);
                    ASSERT_TRUE(unfilter_row(in.data(), above.data(), out.data(), bytes, distance));
                    ASSERT_EQ(out, row) << "filter " << type << ", " << distance << " bytes a pixel, " << bytes
                                        << " bytes, line " << line;
                }
                above = row;
            }
        }
    }
}

TEST(PngUnfilter, AnUnknownFilterTypeIsRefused)
{
    const Bytes in{5, 0, 0, 0}, above(3, 0);
    Bytes out(3);
    EXPECT_FALSE(unfilter_row(in.data(), above.data(), out.data(), 3, 3));
    const Bytes high{255, 1, 2, 3};
    EXPECT_FALSE(unfilter_row(high.data(), above.data(), out.data(), 3, 1));
}

}  // namespace
