// The PNG reader, run against each reader (libpng, and the zlib reader of
// the Windows build): files that are no PNG, and interlaced pictures read a
// row at a time as their plain twins.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "tests/support/png_kinds.hpp"
#include "tools/png/png_import.hpp"

namespace {

class PngReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "png_reader_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string write_bytes(const std::string& name, const std::string& bytes) const
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string refusal(const std::string& path) const
    {
        PngReader reader;
        std::string error;
        EXPECT_FALSE(reader.open(path, error)) << path;
        return error;
    }

    std::string folder;
};

// Each way the reader inflates, in turn; the default again at the end.
class EveryWay {
public:
    ~EveryWay() { set_png_inflating(PngInflating::fastest); }
    const PngInflating* begin() const { return ways; }
    const PngInflating* end() const { return ways + 3; }

private:
    const PngInflating ways[3] = {PngInflating::fastest, PngInflating::in_pieces, PngInflating::zlib_only};
};

// A picture of `width` x `height` with every pixel of its own colour index.
PngPicture pattern_picture(int width, int height)
{
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < 200; ++i)
        picture.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7),
                                   static_cast<std::uint8_t>(255 - i)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.pixels.push_back(static_cast<std::uint8_t>((x * 13 + y * 29) % 200));
    return picture;
}

TEST_F(PngReaderTest, WhatIsNoPngIsRefusedByItsFirstBytesInWords)
{
    const std::string zeros = folder + "/zeros.png";
    {
        std::ofstream(zeros, std::ios::binary).put('\0');
    }
    // 100 MB of zeros, without writing them.
    std::filesystem::resize_file(zeros, 100u << 20);
    EXPECT_EQ(refusal(zeros), "cannot read " + zeros + ": it starts with zero bytes, not a PNG signature");
    const std::string jpeg = write_bytes("photo.png", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + std::string(500, 'x'));
    EXPECT_EQ(refusal(jpeg), "cannot read " + jpeg + ": it looks like a JPEG picture, not a PNG picture");
    const std::string gif = write_bytes("anim.png", "GIF89a" + std::string(100, '\0'));
    EXPECT_NE(refusal(gif).find("it looks like a GIF picture"), std::string::npos);
    const std::string empty = write_bytes("empty.png", "");
    EXPECT_EQ(refusal(empty), "cannot read " + empty + ": it is empty");
    const std::string text = write_bytes("notes.png", "hello, this is text\n");
    EXPECT_EQ(refusal(text), "cannot read " + text + ": it does not start with a PNG signature");
    const std::string mangled = write_bytes("mangled.png", std::string("\x89PNG\r\n\x1A\r", 8) + std::string(40, '\0'));
    EXPECT_EQ(refusal(mangled), "cannot read " + mangled + ": its PNG signature is damaged");
}

TEST_F(PngReaderTest, InterlacedAndFilteredPicturesReadAsTheirPlainTwins)
{
    // Small sizes leave some of the seven passes empty.
    for (const PngInflating way : EveryWay()) {
        set_png_inflating(way);
        for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {2, 3}, {5, 5}, {7, 9}, {9, 8}, {33, 17}}) {
            const PngPicture original = pattern_picture(width, height);
            for (const PngKind kind : {PngKind::rgb, PngKind::interlaced_palette, PngKind::interlaced_rgb}) {
                const std::string path = folder + "/kind.png";
                std::string error;
                ASSERT_TRUE(write_png_kind(path, original, kind, error)) << error;
                PngPicture read;
                ASSERT_TRUE(read_png(path, read, error)) << error;
                ASSERT_EQ(read.width, width);
                ASSERT_EQ(read.height, height);
                EXPECT_EQ(read.indexed(), kind == PngKind::interlaced_palette);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        const RgbColor want = original.color(x, y), got = read.color(x, y);
                        ASSERT_TRUE(want.red == got.red && want.green == got.green && want.blue == got.blue)
                            << width << "x" << height << " kind " << static_cast<int>(kind) << " at " << x << "," << y
                            << ", inflating way " << static_cast<int>(way);
                    }
            }
        }
    }
}

std::uint32_t get_u32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::string u32(std::uint32_t value)
{
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
    return out;
}

// The same file with its picture data cut into chunks of `size` bytes, as
// some writers store it: a pass then starts anywhere inside a chunk.
std::string in_small_data_chunks(const std::string& bytes, std::size_t size)
{
    std::string head, data, tail;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length = get_u32(bytes, at);
        const std::string chunk = bytes.substr(at, 12 + length);
        if (chunk.compare(4, 4, "IDAT") == 0) data += chunk.substr(8, length);
        else (data.empty() ? head : tail) += chunk;
        at += 12 + length;
    }
    std::string out = bytes.substr(0, 8) + head;
    for (std::size_t at = 0; at < data.size(); at += size) {
        const std::string body = "IDAT" + data.substr(at, size);
        const auto* raw = reinterpret_cast<const Bytef*>(body.data());
        out += u32(static_cast<std::uint32_t>(body.size() - 4)) + body +
               u32(static_cast<std::uint32_t>(crc32(0, raw, static_cast<uInt>(body.size()))));
    }
    return out + tail;
}

TEST_F(PngReaderTest, InterlacedPicturesInSmallDataChunksReadTheSame)
{
    // Large enough that the later passes start beyond what one piece of
    // inflated data holds.
    const PngPicture original = pattern_picture(700, 400);
    for (const PngKind kind : {PngKind::interlaced_palette, PngKind::interlaced_rgb}) {
        const std::string path = folder + "/whole.png";
        std::string error;
        ASSERT_TRUE(write_png_kind(path, original, kind, error)) << error;
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        PngPicture whole;
        ASSERT_TRUE(read_png(path, whole, error)) << error;
        for (const PngInflating way : EveryWay())
            for (const std::size_t size : {7, 1000, 100000}) {
                set_png_inflating(way);
                const std::string split = write_bytes("split.png", in_small_data_chunks(bytes, size));
                PngPicture read;
                ASSERT_TRUE(read_png(split, read, error)) << error;
                EXPECT_EQ(read.pixels, whole.pixels)
                    << "kind " << static_cast<int>(kind) << ", chunks of " << size << ", way " << static_cast<int>(way);
            }
    }
}

TEST_F(PngReaderTest, ACutInterlacedPictureIsAOneLineError)
{
    const std::string path = folder + "/whole.png";
    std::string error;
    ASSERT_TRUE(write_png_kind(path, pattern_picture(61, 47), PngKind::interlaced_rgb, error)) << error;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const PngInflating way : EveryWay())
        for (std::size_t size = 40; size < bytes.size(); size += bytes.size() / 23) {
            set_png_inflating(way);
            const std::string cut = write_bytes("cut.png", bytes.substr(0, size));
            PngPicture picture;
            EXPECT_FALSE(read_png(cut, picture, error)) << size;
            EXPECT_NE(error.find(cut), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        }
}

}  // namespace
