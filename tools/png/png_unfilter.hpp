// Undoing the filter of one PNG row.  Exported pictures are mostly long runs
// of one colour, which the filters turn into runs of zero bytes: those are
// reconstructed sixteen bytes at a time by copying, and only the bytes near
// an edge go through the per-byte predictor.
#pragma once

#include <cstddef>
#include <cstdint>

// `filtered`: the filter type byte, then `bytes` filtered bytes.  `above`:
// the row above, reconstructed (zeros above the first row).  `distance`:
// bytes per whole pixel, at least 1.  Writes `bytes` bytes to `row`, which
// must not overlap the others.  False for an unknown filter type.
bool unfilter_row(const std::uint8_t* filtered, const std::uint8_t* above, std::uint8_t* row, std::size_t bytes,
                  std::size_t distance);
