// Two-pole, two-zero recursive filter with eight response types. The cutoff
// follows the note and a modulation chain; cutoff and q are clamped and the
// coefficients are recomputed only when the clamped values change.
#pragma once

#include "synth/ModChain.h"

class Filter {
public:
    enum Type : int {
        PassThrough = 0,
        LowPass = 1,
        HighPass = 2,
        BandPass = 3,
        Notch = 4,
        LowShelf = 5,
        HighShelf = 6,
        PeakingCut = 7,
    };

    Filter() = default;
    Filter(int sampleRate, int type, float cutoff, float q);

    float q = 0.0f; // clamped into [1, 128] and stored back on every sample
    int type = PassThrough;
    float cutoff = 0.0f;      // hertz
    float keyTracking = 0.0f; // hertz per semitone
    ModChain cutoffMods;

    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;

    // The values the coefficients were computed for. The gain starts at 0 so
    // that the first sample always computes.
    float cachedCutoff = 0.0f;
    float cachedQ = 0.0f;
    float cachedGain = 0.0f;
    int cachedType = PassThrough;

    int sampleRate = 0;

    // Filters one input sample of a note at t seconds after its start.
    float process(float x, float t, float duration, float start, float note);

    // Take over every field; the modulators go into this filter's own chain.
    void copyFrom(const Filter& source);

private:
    void computeCoefficients(float fc);
};
