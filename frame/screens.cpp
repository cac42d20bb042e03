// The two screens: the text console set-up, graphics mode, the title frame
// that starts every picture, and the way back to text mode.
// Writes MAXX, MAXY, SDB, ODB; reads MAXX, MAXY.
#include "frame/frame.hpp"
#include "frame/titles.hpp"
#include "gfx/console.hpp"
#include "gfx/graph.hpp"

namespace {
constexpr std::string_view driver_path = "C:\\DRIVERS";
}

void KARKEZD()
{
    Window(1, 1, 80, 25);
    TextBackground(1);
    ClrScr();
}

void GRAFIKUSRA()
{
    SMALLINT GD = 0, GM = 0;
    DetectGraph(GD, GM);
    InitGraph(GD, GM, driver_path);
    SetBkColor(0);
    SetViewPort(0, 0, GetMaxX(), GetMaxY(), true);
    ClearViewPort();
    MAXX = GetMaxX();
    MAXY = GetMaxY();
    SDB = 50;
    ODB = 50;
}

void ABLAKTORLES(std::string_view CIM)
{
    // The title is passed by value: the frame works on its own copy.
    const ShortString title(CIM);
    WriteLine(title);
    SetViewPort(0, 0, MAXX, MAXY, true);
    SetTextJustify(1, 2);
    ClearViewPort();
    Rectangle(0, 0, MAXX, MAXY);
    SetViewPort(2, 2, to_smallint(checked_sub(MAXX, 2)), to_smallint(checked_sub(MAXY, 2)), true);
    OutTextXY(checked_div(MAXX, 2), 1, title);
}

void SZOVEGESRE()
{
    CloseGraph();
    RestoreCrtMode();
}

ShortString brick_title(SMALLINT ARNYEKX, SMALLINT ARNYEKY)
{
    ShortString S = decimal_text(ARNYEKX);
    const ShortString S2 = decimal_text(ARNYEKY);
    S = ShortString("(") + S.view() + "," + S2.view() + ")";
    return ShortString(titles::tegla_prefix) + S.view();
}
