// Sines and cosines of blocks of floats, each exactly the float std::sin and
// std::cos give for it: the units that need many of them in a block take
// them here, and no sample changes for it.
//
// On x86-64 with the GNU C library, whose sinf and cosf run the same double
// precision reduction and polynomials for every float, four of them are
// worked out side by side with the library's own constants, operations and
// fused multiply-adds, on processors where the library takes its FMA
// variant. A first call checks that form against the library on inputs that
// tell its variants and older or newer algorithms apart, and takes the
// library one value at a time if any differs.
#pragma once

// sines[n] = std::sin(x[n]) for count values.
void Sines(const float* x, int count, float* sines);

// sines[n] = std::sin(x[n]) and cosines[n] = std::cos(x[n]).
void SinesAndCosines(const float* x, int count, float* sines, float* cosines);

// Whether the side-by-side form is in use in this process.
bool SineCosineInLanes();
