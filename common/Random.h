// The shared random generator. Every random value of the show comes from this
// one 32-bit linear congruential sequence, so patterns, drum noise, sprite
// placement and scene motion follow exactly from the seeds given to srand.
#pragma once

#include <cstdint>

namespace Random {

// Sets the generator state.
void srand(std::uint32_t seed);

// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF,
// a value from 0 to 32767.
int rand();

// The current state, for code that must save and restore the sequence.
std::uint32_t state();

} // namespace Random
