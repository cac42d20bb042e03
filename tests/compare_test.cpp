// surfcompare's library: reading pictures back, comparing two exports, the
// diff pictures and the report, on small exports written by the test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frame/frame.hpp"
#include "gfx/code_page.hpp"
#include "tests/support/support.hpp"
#include "tools/output/atomic_file.hpp"
#include "tools/compare/compare.hpp"
#include "tools/compare/diff_image.hpp"
#include "tools/png/png_export.hpp"
#include "tools/png/png_import.hpp"

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

// Any palette or RGB picture, as another tool might save it.
void write_rows(const std::string& path, int w, int h, const std::vector<RgbColor>* colors, const Pixels& bytes)
{
    PngRows rows;
    rows.width = w;
    rows.height = h;
    if (colors) {
        rows.palette = colors->data();
        rows.palette_size = static_cast<int>(colors->size());
    }
    const std::size_t row_bytes = static_cast<std::size_t>(w) * (colors ? 1 : 3);
    rows.row = [&](int y) { return bytes.data() + y * row_bytes; };
    std::string error;
    ASSERT_TRUE(write_file_atomically(path, [&](std::FILE* file) { return encode_png(file, rows); }, error)) << error;
}

Pixels as_rgb(const Pixels& indices)
{
    Pixels rgb;
    for (const std::uint8_t index : indices)
        rgb.insert(rgb.end(), {palette()[index].red, palette()[index].green, palette()[index].blue});
    return rgb;
}

std::vector<RgbColor> program_palette() { return {palette().begin(), palette().end()}; }

// The pixels' matches and the diff picture of two rows of the program's palette.
DiffPicture diff_of(const Pixels& expected, const Pixels& actual, int w, int h)
{
    const RowComparer comparer(program_palette(), program_palette(), w);
    DiffPicture diff(w, h);
    diff.start(w, h, program_palette());
    std::vector<PixelMatch> matches(static_cast<std::size_t>(w));
    std::vector<std::pair<int, int>> differing;
    for (int y = 0; y < h; ++y) {
        comparer.compare(&expected[static_cast<std::size_t>(y) * w], &actual[static_cast<std::size_t>(y) * w], matches.data());
        diff.add_row(y, &expected[static_cast<std::size_t>(y) * w], matches.data());
        for (int x = 0; x < w; ++x)
            if (matches[x] != PixelMatch::same) differing.emplace_back(x, y);
    }
    if (differing.size() <= static_cast<std::size_t>(max_ringed_pixels)) diff.add_rings(differing);
    return diff;
}

CompareReport compare_ok(const std::string& expected, const std::string& actual, const std::string& diff = "")
{
    CompareReport report;
    std::string error;
    EXPECT_TRUE(compare_exports({expected, actual, diff}, report, error)) << error;
    return report;
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

TEST_F(PngImport, PalettesOfAFewColoursTakeFewerBitsAndReadBackTheSame)
{
    const std::string path = make_temp_folder() + "/few.png";
    constexpr int w = 45, h = 5;  // rows that end inside a byte, with a run of 37 in each
    for (const auto& [colours, bits] : std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}}) {
        std::vector<RgbColor> colour_table;
        for (int i = 0; i < colours; ++i)
            colour_table.push_back({static_cast<std::uint8_t>(i * 15), static_cast<std::uint8_t>(255 - i * 15), 7});
        Pixels pixels(w * h);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>((i % w >= 3 && i % w < 40 ? i / w : i * 7 + i / w) % colours);
        PngRows rows;
        rows.width = w;
        rows.height = h;
        rows.palette = colour_table.data();
        rows.palette_size = colours;
        rows.runs_only = true;
        rows.row = [&](int y) { return &pixels[static_cast<std::size_t>(y) * w]; };
        std::string error;
        ASSERT_TRUE(write_file_atomically(path, [&](std::FILE* file) { return encode_png(file, rows); }, error)) << error;
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bytes.size(), 24u);
        EXPECT_EQ(bytes[24], bits) << colours << " colours";  // the header's bit depth
        PngPicture read;
        ASSERT_TRUE(read_png(path, read, error)) << error;
        EXPECT_EQ(read.pixels, pixels) << colours << " colours";
        ASSERT_EQ(read.palette.size(), colour_table.size());
        for (std::size_t i = 0; i < colour_table.size(); ++i) EXPECT_TRUE(same(read.palette[i], colour_table[i]));
    }
}

TEST_F(PngImport, ReadsAnRgbPictureAsColours)
{
    const std::string folder = make_temp_folder();
    write_rows(folder + "/rgb.png", 2, 1, nullptr, {10, 20, 30, 250, 0, 5});
    EXPECT_EQ(folder_entries(folder), std::set<std::string>{"rgb.png"});
    PngPicture picture;
    std::string error;
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
    const std::string expected = write_export(), actual = write_export();
    Pixels pixels = sample_pixels(1);
    pixels[static_cast<std::size_t>(9) * width + 3] = white;  // (3, 9)
    pixels[static_cast<std::size_t>(8) * width + 30] = blue;  // (30, 8), an earlier row
    write_picture(actual + "/01.png", pixels);
    const PictureResult result = compare_ok(expected, actual).results[0];
    EXPECT_EQ(result.differing, 2);
    EXPECT_EQ(result.first_x, 30);
    EXPECT_EQ(result.first_y, 8);
}

TEST_F(CompareExports, ComparesColoursWhenAPictureHasNoPalette)
{
    const std::string expected = write_export(), actual = write_export();
    for (int number = 1; number <= picture_count; ++number)
        write_rows(actual + "/" + picture_file_name(number), width, height, nullptr, as_rgb(sample_pixels(number)));
    EXPECT_EQ(compare_ok(expected, actual).exit_code(), 0);
    Pixels rgb = as_rgb(sample_pixels(2));
    rgb[(static_cast<std::size_t>(4) * width + 20) * 3] = 1;  // a background pixel, nearly black
    write_rows(actual + "/02.png", width, height, nullptr, rgb);
    const PictureResult result = compare_ok(expected, actual).results[1];
    EXPECT_EQ(result.differing, 1);
    EXPECT_EQ(result.first_expected, "0 (black)");
    EXPECT_EQ(result.first_actual, "#010000");
}

// Regression: palette indices were compared whatever the palettes said.
TEST_F(CompareExports, ComparesColoursNotPaletteSlots)
{
    const std::string expected = write_export(), actual = write_export();
    // Re-saved by another tool: the same colours in the opposite order.
    std::vector<RgbColor> reversed(palette().rbegin(), palette().rend());
    Pixels pixels = sample_pixels(3);
    for (std::uint8_t& index : pixels) index = static_cast<std::uint8_t>(255 - index);
    write_rows(actual + "/03.png", width, height, &reversed, pixels);
    // The same indices, but blue (1) shows red.
    std::vector<RgbColor> repainted = program_palette();
    repainted[blue] = palette()[4];
    write_rows(actual + "/04.png", width, height, &repainted, sample_pixels(4));
    const CompareReport report = compare_ok(expected, actual);
    EXPECT_TRUE(report.results[2].identical());
    const PictureResult& repainted_result = report.results[3];
    EXPECT_EQ(repainted_result.differing, height - 2);  // the whole blue diagonal
    EXPECT_EQ(repainted_result.first_expected, "1 (blue)");
    EXPECT_EQ(repainted_result.first_actual, "4 (red)");
    // Two indices of one colour: the program's palette has white at 15 and 31.
    ASSERT_TRUE(same(palette()[31], palette()[white]));
    Pixels other_white = sample_pixels(5);
    for (std::uint8_t& index : other_white)
        if (index == white) index = 31;
    write_picture(actual + "/05.png", other_white);
    EXPECT_TRUE(compare_ok(expected, actual).results[4].identical());
}

TEST(ColorText, NamesTheProgramsColoursAndSpellsOutOthers)
{
    EXPECT_EQ(color_text(palette()[14], 14), "14 (yellow)");
    EXPECT_EQ(color_text(palette()[14], -1), "14 (yellow)");
    EXPECT_EQ(color_text(palette()[white], 31), "31 (#fcfcfc)");
    EXPECT_EQ(color_text(palette()[white], 200), "15 (white)");
    EXPECT_EQ(color_text(RgbColor{1, 2, 3}, 0), "#010203");
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
        const std::string parent = make_temp_folder();
        CompareReport report;
        std::string error;
        EXPECT_FALSE(compare_exports({expected, actual, parent + "/new/diff"}, report, error)) << c.name;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find(".part"), std::string::npos) << error;
        EXPECT_TRUE(folder_entries(parent).empty()) << c.name;  // no folder made, no temporary left
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
    const DiffPicture image = diff_of({black, white, blue, black, yellow}, {black, white, black, white, blue}, 5, 1);
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

// Rows of program colours with runs of every length around the blocks that
// are compared and painted at once, and lone pixels at their edges.
Pixels runs_picture(int w, int h, unsigned seed)
{
    std::srand(seed);
    const int colours[] = {black, black, black, blue, white, yellow, 4, 200};
    Pixels pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w;) {
            const int colour = colours[std::rand() % 8];
            for (int length = 1 + std::rand() % 40; length > 0 && x < w; --length, ++x) pixels.push_back(colour);
        }
    return pixels;
}

TEST_F(DiffImage, RgbPicturesGiveTheSameMatchesAndDiffAsTheirPaletteTwins)
{
    for (const int w : {1, 15, 16, 17, 33, 97}) {
        constexpr int h = 12;
        const Pixels expected = runs_picture(w, h, 5 + w);
        Pixels actual = runs_picture(w, h, 6 + w);
        for (std::size_t i = 0; i < actual.size(); i += 3) actual[i] = expected[i];  // many equal pixels, not all
        const Pixels expected_rgb = as_rgb(expected), actual_rgb = as_rgb(actual);
        const RowComparer by_index(program_palette(), program_palette(), w), by_colour({}, {}, w);
        DiffPicture indexed(w, h), coloured(w, h);
        indexed.start(w, h, program_palette());
        coloured.start(w, h, {});
        std::vector<PixelMatch> index_matches(w), colour_matches(w);
        for (int y = 0; y < h; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * w;
            const long differing = by_index.compare(&expected[row], &actual[row], index_matches.data());
            ASSERT_EQ(by_colour.compare(&expected_rgb[row * 3], &actual_rgb[row * 3], colour_matches.data()), differing);
            ASSERT_EQ(colour_matches, index_matches) << w << " wide, row " << y;
            indexed.add_row(y, &expected[row], index_matches.data(), differing == 0);
            coloured.add_row(y, &expected_rgb[row * 3], colour_matches.data(), differing == 0);
            // And a row that matches throughout, as whole rows often do.
            if (y == h - 1) coloured.add_row(y, &expected_rgb[row * 3], nullptr, true);
            if (y == h - 1) indexed.add_row(y, &expected[row], nullptr, true);
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_TRUE(same(coloured.at(x, y), indexed.at(x, y))) << w << " wide, at " << x << "," << y;
    }
}

TEST_F(DiffImage, RingsAFewDifferencesOverMatchingPixelsOnly)
{
    constexpr int w = 30, h = 20;
    Pixels expected(w * h, black);
    expected[static_cast<std::size_t>(10) * w + 20] = blue;  // on the ring of (15, 10), the same in both
    Pixels actual = expected;
    actual[static_cast<std::size_t>(10) * w + 15] = white;  // extra at (15, 10)
    actual[static_cast<std::size_t>(5) * w + 12] = white;   // extra at (12, 5), on that ring's top
    const DiffPicture image = diff_of(expected, actual, w, h);
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
    const DiffPicture crowded = diff_of(expected, many, w, h);
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

std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Regression: a --diff folder holding another export lost its pictures.
TEST_F(DiffImage, AFolderWithPicturesItDidNotWriteIsRefusedAndLeftAlone)
{
    const std::string expected = write_export(), actual = write_export();
    set_pixel(actual, 3, 10, 11, white);
    const std::string teacher = write_export();
    std::remove((teacher + "/03.png").c_str());  // only identical pictures' names are taken
    const std::string before = file_bytes(teacher + "/07.png");
    CompareReport report;
    std::string error;
    EXPECT_FALSE(compare_exports({expected, actual, teacher}, report, error));
    EXPECT_NE(error.find("01.png is not a diff picture of surfcompare"), std::string::npos) << error;
    EXPECT_EQ(folder_entries(teacher).size(), static_cast<std::size_t>(picture_count - 1));
    EXPECT_EQ(file_bytes(teacher + "/07.png"), before);

    // Its own diff pictures it replaces; a link among them is not its own.
    const std::string diff = make_temp_folder();
    ASSERT_TRUE(compare_exports({expected, actual, diff}, report, error)) << error;
    ASSERT_TRUE(compare_exports({expected, actual, diff}, report, error)) << error;
    EXPECT_EQ(folder_entries(diff), std::set<std::string>{"03.png"});
#ifndef _WIN32  // (links need a privilege on Windows)
    ASSERT_EQ(symlink((diff + "/03.png").c_str(), (diff + "/05.png").c_str()), 0);
    EXPECT_FALSE(compare_exports({expected, actual, diff}, report, error));
    EXPECT_NE(error.find("05.png"), std::string::npos) << error;
#endif
}

TEST_F(PngImport, RefusesWhatIsNotARegularFileWithoutWaiting)
{
    const std::string folder = make_temp_folder();
    PngReader reader;
    std::string error;
#ifndef _WIN32  // (no FIFOs or devices in Windows folders)
    ASSERT_EQ(mkfifo((folder + "/05.png").c_str(), 0600), 0);
    EXPECT_FALSE(reader.open(folder + "/05.png", error));  // would block forever on a FIFO opened plainly
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(reader.open("/dev/zero", error));
#endif
    EXPECT_FALSE(reader.open(folder, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
}

// A header alone, claiming any size: refused before any pixel memory.
std::string header_only_png(std::uint32_t w, std::uint32_t h)
{
    std::string chunk = "IHDR";
    for (const std::uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>(v >> shift & 0xFF);
    chunk += std::string("\x08\x03\x00\x00\x00", 5);
    const std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const unsigned char*>(chunk.data()), static_cast<unsigned>(chunk.size())));
    std::string bytes = std::string("\x89PNG\r\n\x1a\n", 8) + std::string("\0\0\0\x0d", 4) + chunk;
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(crc >> shift & 0xFF);
    return bytes;
}

TEST_F(PngImport, RefusesSizesBeyondTheLargestExportFromTheHeader)
{
    const std::string folder = make_temp_folder();
    for (const auto& [w, h] : {std::pair{16384u, 16384u}, {8193u, 10u}, {10u, 8193u}, {0x7fffffffu, 1u}}) {
        std::ofstream(folder + "/big.png", std::ios::binary) << header_only_png(w, h);
        PngReader reader;
        std::string error;
        EXPECT_FALSE(reader.open(folder + "/big.png", error)) << w << "x" << h;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_NE(error.find("out of range: an export is at most 8192x8192"), std::string::npos) << error;
    }
    std::ofstream(folder + "/fits.png", std::ios::binary) << header_only_png(8192, 8192);
    PngReader reader;
    std::string error;
    EXPECT_FALSE(reader.open(folder + "/fits.png", error));  // a sound size, but no data
    EXPECT_NE(error.find("ends too early"), std::string::npos) << error;
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
