// The show frame: console and graphics set-up, the title frame of every
// picture, and the seven renderer entry points that the show calls.
// surfplot links the renderers of render/, surfkit the stubs of skeleton/.
#pragma once

#include <string_view>

#include "model/model.hpp"
#include "runtime/shortstring.hpp"

// Text window 1..80 x 1..25, blue background, cleared.
void KARKEZD();
// Graphics mode; records MAXX, MAXY and the grid size SDB = ODB = 50.
void GRAFIKUSRA();
// Starts a picture: writes CIM to the console, clears the screen, draws the
// border and the centred title, and leaves the plot window (2, 2)-(MAXX - 2,
// MAXY - 2) active with clipping on.
void ABLAKTORLES(std::string_view CIM);
// Back to text mode.
void SZOVEGESRE();

// The renderers, in the order the show calls them.
void RAJZSZINT1();
void RAJZSZINT2();
void RAJZPONTFELHO();
void RAJZTEGLA(SMALLINT ARNYEKX, SMALLINT ARNYEKY);
void RAJZFUGGVENY1();
void RAJZFUGGVENY3();
void RAJZFUGGVENY4();

// The title RAJZTEGLA composes: "Tégla (ARNYEKX,ARNYEKY)" in code page 437.
ShortString brick_title(SMALLINT ARNYEKX, SMALLINT ARNYEKY);

// The inversion pass: every FVT[I, J] := |YMAX - FVT[I, J]|, in place.
void invert_table();

// The main routine: set-up, the twelve pictures with a key wait after each,
// the inversion pass after the ninth, back to text mode.
void run_show();
// The same with the show's options (--watch, --from).
struct ShowOptions;
void run_show(const ShowOptions& options);
