// RAJZFUGGVENY4: the surface as quadrilaterals painted back to front.
// Exercise: the frame is drawn, SK, OK are set, the outline colour is blue
// and the fill solid black; paint the quadrilaterals below with FillPoly,
// from FVT, MAXX, MAXY, SDB, ODB and NY.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"

void RAJZFUGGVENY4()
{
    ABLAKTORLES(titles::festett);
    set_oblique_steps();
    SetColor(1);
    SetFillStyle(1, 0);
}
