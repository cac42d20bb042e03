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
}
