// RAJZTEGLA: brick columns with a black shadow offset by (ARNYEKX, ARNYEKY).
// Exercise: the frame is drawn with the composed title and SK, OK are set;
// draw the columns below, back to front, from FVT, MAXX, MAXY, SDB, ODB and NY.
#include "frame/frame.hpp"
#include "gfx/graph.hpp"

void RAJZTEGLA(SMALLINT ARNYEKX, SMALLINT ARNYEKY)
{
    ABLAKTORLES(brick_title(ARNYEKX, ARNYEKY));
    set_oblique_steps();
}
