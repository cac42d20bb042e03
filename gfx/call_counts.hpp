// How often the drawing operations were called since InitGraph, counted
// only in the tests' build of the service (SURF_COUNT_DRAWING_CALLS): the
// programs users run count nothing.  Line counts the sides that Rectangle
// and FillPoly draw too.
#pragma once

struct DrawingCallCounts {
    long lines = 0, put_pixels = 0, bars = 0, fill_polys = 0;
};

#ifdef SURF_COUNT_DRAWING_CALLS
DrawingCallCounts drawing_call_counts();
#endif
