// RAJZFUGGVENY3: the X and Y sections as a solid, hidden lines removed.
// Exercise: the frame is drawn and SK, OK are set; draw the picture below,
// in the plot window's coordinates, from FVT, MAXX, MAXY, SDB, ODB and NY.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"

void RAJZFUGGVENY3()
{
    ABLAKTORLES(titles::tomor);
    set_oblique_steps();
}
