#pragma once

// Fills demo.sineTable: entry i = sin(i * k), k the single-precision value of
// 2 pi / 65536, product and sine in extended precision, stored as float.
void FillSineTable();
