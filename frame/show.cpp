// The show: set-up, twelve pictures each held until a key, the inversion
// pass after the ninth, and back to text mode.  Sets YMAX and NY; the
// inversion pass uses the globals I and J.
#include <cmath>

#include "frame/frame.hpp"
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

    RAJZSZINT1();
    ReadKey();
    RAJZSZINT2();
    ReadKey();
    RAJZPONTFELHO();
    ReadKey();
    RAJZTEGLA(2, 2);
    ReadKey();
    RAJZTEGLA(1, 1);
    ReadKey();
    RAJZTEGLA(0, 1);
    ReadKey();
    RAJZTEGLA(1, 0);
    ReadKey();
    RAJZFUGGVENY1();
    ReadKey();
    RAJZFUGGVENY3();
    ReadKey();

    invert_table();

    RAJZFUGGVENY1();
    ReadKey();
    RAJZFUGGVENY3();
    ReadKey();
    RAJZFUGGVENY4();
    ReadKey();

    SZOVEGESRE();
}
