// Whole pictures read through PngReader, for tests and small tools.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tools/lib/paths.hpp"
#include "tools/png/png_import.hpp"

RgbColor PngPicture::color(int x, int y) const
{
    if (indexed()) return palette[index(x, y)];
    const std::uint8_t* rgb = &pixels[offset(x, y) * 3];
    return {rgb[0], rgb[1], rgb[2]};
}

std::string png_signature_problem(const unsigned char* head, std::size_t size)
{
    static constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::memcmp(head, signature, 8) == 0) return std::string();
    if (size == 0) return "it is empty";
    const auto starts = [&](const char* bytes, std::size_t count) {
        return size >= count && std::memcmp(head, bytes, count) == 0;
    };
    struct Kind {
        const char* bytes;
        std::size_t count;
        const char* name;
    };
    static constexpr Kind kinds[] = {{"\xFF\xD8\xFF", 3, "a JPEG picture"}, {"GIF8", 4, "a GIF picture"},
                                     {"BM", 2, "a BMP picture"},          {"II*\0", 4, "a TIFF picture"},
                                     {"MM\0*", 4, "a TIFF picture"},      {"RIFF", 4, "a WebP picture or other RIFF file"},
                                     {"%PDF", 4, "a PDF document"},        {"PK\3\4", 4, "a zip archive"}};
    for (const Kind& kind : kinds)
        if (starts(kind.bytes, kind.count)) return std::string("it looks like ") + kind.name + ", not a PNG picture";
    if (size >= 4 && std::memcmp(head + 1, "PNG", 3) == 0) return "its PNG signature is damaged";
    if (size < 8) return "it is too short to be a PNG picture";
    bool zeros = true;
    for (std::size_t i = 0; i < size; ++i) zeros = zeros && head[i] == 0;
    return zeros ? "it starts with zero bytes, not a PNG signature" : "it does not start with a PNG signature";
}

bool read_png(const std::string& path, PngPicture& picture, std::string& error)
{
    picture = PngPicture{};
    PngReader reader;
    if (!reader.open(path, error)) return false;
    PngPicture read;
    read.width = reader.width();
    read.height = reader.height();
    read.palette = reader.palette();
    const std::size_t row_bytes = static_cast<std::size_t>(read.width) * (read.indexed() ? 1 : 3);
    // Grown a row at a time: a damaged header that claims a large picture
    // costs only the rows that are really there.
    for (int y = 0; y < read.height; ++y) {
        read.pixels.resize(row_bytes * static_cast<std::size_t>(y + 1));
        if (!reader.read_row(&read.pixels[y * row_bytes], error)) return false;
    }
    picture = std::move(read);
    return true;
}

std::FILE* open_picture_file(const std::string& path, std::string& error)
{
    std::FILE* file = nullptr;
#ifndef _WIN32
    // Opening a FIFO for reading would wait for a writer: O_NONBLOCK, and
    // only a regular file is read at all.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno == ENOENT ? "missing file " + path : "cannot read " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + (S_ISDIR(info.st_mode) ? " is a folder, not a picture" : " is not a regular file");
        ::close(fd);
        return nullptr;
    }
    file = fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        error = "cannot read " + path + ": " + std::strerror(errno);
        return nullptr;
    }
#else
    // Only a regular file is read at all.
    std::error_code status_error;
    const std::filesystem::file_status status = std::filesystem::status(fs_path(path), status_error);
    if (status.type() == std::filesystem::file_type::not_found) {
        error = "missing file " + path;
        return nullptr;
    }
    if (status.type() == std::filesystem::file_type::directory) {
        error = path + " is a folder, not a picture";
        return nullptr;
    }
    if (!status_error && status.type() != std::filesystem::file_type::regular) {
        error = path + " is not a regular file";
        return nullptr;
    }
    file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = errno == ENOENT ? "missing file " + path : "cannot read " + path + ": " + std::strerror(errno);
        return nullptr;
    }
#endif
    return file;
}
