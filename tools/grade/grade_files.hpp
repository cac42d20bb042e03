// Files and content hashes for grading: whole files read and written, a
// folder of an earlier report taken over by hard links, SHA-256 keys.
#pragma once

#include <cstdint>
#include <nettle/sha2.h>
#include <string>

// SHA-256 over a sequence of texts, each with its length, so that no two
// sequences give the same input.
class ContentHash {
public:
    ContentHash() { sha256_init(&context_); }
    ContentHash& add(const std::string& text)
    {
        const std::string length = std::to_string(text.size()) + ":";
        sha256_update(&context_, length.size(), reinterpret_cast<const std::uint8_t*>(length.data()));
        sha256_update(&context_, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
        return *this;
    }
    std::string hex()
    {
        std::uint8_t digest[SHA256_DIGEST_SIZE];
        sha256_digest(&context_, sizeof digest, digest);
        static const char digits[] = "0123456789abcdef";
        std::string text;
        for (const std::uint8_t byte : digest) text += {digits[byte >> 4], digits[byte & 15]};
        return text;
    }

private:
    sha256_ctx context_;
};

bool read_file(const std::string& path, std::string& text);
bool write_file(const std::string& path, const std::string& text);
// Copies a tree by hard links (by copying across file systems); no link is followed.
bool copy_tree(const std::string& from, const std::string& to);
// Removes a tree that a student's program may have made: without following
// links, by handles (a path deeper than the system's longest is removed
// too), its folders made writable first.  False when anything of it stays.
bool remove_tree(const std::string& path);
// Where the PNG data of `file` ends (after its IEND chunk), or 0 when it is
// not a whole PNG file.
std::size_t png_data_end(const std::string& file);
// The most bytes a PNG file of a picture of `width` x `height` in 8-bit
// colour takes, however poorly compressed.
long long largest_png(int width, int height);
// The picture `file` of the open `folder`: a regular file (no link followed)
// of at most `most` bytes, a whole PNG file with nothing after its data.
// Empty, with why in `message`, when it is not.
std::string read_picture(int folder, const std::string& file, long long most, std::string& message);
