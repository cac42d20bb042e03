// The show: set-up, twelve pictures each held until a key, the inversion
// pass after the ninth, and back to text mode.  Sets YMAX and NY; the
// inversion pass uses the globals I and J.
#include <cmath>

#include "frame/frame.hpp"
#include "frame/pictures.hpp"
#include "gfx/console.hpp"

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

void run_show()
{
    KARKEZD();
    GRAFIKUSRA();
    FUGGVENYERTEKEK();
    YMAX = MAXMAGASSAG();
    NY = static_cast<REAL>(100.0L / YMAX);

    bool turned = false;
    for (const ShowPicture& picture : show_pictures) {
        // The table is turned upside down once, after the ninth picture.
        if (picture.upside_down && !turned) {
            invert_table();
            turned = true;
        }
        draw_show_picture(picture);
        ReadKey();
    }

    SZOVEGESRE();
}
