// Picture 2: the contour map across cells.  Each cell of four neighbouring
// samples gets a crossing point at the midpoint of every side that a level
// crosses (no interpolation); two points are joined by one stroke, four by a
// cross, any other count draws nothing.
// Reads FVT, YMAX and SZV (through SZINTVONAL), MAXX, MAXY, SDB, ODB; writes
// SK, OK.  The sides are tested bottom, left, top, right, and that order
// decides which points the strokes join.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"
#include "runtime/failure.hpp"

namespace {

// A crossing point in half steps: sample (I, J) is at (2 I, 2 J), so odd
// coordinates lie halfway between two samples.
struct TSZINTPONT {
    SMALLINT SOR;
    SMALLINT OSZLOP;
};

// The crossing points of one cell, indexed 1..4 with a range check.
struct TSZINTPONTOK {
    TSZINTPONT points[4];

    TSZINTPONT& operator[](long k)
    {
        if (k < 1 || k > 4) range_error(k, 1, 4, "crossing points");
        return points[k - 1];
    }
    const TSZINTPONT& operator[](long k) const
    {
        if (k < 1 || k > 4) range_error(k, 1, 4, "crossing points");
        return points[k - 1];
    }
};

// The locals of RAJZSZINT2 that the side test works on.
struct CellLocals {
    SMALLINT I = 0;
    SMALLINT J = 0;
    SMALLINT DB = 0;
    TSZINTPONTOK SZINT{};
};

// The product is formed before it is halved, so odd half steps truncate.
SMALLINT screen_column(const TSZINTPONT& point)
{
    return to_smallint(checked_div(checked_mul(point.OSZLOP, OK), 2));
}

SMALLINT screen_row(const TSZINTPONT& point)
{
    return to_smallint(checked_sub(MAXY, checked_div(checked_mul(point.SOR, SK), 2)));
}

void EGYENES(const TSZINTPONTOK& SZINT)
{
    const SMALLINT SOR1 = screen_row(SZINT[1]);
    const SMALLINT OSZLOP1 = screen_column(SZINT[1]);
    const SMALLINT SOR2 = screen_row(SZINT[2]);
    const SMALLINT OSZLOP2 = screen_column(SZINT[2]);
    Line(OSZLOP1, SOR1, OSZLOP2, SOR2);
}

// Points 1 and 3 always lie on the bottom and top sides, 2 and 4 on the left
// and right ones: a plus sign through the cell's centre.
void KERESZT(const TSZINTPONTOK& SZINT)
{
    const SMALLINT SOR1 = screen_row(SZINT[1]);
    const SMALLINT OSZLOP1 = screen_column(SZINT[1]);
    const SMALLINT SOR2 = screen_row(SZINT[2]);
    const SMALLINT OSZLOP2 = screen_column(SZINT[2]);
    const SMALLINT SOR3 = screen_row(SZINT[3]);
    const SMALLINT OSZLOP3 = screen_column(SZINT[3]);
    const SMALLINT SOR4 = screen_row(SZINT[4]);
    const SMALLINT OSZLOP4 = screen_column(SZINT[4]);
    Line(OSZLOP1, SOR1, OSZLOP3, SOR3);
    Line(OSZLOP2, SOR2, OSZLOP4, SOR4);
}

// Half-step coordinate 2 k + offset of grid index k.
SMALLINT half_step(SMALLINT k, int offset)
{
    return to_smallint(checked_add(checked_mul(2, k), offset));
}

// Records the side's midpoint when a level lies between its two samples.
void test_side(CellLocals& cell, REAL first, REAL second, SMALLINT SOR, SMALLINT OSZLOP)
{
    if (SZINTVONAL(first, second)) {
        cell.DB = to_smallint(checked_add(cell.DB, 1));
        cell.SZINT[cell.DB] = {SOR, OSZLOP};
    }
}

void draw_cell(CellLocals& cell)
{
    const SMALLINT I = cell.I;
    const SMALLINT J = cell.J;
    const SMALLINT I1 = to_smallint(checked_add(I, 1));
    const SMALLINT J1 = to_smallint(checked_add(J, 1));
    cell.DB = 0;
    test_side(cell, FVT(I, J), FVT(I, J1), half_step(I, 0), half_step(J, 1));
    test_side(cell, FVT(I, J), FVT(I1, J), half_step(I, 1), half_step(J, 0));
    test_side(cell, FVT(I1, J), FVT(I1, J1), half_step(I, 2), half_step(J, 1));
    test_side(cell, FVT(I, J1), FVT(I1, J1), half_step(I, 1), half_step(J, 2));
    // Three points come from different levels on different sides: no stroke.
    if (cell.DB == 2) {
        EGYENES(cell.SZINT);
    } else if (cell.DB == 4) {
        KERESZT(cell.SZINT);
    }
}

}  // namespace

void RAJZSZINT2()
{
    ABLAKTORLES(titles::szintvonal2);
    set_plan_steps();
    CellLocals cell;
    const SMALLINT last_row = to_smallint(checked_sub(SDB, 1));
    for (int I = 1; I <= last_row; ++I) {
        const SMALLINT last_column = to_smallint(checked_sub(ODB, 1));
        for (int J = 1; J <= last_column; ++J) {
            cell.I = to_smallint(I);
            cell.J = to_smallint(J);
            draw_cell(cell);
        }
    }
}
