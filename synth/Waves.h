// The five wave functions. Each takes two floats a and b and depends only on
// their product x = a * b, with one cycle per unit of x, so an LFO can pass
// (time, frequency) and an oscillator (phase, 1).
#pragma once

using WaveFunction = float (*)(float a, float b);

// sin(2 pi x), with 2 pi rounded to single precision.
float waveSine(float a, float b);
// 1 - 2 frac(x): falls from +1 to -1 over each cycle.
float waveSaw(float a, float b);
// 0 -> 1 -> -1 -> 0 over each cycle, peaks at a quarter and three quarters.
float waveTriangle(float a, float b);
// -1 in the first half of each cycle, +1 in the second.
float waveSquare(float a, float b);
// A fresh draw of the shared random generator mapped to [-1, 1]; ignores a and b.
float waveNoise(float a, float b);
