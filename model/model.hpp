// The surface model: the program's globals, the sample table FVT, the sample
// function FV, its maximum, and the two step rules that turn grid positions
// into pixels.  Every global is static and zero until it is set.
#pragma once

#include "runtime/checks.hpp"

// The sample table, indexed [row 1..50, column 1..50]; every access is
// range checked (error 201).
struct TFVTABLA {
    REAL cells[50][50];
    REAL& operator()(long row, long column);
};

extern SMALLINT MAXX;  // largest screen column, from GetMaxX
extern SMALLINT MAXY;  // largest screen row, from GetMaxY
extern REAL YMAX;      // largest value in FVT
extern REAL NY;        // screen rows per unit of height: 100 / YMAX
extern SMALLINT SDB;   // row count of the grid: 50
extern SMALLINT ODB;   // column count of the grid: 50
extern SMALLINT SK;    // row step: pixels per grid row
extern SMALLINT OK;    // column step: pixels per grid column
extern TFVTABLA FVT;   // the sample table
extern SMALLINT I, J;  // loop variables of the main routine's inversion pass

// The sample surface; reads SDB and ODB.
REAL FV(SMALLINT I, SMALLINT J);
// Fills FVT from FV, rows 1..SDB, columns 1..ODB.
void FUGGVENYERTEKEK();
// The largest value of FVT; equal values never replace the first found.
REAL MAXMAGASSAG();

// SK := MAXY div SDB, OK := MAXX div ODB (the plan-view pictures).
void set_plan_steps();
// SK := (MAXY - 100) div SDB, OK := MAXX div (SDB + ODB + 1) (oblique pictures).
void set_oblique_steps();

// Zeroes every global, as at program start (for tests and repeated shows).
void reset_model();
