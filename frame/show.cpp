// The show: set-up, twelve pictures each held until a key, the inversion
// pass after the ninth, and back to text mode.  Sets YMAX and NY; the
// inversion pass uses the globals I and J.  With --from the pictures before
// the first are skipped (not drawn, no title line); the inversion still
// comes before picture 10.
#include <cmath>
#include <string>

#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "frame/show_options.hpp"
#include "frame/watch.hpp"
#include "gfx/code_page.hpp"
#include "gfx/console.hpp"
#include "gfx/platform.hpp"

namespace {

// "surfplot — 8/12 X fv-metszet, lepel" in the window's title bar.
void name_window(const ShowPicture& picture)
{
    const std::string title = std::string(program_title) + " \u2014 " + std::to_string(picture.number) + "/" +
                              std::to_string(picture_count) + " " + cp437_to_utf8(picture.title);
    active_platform().set_window_title(title);
}

}  // namespace

void invert_table()
{
    // Each loop reads its upper bound once, when it starts.
    const SMALLINT rows = SDB;
    for (I = 1; I <= rows; I = to_smallint(I + 1)) {
        const SMALLINT columns = ODB;
        for (J = 1; J <= columns; J = to_smallint(J + 1))
            FVT(I, J) = static_cast<REAL>(std::fabs(static_cast<EXTENDED>(YMAX) - FVT(I, J)));
    }
}

void run_show() { run_show(ShowOptions{}); }

void run_show(const ShowOptions& options)
{
    KARKEZD();
    GRAFIKUSRA();
    start_watching(options.watch_seconds);
    FUGGVENYERTEKEK();
    YMAX = MAXMAGASSAG();
    NY = static_cast<REAL>(static_cast<EXTENDED>(100.0) / YMAX);

    bool turned = false;
    for (const ShowPicture& picture : show_pictures) {
        // The table is turned upside down once, after the ninth picture.
        if (picture.upside_down && !turned) {
            invert_table();
            turned = true;
        }
        if (picture.number < options.from) continue;
        name_window(picture);
        draw_watched_picture(picture);
        ReadKey();
    }

    SZOVEGESRE();
}
