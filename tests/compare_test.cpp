// surfcompare's library: reading pictures back, comparing two exports, the
// diff pictures and the report, on small exports written by the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frame/frame.hpp"
#include "gfx/code_page.hpp"
#include "tests/support/support.hpp"
#include "tools/lib/compare.hpp"
#include "tools/lib/diff_image.hpp"
#include "tools/lib/png_export.hpp"
#include "tools/lib/png_import.hpp"

namespace {

constexpr int width = 40, height = 30;
constexpr int black = 0, blue = 1, yellow = 14, white = 15;

std::vector<std::string>& created_folders()
{
    static std::vector<std::string> folders;
    return folders;
}

std::string make_temp_folder()
{
    std::string pattern = ::testing::TempDir() + "compare_XXXXXX";
    if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
    created_folders().push_back(pattern);
    return pattern;
}

// Removes the test's folders again.
class TempFolders : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& folder : created_folders()) std::filesystem::remove_all(folder);
        created_folders().clear();
    }
};
class PngImport : public TempFolders {};
class CompareExports : public TempFolders {};
class DiffImage : public TempFolders {};
class CompareReportText : public TempFolders {};

std::set<std::string> folder_entries(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') names.insert(entry->d_name);
        closedir(dir);
    }
    return names;
}

using Pixels = std::vector<std::uint8_t>;

// A picture that differs from one number to the next: a white border and a
// blue diagonal.
Pixels sample_pixels(int number, int w = width, int h = height)
{
    Pixels pixels(static_cast<std::size_t>(w) * h, black);
    for (int x = 0; x < w; ++x) pixels[x] = pixels[static_cast<std::size_t>(h - 1) * w + x] = white;
    for (int y = 0; y < h; ++y) pixels[static_cast<std::size_t>(y) * w] = pixels[static_cast<std::size_t>(y) * w + w - 1] = white;
    for (int i = 1; i < h - 1 && i + number < w - 1; ++i) pixels[static_cast<std::size_t>(i) * w + i + number] = blue;
    return pixels;
}

void write_picture(const std::string& path, const Pixels& pixels, int w = width, int h = height)
{
    std::string error;
    ASSERT_TRUE(write_palette_png(PictureView{pixels.data(), w, h}, path, error)) << error;
}

std::string write_export(int w = width, int h = height)
{
    const std::string folder = make_temp_folder();
    for (int number = 1; number <= picture_count; ++number)
        write_picture(folder + "/" + picture_file_name(number), sample_pixels(number, w, h), w, h);
    return folder;
}

// Changes one pixel of one picture of an export.
void set_pixel(const std::string& folder, int number, int x, int y, std::uint8_t color)
{
    Pixels pixels = sample_pixels(number);
    pixels[static_cast<std::size_t>(y) * width + x] = color;
    write_picture(folder + "/" + picture_file_name(number), pixels);
}

PngPicture indexed_picture(const Pixels& pixels, int w, int h)
{
    PngPicture picture;
    picture.width = w;
    picture.height = h;
    picture.palette.assign(palette().begin(), palette().end());
    picture.pixels = pixels;
    return picture;
}

bool same(RgbColor a, RgbColor b) { return a.red == b.red && a.green == b.green && a.blue == b.blue; }

TEST_F(PngImport, ReadsBackTheExportedIndicesAndPalette)
{
    const std::string folder = make_temp_folder();
    Pixels pixels = sample_pixels(3);
    pixels[5] = 200;
    write_picture(folder + "/p.png", pixels);
    PngPicture picture;
    std::string error;
    ASSERT_TRUE(read_png(folder + "/p.png", picture, error)) << error;
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    ASSERT_TRUE(picture.indexed());
    ASSERT_EQ(picture.palette.size(), 256u);
    EXPECT_EQ(picture.pixels, pixels);
    EXPECT_TRUE(same(picture.color(5, 0), palette()[200]));
}

TEST_F(PngImport, ReadsAnRgbPictureAsColours)
{
    const std::string folder = make_temp_folder();
    RgbImage image{2, 1, {10, 20, 30, 250, 0, 5}};
    std::string error;
    ASSERT_TRUE(write_rgb_png(image, folder + "/rgb.png", error)) << error;
    EXPECT_EQ(folder_entries(folder), std::set<std::string>{"rgb.png"});
    PngPicture picture;
    ASSERT_TRUE(read_png(folder + "/rgb.png", picture, error)) << error;
    EXPECT_FALSE(picture.indexed());
    EXPECT_TRUE(same(picture.color(0, 0), RgbColor{10, 20, 30}));
    EXPECT_TRUE(same(picture.color(1, 0), RgbColor{250, 0, 5}));
}

TEST_F(PngImport, RejectsDamagedFiles)
{
    const std::string folder = make_temp_folder();
    write_picture(folder + "/good.png", sample_pixels(1));
    std::ifstream in(folder + "/good.png", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 100u);

    const auto write_bytes = [&](const std::string& name, const std::string& content) {
        std::ofstream(folder + "/" + name, std::ios::binary) << content;
        return folder + "/" + name;
    };
    std::string flipped = bytes;
    flipped[bytes.size() / 2] = static_cast<char>(flipped[bytes.size() / 2] ^ 0x55);
    const std::string cases[] = {
        write_bytes("truncated.png", bytes.substr(0, bytes.size() - 20)),
        write_bytes("flipped.png", flipped),
        write_bytes("text.png", "this is not a picture at all, only some text\n"),
        write_bytes("empty.png", ""),
        folder + "/missing.png",
    };
    for (const std::string& path : cases) {
        PngPicture picture;
        std::string error;
        EXPECT_FALSE(read_png(path, picture, error)) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_TRUE(picture.pixels.empty()) << path;
    }
}

TEST(CompareTitles, AreTheShowsConsoleLinesInUtf8)
{
    prepare_model();
    test_platform().keys.assign(picture_count, KeyPress{' ', 0});
    run_show();
    const std::vector<std::string>& lines = test_platform().lines;
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(picture_count));
    for (int number = 1; number <= picture_count; ++number)
        EXPECT_EQ(picture_title(number), cp437_to_utf8(lines[number - 1])) << number;
    EXPECT_EQ(picture_title(6), "T\xC3\xA9gla (0,1)");
}

TEST_F(CompareExports, IdenticalFoldersGiveExitCodeZero)
{
    const CompareOptions options{write_export(), write_export(), ""};
    CompareReport report;
    std::string error;
    ASSERT_TRUE(compare_exports(options, report, error)) << error;
    ASSERT_EQ(report.results.size(), static_cast<std::size_t>(picture_count));
    EXPECT_EQ(report.identical_count(), picture_count);
    EXPECT_EQ(report.exit_code(), 0);
    EXPECT_EQ(report.width, width);
    EXPECT_EQ(report.height, height);
}

TEST_F(CompareExports, FindsOneChangedPixel)
{
    const std::string expected = write_export(), actual = write_export();
    set_pixel(actual, 7, 12, 20, yellow);
    CompareReport report;
    std::string error;
    ASSERT_TRUE(compare_exports({expected, actual, ""}, report, error)) << error;
    EXPECT_EQ(report.exit_code(), 1);
    EXPECT_EQ(report.identical_count(), picture_count - 1);
    const PictureResult& result = report.results[6];
    EXPECT_EQ(result.number, 7);
    EXPECT_EQ(result.differing, 1);
    EXPECT_EQ(result.total, width * height);
    EXPECT_EQ(result.first_x, 12);
    EXPECT_EQ(result.first_y, 20);
    EXPECT_EQ(result.first_expected, "0 (black)");
    EXPECT_EQ(result.first_actual, "14 (yellow)");
}

TEST_F(CompareExports, FirstDifferenceIsTheFirstInRowOrder)
{
    Pixels expected = sample_pixels(1), actual = expected;
    actual[static_cast<std::size_t>(9) * width + 3] = white;  // (3, 9)
    actual[static_cast<std::size_t>(8) * width + 30] = blue;  // (30, 8), an earlier row
    const PictureResult result =
        compare_pictures(indexed_picture(expected, width, height), indexed_picture(actual, width, height), 1);
    EXPECT_EQ(result.differing, 2);
    EXPECT_EQ(result.first_x, 30);
    EXPECT_EQ(result.first_y, 8);
}

TEST_F(CompareExports, ComparesColoursWhenAPictureHasNoPalette)
{
    const PngPicture expected = indexed_picture(sample_pixels(2), width, height);
    PngPicture actual;
    actual.width = width;
    actual.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const RgbColor color = expected.color(x, y);
            actual.pixels.insert(actual.pixels.end(), {color.red, color.green, color.blue});
        }
    }
    EXPECT_TRUE(compare_pictures(expected, actual, 2).identical());
    actual.pixels[(static_cast<std::size_t>(4) * width + 20) * 3] ^= 1;  // a background pixel
    const PictureResult result = compare_pictures(expected, actual, 2);
    EXPECT_EQ(result.differing, 1);
    EXPECT_EQ(result.first_expected, "#000000");
    EXPECT_EQ(result.first_actual, "#010000");
}

TEST_F(CompareExports, BadInputIsAnErrorAndLeavesNoDiffs)
{
    struct Case {
        const char* name;
        void (*spoil)(const std::string& actual);
        const char* mentions;
    };
    const Case cases[] = {
        {"missing file", [](const std::string& actual) { std::remove((actual + "/11.png").c_str()); }, "11.png"},
        {"different size",
         [](const std::string& actual) { write_picture(actual + "/09.png", sample_pixels(9, width, height + 1), width, height + 1); },
         "40x31"},
        {"corrupt picture",
         [](const std::string& actual) { std::ofstream(actual + "/10.png", std::ios::binary) << "\x89PNG\r\n\x1a\n"; },
         "10.png"},
    };
    for (const Case& c : cases) {
        const std::string expected = write_export(), actual = write_export();
        set_pixel(actual, 2, 5, 5, white);  // a diff picture would be due before the bad one
        c.spoil(actual);
        const std::string diff = make_temp_folder() + "/new/diff";
        CompareReport report;
        std::string error;
        EXPECT_FALSE(compare_exports({expected, actual, diff}, report, error)) << c.name;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(folder_entries(diff).empty()) << c.name;
    }
}

TEST_F(CompareExports, RejectsMissingAndUnusableFolders)
{
    const std::string expected = write_export();
    CompareReport report;
    std::string error;
    EXPECT_FALSE(compare_exports({expected, expected + "/nowhere", ""}, report, error));
    EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
    EXPECT_FALSE(compare_exports({expected, expected + "/01.png", ""}, report, error));
    EXPECT_FALSE(compare_exports({expected, write_export(), expected + "/01.png/diff"}, report, error));
    EXPECT_FALSE(compare_exports({expected, write_export(), expected}, report, error));
    EXPECT_EQ(folder_entries(expected).size(), static_cast<std::size_t>(picture_count));
}

TEST_F(DiffImage, DimsMatchesAndMarksEachKindOfDifference)
{
    // Columns: same background, same white, missing, extra, changed colour.
    const PngPicture expected = indexed_picture({black, white, blue, black, yellow}, 5, 1);
    const PngPicture actual = indexed_picture({black, white, black, white, blue}, 5, 1);
    const RgbImage image = make_diff_image(expected, actual);
    ASSERT_EQ(image.width, 5);
    ASSERT_EQ(image.height, 1);
    EXPECT_TRUE(same(image.at(0, 0), RgbColor{0, 0, 0}));
    const RgbColor white_rgb = palette()[white];
    EXPECT_TRUE(same(image.at(1, 0), dimmed(white_rgb)));
    EXPECT_LT(image.at(1, 0).red, white_rgb.red / 2);
    EXPECT_GT(image.at(1, 0).red, 0);
    EXPECT_TRUE(same(image.at(2, 0), diff_colors::missing));
    EXPECT_TRUE(same(image.at(3, 0), diff_colors::extra));
    EXPECT_TRUE(same(image.at(4, 0), diff_colors::changed));
    EXPECT_FALSE(same(diff_colors::missing, diff_colors::extra));
    EXPECT_FALSE(same(diff_colors::changed, diff_colors::extra));
    EXPECT_FALSE(same(diff_colors::changed, diff_colors::missing));
}

TEST_F(DiffImage, RingsAFewDifferencesOverMatchingPixelsOnly)
{
    constexpr int w = 30, h = 20;
    Pixels expected(w * h, black);
    expected[static_cast<std::size_t>(10) * w + 20] = blue;  // on the ring of (15, 10), the same in both
    Pixels actual = expected;
    actual[static_cast<std::size_t>(10) * w + 15] = white;  // extra at (15, 10)
    actual[static_cast<std::size_t>(5) * w + 12] = white;   // extra at (12, 5), on that ring's top
    const RgbImage image = make_diff_image(indexed_picture(expected, w, h), indexed_picture(actual, w, h));
    EXPECT_TRUE(same(image.at(15, 10), diff_colors::extra));
    EXPECT_TRUE(same(image.at(12, 5), diff_colors::extra));
    for (const auto& [x, y] : {std::pair{10, 10}, {15, 15}, {10, 5}, {20, 15}, {16, 5}})
        EXPECT_TRUE(same(image.at(x, y), diff_colors::ring)) << x << "," << y;
    EXPECT_TRUE(same(image.at(20, 10), diff_colors::ring));  // a matching drawn pixel is covered too
    EXPECT_TRUE(same(image.at(16, 11), RgbColor{0, 0, 0}));  // inside the ring
    EXPECT_TRUE(same(image.at(21, 10), RgbColor{0, 0, 0}));  // outside it

    // Many differences get no rings: they show on their own.
    Pixels many = expected;
    for (int x = 0; x <= max_ringed_pixels && x < w; ++x)
        for (int y = 0; y < 5; ++y) many[static_cast<std::size_t>(y) * w + x] = yellow;
    const RgbImage crowded = make_diff_image(indexed_picture(expected, w, h), indexed_picture(many, w, h));
    EXPECT_TRUE(same(crowded.at(15, 9), RgbColor{0, 0, 0}));  // where the ring of (15, 4) would be
    EXPECT_TRUE(same(crowded.at(0, 0), diff_colors::extra));
}

TEST_F(DiffImage, WrittenOnlyForDifferingPicturesAndRemovedWhenFixed)
{
    const std::string expected = write_export(), actual = write_export();
    set_pixel(actual, 3, 10, 11, white);
    const std::string diff = make_temp_folder();
    CompareReport report;
    std::string error;
    ASSERT_TRUE(compare_exports({expected, actual, diff}, report, error)) << error;
    EXPECT_EQ(report.diff_files, std::vector<std::string>{"03.png"});
    EXPECT_EQ(folder_entries(diff), std::set<std::string>{"03.png"});
    PngPicture picture;
    ASSERT_TRUE(read_png(diff + "/03.png", picture, error)) << error;
    EXPECT_TRUE(same(picture.color(10, 11), diff_colors::extra));
    EXPECT_TRUE(same(picture.color(0, 0), dimmed(palette()[white])));

    set_pixel(actual, 3, 10, 11, black);
    ASSERT_TRUE(compare_exports({expected, actual, diff}, report, error)) << error;
    EXPECT_TRUE(folder_entries(diff).empty());
}

TEST_F(CompareReportText, AlignsColumnsAndEndsWithTheCount)
{
    const std::string expected = write_export(), actual = write_export();
    set_pixel(actual, 4, 10, 11, white);
    set_pixel(actual, 12, 3, 3, blue);
    CompareReport report;
    std::string error;
    ASSERT_TRUE(compare_exports({expected, actual, ""}, report, error)) << error;
    const std::string text = format_report({expected, actual, ""}, report);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(picture_count + 2));
    EXPECT_EQ(lines.back(), "10 of 12 pictures identical");
    // The result column starts at the same terminal column on every line.
    const auto columns_before = [](const std::string& line, std::size_t bytes) {
        std::size_t columns = 0;
        for (std::size_t i = 0; i < bytes; ++i) columns += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        return columns;
    };
    std::set<std::size_t> result_columns;
    for (int number = 1; number <= picture_count; ++number) {
        const std::string& line = lines[number];
        EXPECT_NE(line.find(picture_title(number)), std::string::npos) << line;
        const std::size_t result = line.find_first_not_of(' ', line.find(picture_title(number)) + picture_title(number).size());
        result_columns.insert(columns_before(line, result));
    }
    EXPECT_EQ(result_columns.size(), 1u) << text;
    EXPECT_NE(lines[4].find("1 pixel differs"), std::string::npos) << lines[4];
    EXPECT_NE(lines[4].find("first at (10, 11):"), std::string::npos) << lines[4];
    EXPECT_NE(lines[4].find("expected 0 (black), actual 15 (white)"), std::string::npos) << lines[4];
}

TEST(CompareArguments, TakesTwoFoldersAndAnOptionalDiffFolder)
{
    const auto parse = [](std::vector<std::string> words, CompareOptions& options, std::string& error) {
        words.insert(words.begin(), "surfcompare");
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        CommandLine line;
        return parse_compare_arguments(static_cast<int>(argv.size()), argv.data(), options, line, error);
    };
    CompareOptions options;
    std::string error;
    ASSERT_TRUE(parse({"a", "--diff", "d", "b"}, options, error)) << error;
    EXPECT_EQ(options.expected_folder, "a");
    EXPECT_EQ(options.actual_folder, "b");
    EXPECT_EQ(options.diff_folder, "d");
    ASSERT_TRUE(parse({"--diff=out", "x", "y"}, options, error)) << error;
    EXPECT_EQ(options.diff_folder, "out");
    EXPECT_FALSE(parse({"a"}, options, error));
    EXPECT_FALSE(parse({"a", "b", "c"}, options, error));
    EXPECT_FALSE(parse({"a", "b", "--diff"}, options, error));
    EXPECT_FALSE(parse({"a", "b", "--size", "10x10"}, options, error));
}

}  // namespace
