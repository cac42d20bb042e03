// Shared pieces of the finished renderers: the contour levels and their
// test, the point cloud's generator (from the model), and the horizon and
// clipped line of the hidden-line pictures.
#pragma once

#include "model/model.hpp"
#include "model/random.hpp"

// The relative contour levels 0.2, 0.4, 0.6, 0.8, 1.0 (level K is SZV[K] * YMAX).
extern const REAL SZV[6];  // indexed 1..5; entry 0 unused

// True when a contour level X has min(a, b) <= X < max(a, b).
bool SZINTVONAL(REAL FGVERTEK1, REAL FGVERTEK2);

// The pixel at (Round(O), Round(S)) and the one above it are both empty.
bool FELUL(REAL O, REAL S);
// COSZLOP lies between the two columns, both included, in either order.
bool BELUL(REAL COSZLOP, SMALLINT EOSZLOP, SMALLINT OSZLOP);
// Draws from (OSZLOP, SOR) towards (EOSZLOP, ESOR) as far as the picture
// ahead is empty.
void VONALIG(SMALLINT OSZLOP, SMALLINT SOR, SMALLINT EOSZLOP, SMALLINT ESOR);

// An array [1..100] of screen positions of the hidden-line pictures, indexed
// by I + J (the horizon) or by the column index J; every access is range
// checked (error 201).
struct ColumnArray {
    SMALLINT entries[100];
    SMALLINT& operator()(long k);
};

// The locals of one hidden-line picture that its point procedures work on.
struct SectionLocals {
    SMALLINT I, J;           // the grid point being drawn
    SMALLINT OSZLOP, SOR;    // its screen column and row
    SMALLINT EOSZLOP, ESOR;  // the previous point of the same row
    bool LATSZIK;            // that previous point was visible
    ColumnArray OMAX;        // the horizon: highest visible row per screen column
};

// Screen column and row of grid point (I, J) in the oblique view.
SMALLINT section_column(SMALLINT I, SMALLINT J);
SMALLINT section_row(SMALLINT I, SMALLINT J);
// Every horizon entry one row below the window.
void clear_horizon(SectionLocals& v);
// The first point of row v.I: placed and tested against the horizon only.
void first_section_point(SectionLocals& v);
// Point (v.I, v.J): placed, tested, the segment from the previous point
// drawn as the two ends' visibility says; then it is the previous point.
void next_section_point(SectionLocals& v);
void LATSZOPONT(SectionLocals& v);
void NEMLATSZOPONT(SectionLocals& v);
