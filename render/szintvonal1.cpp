// Picture 1: the contour map along cell edges, and the level test that both
// contour maps share.  Each sample owns a block of OK x SK pixels, row 1 at
// the bottom; where a level separates two neighbouring samples, the common
// side of their blocks is drawn, so a contour runs as a staircase.
// Reads FVT, YMAX, SZV, MAXX, MAXY, SDB, ODB; writes SK, OK.  Draws in the
// colour that graphics mode starts with (nothing before it changes it).
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"

const REAL SZV[6] = {0.0, 0.2, 0.4, 0.6, 0.8, 1.0};

namespace {

constexpr SMALLINT top_level = 5;

// A level is formed afresh each time, rounded to a double as it is stored.
REAL level_height(SMALLINT K)
{
    return static_cast<REAL>(static_cast<EXTENDED>(YMAX) * SZV[K]);
}

// The common side of the blocks of (I, J) and (I, J + 1).
void FUGGOLEGES(SMALLINT I, SMALLINT J)
{
    const SMALLINT SOR = to_smallint(checked_sub(MAXY, checked_mul(SK, I)));
    const SMALLINT OSZLOP = to_smallint(checked_mul(OK, J));
    Line(OSZLOP, SOR, OSZLOP, to_smallint(checked_add(SOR, SK)));
}

// The common side of the blocks of (I, J) and (I + 1, J).
void VIZSZINTES(SMALLINT I, SMALLINT J)
{
    const SMALLINT SOR = to_smallint(checked_sub(MAXY, checked_mul(SK, I)));
    const SMALLINT OSZLOP = to_smallint(checked_mul(OK, J));
    Line(OSZLOP, SOR, to_smallint(checked_sub(OSZLOP, OK)), SOR);
}

}  // namespace

bool SZINTVONAL(REAL FGVERTEK1, REAL FGVERTEK2)
{
    SMALLINT K = 1;
    REAL X = level_height(K);
    while (X < FGVERTEK1 && X < FGVERTEK2) {
        // Both values lie above the top level, so no level is between them.
        if (K == top_level) {
            return false;
        }
        K = to_smallint(checked_add(K, 1));
        X = level_height(K);
    }
    return X < FGVERTEK1 || X < FGVERTEK2;
}

void RAJZSZINT1()
{
    ABLAKTORLES(titles::szintvonal1);
    set_plan_steps();
    // The last row and column are never the first sample of a pair.
    const SMALLINT last_row = to_smallint(checked_sub(SDB, 1));
    for (int I = 1; I <= last_row; ++I) {
        const SMALLINT last_column = to_smallint(checked_sub(ODB, 1));
        for (int J = 1; J <= last_column; ++J) {
            if (SZINTVONAL(FVT(I, J), FVT(I, checked_add(J, 1)))) {
                FUGGOLEGES(to_smallint(I), to_smallint(J));
            }
            if (SZINTVONAL(FVT(I, J), FVT(checked_add(I, 1), J))) {
                VIZSZINTES(to_smallint(I), to_smallint(J));
            }
        }
    }
}
