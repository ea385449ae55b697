// The five wave functions. Each takes two floats a and b and depends only on
// their product x = a * b, with one cycle per unit of x, so an LFO can pass
// (time, frequency) and an oscillator (phase, 1). A unit names its wave with
// `Wave`; `waveValue` switches on it, so the hot loops inline the wave instead
// of calling through a pointer.
#pragma once

#include "common/Random.h"
#include "synth/Lanes.h"

#include <cmath>
#include <cstdint>

enum class Wave : std::uint8_t { Sine, Saw, Triangle, Square, Noise };

// Saw, triangle and square are written once for a float and for FourFloats
// (see Lanes.h), a being either and b a float.

// Fraction with truncation toward zero, so negative x gives a negative fraction.
template <typename T> T waveFraction(T x) {
    return x - Trunc(x);
}

// sin(2 pi x), with 2 pi rounded to single precision.
inline float waveSine(float a, float b) {
    return std::sin(6.2831855f * (a * b));
}

// 1 - 2 frac(x): falls from +1 to -1 over each cycle.
template <typename T> T waveSaw(T a, float b) {
    return 1.0f - 2.0f * waveFraction(a * b);
}

// 0 -> 1 -> -1 -> 0 over each cycle, peaks at a quarter and three quarters.
template <typename T> T waveTriangle(T a, float b) {
    const T c = waveFraction(a * b);
    return Select(c <= 0.25f, 4.0f * c, Select(c <= 0.75f, 2.0f - 4.0f * c, 4.0f * c - 4.0f));
}

// -1 in the first half of each cycle, +1 in the second.
template <typename T> T waveSquare(T a, float b) {
    // Parity of trunc(2x) without an integer conversion, which would overflow
    // for large x; halving an integral float is exact.
    const T half = Trunc(2.0f * (a * b)) * 0.5f;
    return Select(half != Trunc(half), Splat(half, 1.0f), Splat(half, -1.0f));
}

// A fresh draw of the shared random generator mapped to [-1, 1]; ignores a and b.
// That generator is the show's: the scenes reseed it every frame, so noise
// drawn while the song plays would follow the frames. Noise is drawn only
// while the bank pre-renders its sampled drums; no instrument the song plays
// live may draw it (tests/synth checks every channel's instrument).
inline float waveNoise(float, float) {
    return (static_cast<float>(Random::rand()) * 3.0518509e-05f - 0.5f) * 2.0f;
}

inline float waveValue(Wave wave, float a, float b) {
    switch (wave) {
    case Wave::Sine:
        return waveSine(a, b);
    case Wave::Saw:
        return waveSaw(a, b);
    case Wave::Triangle:
        return waveTriangle(a, b);
    case Wave::Square:
        return waveSquare(a, b);
    case Wave::Noise:
        return waveNoise(a, b);
    }
    return 0.0f;
}
