// The program's globals, the sample table and the sample surface.
#include "model/model.hpp"

#include <cstring>

#include "runtime/failure.hpp"

SMALLINT MAXX, MAXY;
REAL YMAX, NY;
SMALLINT SDB, ODB, SK, OK;
TFVTABLA FVT;
SMALLINT I, J;

__attribute__((noinline)) REAL& TFVTABLA::operator()(long row, long column)
{
    check_float_flags(__builtin_return_address(0));
    if (row < 1 || row > 50 || column < 1 || column > 50) {
        if (row < 1 || row > 50) note_range_failure(row, 1, 50, "FVT row");
        else note_range_failure(column, 1, 50, "FVT column");
        run_error(RunErrorCode::range_check, __builtin_return_address(0));
    }
    return cells[row - 1][column - 1];
}

// Each step's expression is carried in extended precision and rounded to a
// double only where it is stored into Y, so that FV(10, 10) is exactly 207360.
REAL FV(SMALLINT I, SMALLINT J)
{
    const EXTENDED i_minus_1 = checked_sub(I, 1);
    const EXTENDED sdb_minus_i = checked_sub(SDB, I);
    const EXTENDED j_minus_1 = checked_sub(J, 1);
    const EXTENDED odb_minus_j = checked_sub(ODB, J);
    REAL Y = static_cast<REAL>(i_minus_1);
    Y = static_cast<REAL>((sdb_minus_i * Y) / SDB);
    Y = static_cast<REAL>(j_minus_1 * Y);
    Y = static_cast<REAL>(((((odb_minus_j * Y) / ODB) * I) * sdb_minus_i) * J);
    return Y;
}

void FUGGVENYERTEKEK()
{
    const SMALLINT rows = SDB;
    for (SMALLINT row = 1; row <= rows; ++row)
        for (SMALLINT column = 1; column <= ODB; ++column) FVT(row, column) = FV(row, column);
}

REAL MAXMAGASSAG()
{
    REAL MAX = FVT(1, 1);
    for (SMALLINT row = 1; row <= SDB; ++row)
        for (SMALLINT column = 1; column <= ODB; ++column)
            if (FVT(row, column) > MAX) MAX = FVT(row, column);
    return MAX;
}

void set_plan_steps()
{
    SK = to_smallint(checked_div(MAXY, SDB));
    OK = to_smallint(checked_div(MAXX, ODB));
}

void set_oblique_steps()
{
    SK = to_smallint(checked_div(checked_sub(MAXY, 100), SDB));
    OK = to_smallint(checked_div(MAXX, checked_add(checked_add(SDB, ODB), 1)));
}

void reset_model()
{
    MAXX = MAXY = SDB = ODB = SK = OK = I = J = 0;
    YMAX = NY = 0.0;
    std::memset(&FVT, 0, sizeof FVT);
}
