// The pixel test and the clipped line of the hidden-line pictures.  FELUL
// reads the picture back with GetPixel in plot-window coordinates, so what
// VONALIG draws depends on every pixel drawn before it, the title included.
// Reads and writes no globals.
#include <cstdint>
#include <cstdlib>

#include "gfx/graph.hpp"
#include "render/render.hpp"
#include "runtime/failure.hpp"

SMALLINT& ColumnArray::operator()(long k)
{
    if (k < 1 || k > 100) range_error(k, 1, 100, "column array");
    return entries[k - 1];
}

bool FELUL(REAL O, REAL S)
{
    const SMALLINT column = Round(O);
    const SMALLINT row = Round(S);
    // The position first: when it is drawn, the pixel above is never read.
    if (GetPixel(column, row) != 0) return false;
    return GetPixel(column, to_smallint(checked_sub(row, 1))) == 0;
}

bool BELUL(REAL COSZLOP, SMALLINT EOSZLOP, SMALLINT OSZLOP)
{
    return (EOSZLOP <= COSZLOP && COSZLOP <= OSZLOP) || (OSZLOP <= COSZLOP && COSZLOP <= EOSZLOP);
}

void VONALIG(SMALLINT OSZLOP, SMALLINT SOR, SMALLINT EOSZLOP, SMALLINT ESOR)
{
    const std::int32_t row_distance = checked_sub(ESOR, SOR);
    const std::int32_t column_distance = checked_sub(EOSZLOP, OSZLOP);
    // The longer axis moves one whole pixel per step; rows win only when longer.
    REAL NT = std::abs(column_distance);
    if (std::abs(row_distance) > std::abs(column_distance)) NT = std::abs(row_distance);
    const REAL DSOR = static_cast<REAL>(static_cast<EXTENDED>(row_distance) / NT);
    const REAL DOSZLOP = static_cast<REAL>(static_cast<EXTENDED>(column_distance) / NT);

    REAL CSOR = SOR;
    REAL COSZLOP = OSZLOP;
    // Advance before testing: the start point itself is never read.  The
    // position accumulates step by step, each sum rounded to a double.
    do {
        CSOR = static_cast<REAL>(static_cast<EXTENDED>(CSOR) + DSOR);
        COSZLOP = static_cast<REAL>(static_cast<EXTENDED>(COSZLOP) + DOSZLOP);
    } while (FELUL(COSZLOP, CSOR) && BELUL(COSZLOP, EOSZLOP, OSZLOP));

    // Up to the last position that passed, one step back from the failed one.
    Line(OSZLOP, SOR, Round(static_cast<EXTENDED>(COSZLOP) - DOSZLOP),
         Round(static_cast<EXTENDED>(CSOR) - DSOR));
}
