// RAJZSZINT1: the contour map along cell edges.
// Exercise: the frame is drawn and SK, OK are set; draw the picture below,
// in the plot window's coordinates, from FVT, MAXX, MAXY, SDB, ODB and YMAX.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"

void RAJZSZINT1()
{
    ABLAKTORLES(titles::szintvonal1);
    set_plan_steps();
}
