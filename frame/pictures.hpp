// The twelve pictures of the show, in order: which renderer draws each, with
// what arguments, under which title, and whether the surface is upside down
// by then.  The show, the export commands, surfcompare, the tests and the
// benchmarks all read this one list.
#pragma once

#include <array>
#include <string_view>

#include "frame/frame.hpp"
#include "frame/titles.hpp"

enum class Renderer { szint1, szint2, pontfelho, tegla, fuggveny1, fuggveny3, fuggveny4 };

struct ShowPicture {
    int number;              // 1..12, the order of the show
    Renderer renderer;
    SMALLINT shadow_x;       // RAJZTEGLA's ARNYEKX, ARNYEKY; 0 for the others
    SMALLINT shadow_y;
    std::string_view title;  // code-page-437 bytes, as the renderer writes it
                             // (RAJZTEGLA composes its title from its offsets)
    bool upside_down;        // drawn after the inversion pass
};

constexpr int picture_count = 12;

constexpr std::array<ShowPicture, picture_count> show_pictures{{
    {1, Renderer::szint1, 0, 0, titles::szintvonal1, false},
    {2, Renderer::szint2, 0, 0, titles::szintvonal2, false},
    {3, Renderer::pontfelho, 0, 0, titles::pontfelho, false},
    {4, Renderer::tegla, 2, 2, "T\x82gla (2,2)", false},
    {5, Renderer::tegla, 1, 1, "T\x82gla (1,1)", false},
    {6, Renderer::tegla, 0, 1, "T\x82gla (0,1)", false},
    {7, Renderer::tegla, 1, 0, "T\x82gla (1,0)", false},
    {8, Renderer::fuggveny1, 0, 0, titles::lepel, false},
    {9, Renderer::fuggveny3, 0, 0, titles::tomor, false},
    {10, Renderer::fuggveny1, 0, 0, titles::lepel, true},
    {11, Renderer::fuggveny3, 0, 0, titles::tomor, true},
    {12, Renderer::fuggveny4, 0, 0, titles::festett, true},
}};

// The picture numbered `number` (1..12).
constexpr const ShowPicture& show_picture(int number) { return show_pictures[number - 1]; }

// Calls the picture's renderer with its arguments.
void draw_show_picture(const ShowPicture& picture);
