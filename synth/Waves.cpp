#include "synth/Waves.h"

#include "common/Random.h"

#include <cmath>

namespace {

// Fraction with truncation toward zero, so negative x gives a negative fraction.
inline float frac(float x) {
    return x - std::trunc(x);
}

} // namespace

float waveSine(float a, float b) {
    return std::sin(6.2831855f * (a * b));
}

float waveSaw(float a, float b) {
    return 1.0f - 2.0f * frac(a * b);
}

float waveTriangle(float a, float b) {
    const float c = frac(a * b);
    if (c <= 0.25f) {
        return 4.0f * c;
    }
    if (c <= 0.75f) {
        return 2.0f - 4.0f * c;
    }
    return 4.0f * c - 4.0f;
}

float waveSquare(float a, float b) {
    // Parity of trunc(2x) without an integer conversion, which would overflow
    // for large x; halving an integral float is exact.
    const float half = std::trunc(2.0f * (a * b)) * 0.5f;
    return half != std::trunc(half) ? 1.0f : -1.0f;
}

float waveNoise(float, float) {
    return (static_cast<float>(Random::rand()) * 3.0518509e-05f - 0.5f) * 2.0f;
}
