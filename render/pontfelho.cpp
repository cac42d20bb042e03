// Picture 3: the point cloud.  Each sample sprinkles blue dots into the block
// to the right of and below its grid point, as many as half the block's
// pixels times the square of its relative height.
// Reads FVT, YMAX, MAXX, MAXY, SDB, ODB; writes SK, OK; advances the
// generator.  The draws must come in this order for the picture to repeat:
// samples row by row, dots one after another, row offset before column offset.
#include <cmath>
#include <cstdint>

#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"
#include "runtime/failure.hpp"

namespace {

constexpr int dot_color = 1;

// Half to even, as the unmodified rounding mode does; kept 32-bit because
// the rounded area may exceed 16 bits before it is halved.
std::int32_t round_long(EXTENDED value)
{
    const EXTENDED rounded = std::rintl(value);
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) {
        note_rounding_failure(value, INT32_MIN, INT32_MAX);
        run_error(RunErrorCode::range_check);
    }
    return static_cast<std::int32_t>(rounded);
}

// The whole expression stays in extended precision until it is rounded.
SMALLINT dot_count(REAL height)
{
    const EXTENDED ratio = static_cast<EXTENDED>(height) / YMAX;
    const EXTENDED area = ratio * ratio * SK * OK;
    return to_smallint(checked_div(round_long(area), 2));
}

void draw_dots(SMALLINT I, SMALLINT J, SMALLINT DB)
{
    for (int K = 1; K <= DB; ++K) {
        const SMALLINT II = Random(SK);
        const SMALLINT JJ = Random(OK);
        PutPixel(to_smallint(checked_add(checked_mul(OK, J), JJ)),
                 to_smallint(checked_add(checked_sub(MAXY, checked_mul(SK, I)), II)), dot_color);
    }
}

}  // namespace

void RAJZPONTFELHO()
{
    ABLAKTORLES(titles::pontfelho);
    set_plan_steps();
    const SMALLINT rows = SDB;
    for (int I = 1; I <= rows; ++I) {
        const SMALLINT columns = ODB;
        for (int J = 1; J <= columns; ++J) {
            draw_dots(to_smallint(I), to_smallint(J), dot_count(FVT(I, J)));
        }
    }
}
