// Random: the program's one pseudo-random generator (a 32-bit Mersenne
// Twister seeded with 0 at its first draw), and its whole state, so that a
// picture can be drawn twice with the very same dots.
#pragma once

#include <optional>
#include <random>

#include "model/model.hpp"

// 0..n-1 from the seeded generator (0 for n <= 0).
SMALLINT Random(SMALLINT n);
// The generator starts again from seed 0 at its next draw (tests, tools).
void restart_random();

// Empty until the first draw.
using RandomState = std::optional<std::mt19937>;
RandomState saved_random();
void restore_random(const RandomState& state);
