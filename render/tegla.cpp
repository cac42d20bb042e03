// RAJZTEGLA: pictures 4 to 7, the table as upright brick columns seen
// obliquely, each with a black shadow band on its right and above its top.
// Reads MAXX, MAXY, SDB, ODB, NY and FVT; writes SK and OK (oblique steps).
// Relies on painting order: back row first, right to left within a row, and
// for every grid point the black copy just before the blue column, so each
// column's shadow blackens the columns drawn before it.  Leaves the fill
// style at solid blue.
#include <cstdint>

#include "frame/frame.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"

namespace {

constexpr int solid_fill = 1;
constexpr int black = 0;
constexpr int blue = 1;

// Both values narrow to 16 bits on the way into Bar.
void brick_bar(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Bar(to_smallint(left), to_smallint(top), to_smallint(right), to_smallint(bottom));
}

// The shadow and the column of grid point (I, J).  Each row back moves the
// column SK to the right and SK up; each column step moves it OK right.
void draw_brick(SMALLINT I, SMALLINT J, SMALLINT ARNYEKX, SMALLINT ARNYEKY)
{
    const SMALLINT OSZLOP = to_smallint(checked_add(checked_mul(I, SK), checked_mul(J, OK)));
    const std::int32_t base = checked_sub(MAXY, checked_mul(I, SK));
    const SMALLINT SOR =
        Round(static_cast<EXTENDED>(base) - static_cast<EXTENDED>(NY) * FVT(I, J));
    const SMALLINT SOR0 = to_smallint(base);

    SetFillStyle(solid_fill, black);
    brick_bar(checked_sub(checked_add(OSZLOP, ARNYEKX), OK), checked_sub(SOR, ARNYEKY),
              checked_add(OSZLOP, ARNYEKX), checked_sub(SOR0, ARNYEKY));
    SetFillStyle(solid_fill, blue);
    brick_bar(checked_sub(OSZLOP, OK), SOR, OSZLOP, SOR0);
}

}  // namespace

void RAJZTEGLA(SMALLINT ARNYEKX, SMALLINT ARNYEKY)
{
    ABLAKTORLES(brick_title(ARNYEKX, ARNYEKY));
    set_oblique_steps();

    // Row SDB lies highest on the screen and farthest away: paint it first.
    for (SMALLINT I = SDB; I >= 1; --I) {
        for (SMALLINT J = ODB; J >= 1; --J) {
            draw_brick(I, J, ARNYEKX, ARNYEKY);
        }
    }
}
