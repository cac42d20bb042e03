// RAJZFUGGVENY1: the X-section sheet, hidden lines removed.
// Exercise: the frame is drawn and SK, OK are set; draw the picture below,
// in the plot window's coordinates, from FVT, MAXX, MAXY, SDB, ODB and NY.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"

void RAJZFUGGVENY1()
{
    ABLAKTORLES(titles::lepel);
    set_oblique_steps();
}
