// surfplot-icon: a menu icon made from one of the show's exported pictures.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "packaging/icon/icon.hpp"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: surfplot-icon PICTURE.png SIZE ICON.png\n", stderr);
        return 2;
    }
    char* end = nullptr;
    const long size = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || size < 16 || size > 512) {
        std::fprintf(stderr, "surfplot-icon: size %s is not a number from 16 to 512\n", argv[2]);
        return 2;
    }
    PngPicture picture;
    IconImage icon;
    std::string error;
    if (!read_png(argv[1], picture, error) || !make_icon(picture, static_cast<int>(size), icon, error) ||
        !write_icon(icon, argv[3], error)) {
        std::fprintf(stderr, "surfplot-icon: %s\n", error.c_str());
        return 2;
    }
    return 0;
}
