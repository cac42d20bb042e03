// RAJZFUGGVENY3: pictures 9 and 11, the X sections of the sheet joined by
// Y sections into a solid standing on its zero level, with a front and a
// right face.  Reads MAXX, MAXY, SDB, ODB, NY and FVT; writes SK and OK
// (oblique steps).  Order matters: VONALIG reads back every pixel drawn
// before it, so the face edges and Y sections stop later walks, and within
// a row the segment into a point comes before the Y section into it.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/graph.hpp"
#include "render/render.hpp"

namespace {

struct SolidLocals {
    SectionLocals x;  // the sheet's locals: point, previous point, horizon
    ColumnArray RO;   // per column index J: screen column of the latest row's point
    ColumnArray RS;   // and its screen row
};

// The zero level of row 1, from point (1, 1) to the last drawn column, and
// the left edge up to the height of point (1, 1).
void draw_front_face()
{
    const SMALLINT left = to_smallint(checked_mul(2, OK));
    const SMALLINT base = to_smallint(checked_sub(MAXY, SK));
    const SMALLINT right = to_smallint(checked_add(OK, checked_mul(checked_sub(ODB, 4), OK)));
    Line(left, base, right, base);
    // Here the height alone is rounded, then taken from the zero level.
    const SMALLINT height = Round(static_cast<EXTENDED>(NY) * FVT(1, 1));
    Line(left, base, left, to_smallint(checked_sub(base, height)));
}

// Joins the current point to the same column of the row before, when the
// current point is visible; the column then remembers the current point.
void y_section(SolidLocals& s, SMALLINT J, SMALLINT OSZLOP, SMALLINT SOR)
{
    if (s.x.I > 1 && s.x.LATSZIK) Line(s.RO(J), s.RS(J), OSZLOP, SOR);
    s.RO(J) = OSZLOP;
    s.RS(J) = SOR;
}

// From the foot of the row's last point to that of the row before, then
// the vertical edge from the last point down to its zero level.
void draw_right_face(const SolidLocals& s)
{
    const SMALLINT I = s.x.I;
    const SMALLINT foot = to_smallint(checked_sub(MAXY, checked_mul(I, SK)));
    if (I > 1) {
        const std::int32_t back = checked_sub(I, 3);
        const SMALLINT back_column =
            to_smallint(checked_add(checked_mul(back, OK), checked_mul(checked_sub(ODB, 4), OK)));
        const SMALLINT back_foot = to_smallint(checked_sub(MAXY, checked_mul(back, SK)));
        Line(s.x.EOSZLOP, foot, back_column, back_foot);
    }
    Line(s.x.EOSZLOP, s.x.ESOR, s.x.EOSZLOP, foot);
}

void draw_solid_row(SolidLocals& s)
{
    first_section_point(s.x);
    y_section(s, 1, s.x.EOSZLOP, s.x.ESOR);
    const SMALLINT last_column = to_smallint(checked_div(ODB, 3));
    for (SMALLINT JJ = 2; JJ <= last_column; ++JJ) {
        s.x.J = to_smallint(checked_sub(checked_mul(3, JJ), 2));
        next_section_point(s.x);
        y_section(s, s.x.J, s.x.OSZLOP, s.x.SOR);
    }
    draw_right_face(s);
}

}  // namespace

void RAJZFUGGVENY3()
{
    ABLAKTORLES(titles::tomor);
    set_oblique_steps();

    SolidLocals s{};
    clear_horizon(s.x);
    draw_front_face();
    const SMALLINT last_row = to_smallint(checked_div(SDB, 3));
    for (SMALLINT II = 1; II <= last_row; ++II) {
        s.x.I = to_smallint(checked_sub(checked_mul(3, II), 2));
        draw_solid_row(s);
    }
}
