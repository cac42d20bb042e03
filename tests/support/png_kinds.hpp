// The kinds of PNG a teacher's folder may hold besides the export's own
// palette pictures, as image tools write them: RGB with adaptive (Paeth)
// filters, and palette or RGB pictures interlaced (Adam7).  For the tests
// and the benchmarks.
#pragma once

#include <string>

#include "tools/png/png_import.hpp"

enum class PngKind { palette, rgb, interlaced_palette, interlaced_rgb };

// Writes `picture` as that kind of PNG file; false with a one-line `error`.
bool write_png_kind(const std::string& path, const PngPicture& picture, PngKind kind, std::string& error);
