// Calls the renderer of one picture of the show.
#include "frame/pictures.hpp"

void draw_show_picture(const ShowPicture& picture)
{
    switch (picture.renderer) {
    case Renderer::szint1: RAJZSZINT1(); break;
    case Renderer::szint2: RAJZSZINT2(); break;
    case Renderer::pontfelho: RAJZPONTFELHO(); break;
    case Renderer::tegla: RAJZTEGLA(picture.shadow_x, picture.shadow_y); break;
    case Renderer::fuggveny1: RAJZFUGGVENY1(); break;
    case Renderer::fuggveny3: RAJZFUGGVENY3(); break;
    case Renderer::fuggveny4: RAJZFUGGVENY4(); break;
    }
    // A floating-point fault that no check in the renderer found, where
    // nothing traps, is told before the picture counts as drawn: here, the
    // line after the renderer's call (not a tail call, which would tell the
    // caller's line).
    check_float_flags_here();
    __asm__ volatile("" ::: "memory");
}

namespace {

// The show turns the table over once, so once a picture is drawn upside
// down every later one is too; the numbers run 1, 2, ... in show order.
constexpr bool in_show_order()
{
    for (int k = 0; k < picture_count; ++k) {
        if (show_pictures[k].number != k + 1) return false;
        if (k > 0 && show_pictures[k - 1].upside_down && !show_pictures[k].upside_down) return false;
    }
    return true;
}
static_assert(in_show_order(), "the table of pictures is out of show order");

}  // namespace
