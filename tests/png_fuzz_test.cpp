// The PNG reader on real files damaged at random, with fixed seeds:
// truncated, bits flipped, header fields and chunk lengths rewritten.  Each
// must give a clean one-line error or, when the header is untouched, the
// very pixels that were written; never a crash or a hang (CI runs this
// under the sanitizers too).  Run against each PNG reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>
#include <fstream>
#include <string>
#include <unistd.h>
#include <zlib.h>

#include "tools/output/atomic_file.hpp"
#include "tools/png/png_export.hpp"
#include "tools/png/png_import.hpp"
#include "tests/support/png_kinds.hpp"

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void put_u32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

std::uint32_t get_u32(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Offsets of the chunks' length fields.
std::vector<std::size_t> chunk_starts(const std::string& bytes)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = 8; at + 12 <= bytes.size(); at += 12 + get_u32(bytes, at)) starts.push_back(at);
    return starts;
}

void fix_crc(std::string& bytes, std::size_t start)
{
    const std::uint32_t length = get_u32(bytes, start);
    if (start + 12 + length > bytes.size()) return;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data() + start + 4);
    put_u32(bytes, start + 8 + length, static_cast<std::uint32_t>(crc32(0, data, length + 4)));
}

std::string damage(std::string bytes, std::mt19937& random)
{
    const std::vector<std::size_t> starts = chunk_starts(bytes);
    switch (random() % 4) {
    case 0: bytes.resize(random() % bytes.size()); break;
    case 1:
        for (int flips = 1 + static_cast<int>(random() % 3); flips > 0; --flips)
            bytes[random() % bytes.size()] ^= static_cast<char>(1 << (random() % 8));
        break;
    case 2: {  // a header field rewritten, its check sum made right again
        static const std::uint32_t sizes[] = {0, 1, 2, 7, 8192, 8193, 16384, 65535, 0x7fffffff, 0xffffffff};
        const int field = static_cast<int>(random() % 3);
        if (field < 2)
            put_u32(bytes, 16 + 4 * field, random() % 2 ? sizes[random() % 10] : random());
        else
            bytes[24 + random() % 5] = static_cast<char>(random() % 2 ? random() % 17 : random());
        fix_crc(bytes, 8);
        break;
    }
    default: {  // a chunk's length rewritten, with or without a matching check sum
        const std::size_t start = starts[random() % starts.size()];
        put_u32(bytes, start, random() % 2 ? static_cast<std::uint32_t>(random()) : random() % 300);
        if (random() % 2) fix_crc(bytes, start);
    }
    }
    return bytes;
}

TEST(PngFuzz, DamagedExportsGiveACleanErrorOrTheirOwnPixels)
{
    char folder_template[] = "/tmp/png_fuzz_XXXXXX";
    ASSERT_NE(mkdtemp(folder_template), nullptr);
    const std::string folder = folder_template;
    // A palette export and an RGB picture with a text chunk, as surfcompare writes.
    constexpr int w = 37, h = 23;
    std::vector<std::uint8_t> indices(w * h), rgb(w * h * 3);
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i * 7 % 19 == 0 ? i % 16 : 0);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 31);
    std::string error;
    ASSERT_TRUE(write_palette_png({indices.data(), w, h}, folder + "/palette.png", error)) << error;
    PngRows rows;
    rows.width = w;
    rows.height = h;
    rows.software = "fuzz";
    rows.row = [&](int y) { return rgb.data() + y * w * 3; };
    ASSERT_TRUE(write_file_atomically(folder + "/rgb.png", [&](std::FILE* f) { return encode_png(f, rows); }, error));
    // And as an image tool writes it interlaced.
    PngPicture plain;
    ASSERT_TRUE(read_png(folder + "/palette.png", plain, error)) << error;
    ASSERT_TRUE(write_png_kind(folder + "/interlaced.png", plain, PngKind::interlaced_rgb, error)) << error;

    for (const std::string name : {"palette.png", "rgb.png", "interlaced.png"}) {
        const std::string original = slurp(folder + "/" + name);
        PngPicture sound;
        ASSERT_TRUE(read_png(folder + "/" + name, sound, error)) << error;
        std::mt19937 random(name == "palette.png" ? 2024 : name == "rgb.png" ? 7 : 21);
        const int rounds = name == "interlaced.png" ? 300 : 1000;  // (seven decoders each)
        for (int round = 0; round < rounds; ++round) {
            // Every way of inflating, in turn.
            set_png_inflating(static_cast<PngInflating>(round % 3));
            const std::string damaged = damage(original, random);
            const std::string path = folder + "/damaged.png";
            std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
            PngPicture picture;
            error.clear();
            if (!read_png(path, picture, error)) {
                ASSERT_FALSE(error.empty());
                ASSERT_EQ(error.find('\n'), std::string::npos) << error;
                ASSERT_NE(error.find(path), std::string::npos) << error;
                continue;
            }
            ASSERT_LE(picture.width, max_picture_side);
            ASSERT_LE(picture.height, max_picture_side);
            if (damaged.size() >= 33 && damaged.compare(0, 33, original, 0, 33) == 0) {
                ASSERT_EQ(picture.pixels, sound.pixels) << name << " round " << round;
                ASSERT_EQ(picture.palette.size(), sound.palette.size()) << name << " round " << round;
            }
        }
    }
    set_png_inflating(PngInflating::fastest);
    std::remove((folder + "/palette.png").c_str());
    std::remove((folder + "/rgb.png").c_str());
    std::remove((folder + "/interlaced.png").c_str());
    std::remove((folder + "/damaged.png").c_str());
    rmdir(folder.c_str());
}

}  // namespace
