// surf-png-kinds IN_DIR OUT_DIR palette|rgb|interlaced|interlaced-palette: an export's twelve
// pictures written again as another kind of PNG, for measuring surfcompare
// on folders that image tools have re-saved.
#include <cstdio>
#include <string>

#include "tests/support/png_kinds.hpp"
#include "tools/lib/paths.hpp"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: surf-png-kinds IN_DIR OUT_DIR palette|rgb|interlaced|interlaced-palette\n");
        return 2;
    }
    const std::string kind_name = argv[3];
    const PngKind kind = kind_name == "rgb" ? PngKind::rgb
                         : kind_name == "interlaced" ? PngKind::interlaced_rgb
                         : kind_name == "interlaced-palette" ? PngKind::interlaced_palette
                                                             : PngKind::palette;
    for (int number = 1; number <= 12; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.png", number);
        PngPicture picture;
        std::string error;
        if (!read_png(join_path(argv[1], name), picture, error) ||
            !write_png_kind(join_path(argv[2], name), picture, kind, error)) {
            std::fprintf(stderr, "surf-png-kinds: %s\n", error.c_str());
            return 2;
        }
    }
    return 0;
}
