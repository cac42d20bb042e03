// The program's whole show against the independent reference rendering, at
// many window sizes: every picture at every key wait, pixel for pixel.  On a
// mismatch the actual, expected and difference pictures are written as PNGs
// into reference-failures/ under the working folder (the build tree).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/frame.hpp"
#include "model/model.hpp"
#include "render/render.hpp"
#include "tests/reference/reference_show.hpp"
#include "tests/support/support.hpp"
#include "tools/png/png_export.hpp"

namespace {

struct WindowSize {
    int width, height;
};

std::string size_name(const WindowSize& size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Names the size in gtest's messages instead of dumping its bytes.
void PrintTo(const WindowSize& size, std::ostream* out) { *out << size_name(size); }

// A code-page-437 title readable in a failure message.
std::string readable(const std::string& cp437)
{
    std::string text;
    for (char c : cp437) {
        if (c == '\x82') text += "\xC3\xA9";
        else if (c == '\x94') text += "\xC3\xB6";
        else text += c;
    }
    return text;
}

// Equal pixels dimmed (grey where drawn), extra pixels red, missing ones
// green, pixels of another colour yellow.
std::vector<std::uint8_t> difference(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected)
{
    std::vector<std::uint8_t> diff(actual.size());
    for (std::size_t k = 0; k < actual.size(); ++k) {
        if (actual[k] == expected[k]) diff[k] = actual[k] == 0 ? 0 : 8;
        else if (expected[k] == 0) diff[k] = 12;
        else if (actual[k] == 0) diff[k] = 10;
        else diff[k] = 14;
    }
    return diff;
}

void write_png(const std::vector<std::uint8_t>& pixels, const WindowSize& size, const std::string& path)
{
    std::string error;
    const PictureView view{pixels.data(), size.width, size.height};
    if (!write_palette_png(view, path, error)) ADD_FAILURE() << "cannot write " << path << ": " << error;
}

void save_mismatch(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected,
                   const WindowSize& size, int picture_number)
{
    const std::filesystem::path folder = "reference-failures";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    char number[4];
    std::snprintf(number, sizeof number, "%02d", picture_number);
    const std::string stem = (folder / (size_name(size) + "-" + number)).string();
    write_png(actual, size, stem + "-actual.png");
    write_png(expected, size, stem + "-expected.png");
    write_png(difference(actual, expected), size, stem + "-diff.png");
}

// Fails with the first differing pixel and the number of differences.
void expect_same_picture(const std::vector<std::uint8_t>& actual, const std::vector<std::uint8_t>& expected,
                         const WindowSize& size, int picture_number, const std::string& title)
{
    ASSERT_EQ(actual.size(), expected.size()) << "picture " << picture_number;
    long count = 0;
    std::size_t first = 0;
    for (std::size_t k = 0; k < actual.size(); ++k)
        if (actual[k] != expected[k] && count++ == 0) first = k;
    if (count == 0) return;
    const int x = static_cast<int>(first % size.width), y = static_cast<int>(first / size.width);
    ADD_FAILURE() << "picture " << picture_number << " (" << readable(title) << ") at " << size_name(size)
                  << ": first difference at (" << x << ", " << y << "), expected " << int(expected[first])
                  << ", actual " << int(actual[first]) << "; " << count << " pixels differ";
    save_mismatch(actual, expected, size, picture_number);
}

class ReferenceShow : public ::testing::TestWithParam<WindowSize> {};

TEST_P(ReferenceShow, EveryPictureMatchesPixelForPixel)
{
    const WindowSize size = GetParam();
    reset_model();
    restart_random();  // the generator lives for the whole process; each show starts it afresh
    open_offscreen(size.width, size.height);
    for (int k = 0; k < 12; ++k) test_platform().keys.push_back(KeyPress{' ', 0x39});
    run_show();

    const std::vector<std::string> titles = reference_titles();
    EXPECT_EQ(test_platform().lines, titles);
    ASSERT_EQ(test_platform().shown.size(), 12u) << "the show must wait for exactly 12 keys";

    const std::vector<std::vector<std::uint8_t>> expected = reference_show(size.width, size.height);
    for (int k = 0; k < 12; ++k)
        expect_same_picture(test_platform().shown[k], expected[k], size, k + 1, titles[k]);
}

// The smallest window, common screens, odd sizes that give unusual steps
// and clipping, and very flat and very tall ones.
INSTANTIATE_TEST_SUITE_P(Reference, ReferenceShow,
                         ::testing::Values(WindowSize{640, 480}, WindowSize{102, 150}, WindowSize{333, 257},
                                           WindowSize{800, 600}, WindowSize{1024, 768}, WindowSize{1280, 1024},
                                           WindowSize{1366, 768}, WindowSize{1920, 1017}, WindowSize{1920, 1080},
                                           WindowSize{2560, 1440}, WindowSize{3840, 2160}, WindowSize{719, 401}, WindowSize{1001, 999},
                                           WindowSize{103, 151}, WindowSize{2999, 150}, WindowSize{150, 1201}),
                         [](const ::testing::TestParamInfo<WindowSize>& info) { return size_name(info.param); });

}  // namespace
