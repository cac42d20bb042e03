// A second, self-contained rendering of the whole show: the twelve pictures
// exactly as they stand at the twelve key waits, drawn into a plain byte
// buffer with nothing but the standard library.  The program's pictures are
// compared with it pixel for pixel, and the benchmarks use it as a speed
// model, so it stays a set of straightforward loops.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The twelve pictures of a show in a width x height window, one palette
// index per pixel, row by row (width * height bytes each).  The window must
// be at least 102 pixels wide and 101 high, so that the oblique column step
// is at least 1 and the oblique row step is not negative.
std::vector<std::vector<std::uint8_t>> reference_show(int width, int height);

// The twelve titles in show order, as code-page-437 bytes.
std::vector<std::string> reference_titles();
