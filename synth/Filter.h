// Two-pole, two-zero recursive filter with eight response types. The cutoff
// follows the note and a modulation chain; cutoff and q are clamped and the
// coefficients are recomputed only when the clamped values change.
//
// A Filter holds settings only; what changes while a note plays (history,
// coefficients and the values they were computed for) is a FilterState that
// the voice owns. The filter remembers its latest designs, which its
// settings alone determine, for the notes that follow.
#pragma once

#include "synth/Block.h"
#include "synth/ModChain.h"

#include <array>

struct FilterCoefficients {
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
};

struct FilterState {
    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    FilterCoefficients coefficients;

    // The values the coefficients were computed for. The gain starts at 0 so
    // that the first sample always computes.
    float cachedCutoff = 0.0f;
    float cachedQ = 0.0f;
    float cachedGain = 0.0f;
    int cachedType = 0;
};

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

    float q = 0.0f; // used clamped into [1, 128]
    int type = PassThrough;
    float cutoff = 0.0f;      // hertz
    float keyTracking = 0.0f; // hertz per semitone
    ModChain cutoffMods;
    int sampleRate = 0;

    // The unmodulated cutoff of a note; constant while it plays.
    float noteCutoff(float note) const { return keyTracking * note + cutoff; }

    // Filters the count samples of x in place: samples of a note at the times t,
    // whose unmodulated cutoff is noteCutoff(note).
    void process(FilterState& state, float noteCutoff, const float* t, int count, float duration,
                 float start, float* x) const;

private:
    template <int type>
    void processType(FilterState& state, float noteCutoff, const float* t, int count,
                     float duration, float start, float* x) const;

    // The coefficients designed for the last modulated block, by sample, with
    // the q, type and rate they were made for. A design depends on nothing
    // else, and notes started together on one instrument reach the same
    // cutoffs at the same samples: they take them from here.
    struct Designs {
        int count = 0;
        float q = 0.0f;
        int type = PassThrough;
        int sampleRate = 0;
        std::array<float, MaxBlockSamples> cutoffs{};
        std::array<FilterCoefficients, MaxBlockSamples> coefficients{};
    };
    mutable Designs recent;
};
