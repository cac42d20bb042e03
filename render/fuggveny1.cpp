// RAJZFUGGVENY1: pictures 8 and 10, every third row of the table as a
// polyline through every third column, seen obliquely, with the parts behind
// the rows in front left out.  Also the point procedures that the solid
// picture shares.  Reads MAXX, MAXY, SDB, ODB, NY and FVT; writes SK and OK
// (oblique steps).  Rows go front to back: the horizon and the pixel test of
// VONALIG only know what the rows in front have already put on the screen.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"

SMALLINT section_column(SMALLINT I, SMALLINT J)
{
    return to_smallint(checked_add(checked_mul(I, OK), checked_mul(J, OK)));
}

// The zero level of row I minus the height, rounded once.
SMALLINT section_row(SMALLINT I, SMALLINT J)
{
    const std::int32_t zero_level = checked_sub(MAXY, checked_mul(I, SK));
    return Round(static_cast<EXTENDED>(zero_level) - static_cast<EXTENDED>(NY) * FVT(I, J));
}

// One row below the window, so the first point met at a column is visible.
void clear_horizon(SectionLocals& v)
{
    const SMALLINT below_window = to_smallint(checked_add(MAXY, 1));
    for (long k = 1; k <= 100; ++k) v.OMAX(k) = below_window;
}

void first_section_point(SectionLocals& v)
{
    v.EOSZLOP = to_smallint(checked_add(checked_mul(v.I, OK), OK));
    v.ESOR = section_row(v.I, 1);
    const long k = checked_add(v.I, 1);
    v.LATSZIK = v.OMAX(k) >= v.ESOR;
    if (v.LATSZIK) v.OMAX(k) = v.ESOR;
}

void LATSZOPONT(SectionLocals& v)
{
    v.OMAX(checked_add(v.I, v.J)) = v.SOR;
    if (v.LATSZIK) {
        Line(v.EOSZLOP, v.ESOR, v.OSZLOP, v.SOR);
    } else {
        // Walk from this visible point back towards the hidden one.
        VONALIG(v.OSZLOP, v.SOR, v.EOSZLOP, v.ESOR);
    }
    v.LATSZIK = true;
}

// A hidden point leaves the horizon alone.
void NEMLATSZOPONT(SectionLocals& v)
{
    if (v.LATSZIK) VONALIG(v.EOSZLOP, v.ESOR, v.OSZLOP, v.SOR);
    v.LATSZIK = false;
}

void next_section_point(SectionLocals& v)
{
    v.OSZLOP = section_column(v.I, v.J);
    v.SOR = section_row(v.I, v.J);
    // A point exactly on the horizon counts as visible.
    if (v.OMAX(checked_add(v.I, v.J)) >= v.SOR) {
        LATSZOPONT(v);
    } else {
        NEMLATSZOPONT(v);
    }
    v.EOSZLOP = v.OSZLOP;
    v.ESOR = v.SOR;
}

void RAJZFUGGVENY1()
{
    ABLAKTORLES(titles::lepel);
    set_oblique_steps();

    SectionLocals v{};
    clear_horizon(v);
    const SMALLINT last_row = to_smallint(checked_div(SDB, 3));
    for (SMALLINT II = 1; II <= last_row; ++II) {
        v.I = to_smallint(checked_sub(checked_mul(3, II), 2));
        first_section_point(v);
        const SMALLINT last_column = to_smallint(checked_div(ODB, 3));
        for (SMALLINT JJ = 2; JJ <= last_column; ++JJ) {
            v.J = to_smallint(checked_sub(checked_mul(3, JJ), 2));
            next_section_point(v);
        }
    }
}
