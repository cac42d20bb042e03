// The generator behind Random; lives for the whole run.
#include "model/random.hpp"

#include <cstdint>

namespace {

// Created with seed 0 at the first draw.
RandomState generator;

}  // namespace

SMALLINT Random(SMALLINT n)
{
    if (n <= 0) {
        return 0;
    }
    if (!generator) {
        generator.emplace(0u);
    }
    const std::uint64_t u = (*generator)();
    return static_cast<SMALLINT>((u * static_cast<std::uint64_t>(n)) >> 32);
}

void restart_random() { generator.reset(); }

RandomState saved_random() { return generator; }

void restore_random(const RandomState& state) { generator = state; }
