// Row filters undone, with runs of unchanged bytes copied in blocks.
#include "tools/png/png_unfilter.hpp"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t block = 16;

bool zeros(const std::uint8_t* at)
{
    std::uint64_t a, b;
    std::memcpy(&a, at, 8);
    std::memcpy(&b, at + 8, 8);
    return (a | b) == 0;
}

inline std::uint8_t paeth(int left, int up, int up_left)
{
    const int estimate = left + up - up_left;
    const int to_left = std::abs(estimate - left), to_up = std::abs(estimate - up),
              to_up_left = std::abs(estimate - up_left);
    if (to_left <= to_up && to_left <= to_up_left) return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(to_up <= to_up_left ? up : up_left);
}

// Paeth.  Over a block of zero bytes two cases are copies: where the pixel
// to the left equals the one above it, the predictor picks "above" all
// along the block (the row repeats the one above); where the row above
// repeats its own pixel, it picks "left" (the row repeats its last pixel).
template <std::size_t D>
void undo_paeth(const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* row, std::size_t bytes)
{
    std::size_t i = 0;
    for (; i < D && i < bytes; ++i) row[i] = static_cast<std::uint8_t>(in[i] + above[i]);
    bool left_as_above = false;  // known: the pixel left of i equals the one above it
    while (i < bytes) {
        const std::size_t end = i + block <= bytes ? i + block : bytes;
        if (end - i == block && zeros(in + i)) {
            if (left_as_above || std::memcmp(row + i - D, above + i - D, D) == 0) {
                std::size_t run_end = end;
                while (run_end + block <= bytes && zeros(in + run_end)) run_end += block;
                std::memcpy(row + i, above + i, run_end - i);
                i = run_end;
                left_as_above = true;
                continue;
            }
            if (std::memcmp(above + i - D, above + i, block) == 0) {
                for (; i < end; ++i) row[i] = row[i - D];
                continue;
            }
        }
        left_as_above = false;
        for (; i < end; ++i) row[i] = static_cast<std::uint8_t>(in[i] + paeth(row[i - D], above[i], above[i - D]));
    }
}

template <std::size_t D>
void undo_sub(const std::uint8_t* in, std::uint8_t* row, std::size_t bytes)
{
    std::size_t i = 0;
    for (; i < D && i < bytes; ++i) row[i] = in[i];
    for (; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(in[i] + row[i - D]);
}

template <std::size_t D>
void undo_average(const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* row, std::size_t bytes)
{
    std::size_t i = 0;
    for (; i < D && i < bytes; ++i) row[i] = static_cast<std::uint8_t>(in[i] + above[i] / 2);
    for (; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(in[i] + (row[i - D] + above[i]) / 2);
}

template <std::size_t D>
bool undo(const std::uint8_t* filtered, const std::uint8_t* above, std::uint8_t* row, std::size_t bytes)
{
    const std::uint8_t* in = filtered + 1;
    switch (filtered[0]) {
    case 0: std::memcpy(row, in, bytes); return true;
    case 1: undo_sub<D>(in, row, bytes); return true;
    case 2:
        for (std::size_t i = 0; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(in[i] + above[i]);
        return true;
    case 3: undo_average<D>(in, above, row, bytes); return true;
    case 4: undo_paeth<D>(in, above, row, bytes); return true;
    default: return false;
    }
}

}  // namespace

bool unfilter_row(const std::uint8_t* filtered, const std::uint8_t* above, std::uint8_t* row, std::size_t bytes,
                  std::size_t distance)
{
    switch (distance) {
    case 1: return undo<1>(filtered, above, row, bytes);
    case 2: return undo<2>(filtered, above, row, bytes);
    case 3: return undo<3>(filtered, above, row, bytes);
    case 4: return undo<4>(filtered, above, row, bytes);
    case 6: return undo<6>(filtered, above, row, bytes);
    default: return undo<8>(filtered, above, row, bytes);
    }
}
