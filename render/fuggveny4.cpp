// RAJZFUGGVENY4: picture 12, the surface as a coarse mesh of quadrilaterals
// (three grid steps a side) seen obliquely, each filled black and outlined
// blue.  Reads MAXX, MAXY, SDB, ODB, NY and FVT; writes SK and OK (oblique
// steps).  Hidden parts go by painting order: the back row (largest I,
// highest on the screen) first, left to right within a row, so a nearer cell
// covers whatever lies behind it.  Leaves the drawing colour blue and the
// fill style solid black.
#include <cstdint>

#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"

namespace {

constexpr int solid_fill = 1;
constexpr int black = 0;
constexpr int blue = 1;
constexpr int corner_count = 4;

// One corner of a cell as a FillPoly point: screen column row*OK + column*OK,
// screen row Round(MAXY - row*SK - NY*FVT[row, column]).
void project_corner(std::int32_t row, std::int32_t column, SMALLINT* point)
{
    point[0] = to_smallint(checked_add(checked_mul(row, OK), checked_mul(column, OK)));
    const std::int32_t base = checked_sub(MAXY, checked_mul(row, SK));
    point[1] = Round(static_cast<EXTENDED>(base) - static_cast<EXTENDED>(NY) * FVT(row, column));
}

// The cell whose grid corner with the larger row and column is (I, J),
// corners in the order (I, J-3), (I-3, J-3), (I-3, J), (I, J).
void paint_cell(SMALLINT I, SMALLINT J)
{
    // P[0], P[1] hold the first vertex, P[2], P[3] the second, and so on.
    SMALLINT P[2 * corner_count];
    const std::int32_t I3 = checked_sub(I, 3);
    const std::int32_t J3 = checked_sub(J, 3);
    project_corner(I, J3, &P[0]);
    project_corner(I3, J3, &P[2]);
    project_corner(I3, J, &P[4]);
    project_corner(I, J, &P[6]);
    FillPoly(corner_count, P);
}

}  // namespace

void RAJZFUGGVENY4()
{
    ABLAKTORLES(titles::festett);
    set_oblique_steps();
    SetColor(blue);
    SetFillStyle(solid_fill, black);

    const SMALLINT last_row_cell = to_smallint(checked_div(SDB, 3));
    for (SMALLINT II = last_row_cell; II >= 2; --II) {
        const SMALLINT I = to_smallint(checked_sub(checked_mul(3, II), 2));
        const SMALLINT last_column_cell = to_smallint(checked_div(ODB, 3));
        for (SMALLINT JJ = 2; JJ <= last_column_cell; ++JJ) {
            const SMALLINT J = to_smallint(checked_sub(checked_mul(3, JJ), 2));
            paint_cell(I, J);
        }
    }
}
