// Two-pole, two-zero recursive filter with eight response types. The cutoff
// follows the note and a modulation chain; cutoff and q are clamped and the
// coefficients are designed again only when the clamped values change.
//
// A Filter is part of an instrument's patch; what changes while a note plays
// (history, coefficients and the values they were designed for) is a
// FilterState that the voice owns, and the latest designs are a memo that
// the render context keeps for the notes that follow.
#pragma once

#include "synth/Block.h"
#include "synth/ModChain.h"

#include <array>

class RenderContext;

// Left undefined by default: a block's arrays of them are filled before use.
struct FilterCoefficients {
    float b0, b1, b2, a1, a2;
};

struct FilterState {
    float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    FilterCoefficients coefficients{};

    // Whether the coefficients have been designed yet, and for which clamped
    // cutoff, q and type.
    bool designed = false;
    float designedCutoff = 0.0f;
    float designedQ = 0.0f;
    int designedType = 0;
};

// The coefficients designed for a filter's last modulated block, by sample,
// with the q and type they were made for. A design depends on nothing else,
// and notes started together on one instrument reach the same cutoffs at the
// same samples: they take them from here.
struct FilterDesigns {
    int count = 0;
    float q = 0.0f;
    int type = 0;
    std::array<float, MaxBlockSamples> cutoffs{};
    std::array<FilterCoefficients, MaxBlockSamples> coefficients{};
};

// The difference equation a filter type runs. Recursions of one form run side
// by side, whichever types and voices they belong to.
enum class FilterForm : int { Gain, Symmetric, BandPass, Shelf, Peaking, Identity };

// One filter's recursion over a block: its history, the coefficients in
// effect at each sample (stride 1) or for the whole block (stride 0), and the
// samples it filters in place. Without defaults: lanes are filled as they
// are taken.
struct FilterLane {
    FilterState* state;
    const FilterCoefficients* coefficients;
    int stride;
    float* x;
};

class Filter {
public:
    // At most this many recursions run side by side.
    static constexpr int MaxLanes = 8;

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

    float q = 0.0f; // used clamped into [1, 128]
    int type = PassThrough;
    float cutoff = 0.0f;      // hertz
    float keyTracking = 0.0f; // hertz per semitone
    ModChain cutoffMods;
    int memo = 0; // this filter's FilterDesigns in the render context

    // The unmodulated cutoff of a note; constant while it plays.
    float noteCutoff(float note) const { return keyTracking * note + cutoff; }

    // Filters the count samples of x in place: samples of a note at the times t,
    // whose unmodulated cutoff is noteCutoff(note).
    void process(FilterState& state, RenderContext& context, float noteCutoff, const float* t,
                 int count, float duration, float start, float* x) const;

    FilterForm form() const;

    // The first half of process(): the coefficients of the count samples into
    // out, designed or taken from the memo; returns the lane stride: 0 when
    // out[0] holds for the whole block.
    int design(FilterState& state, RenderContext& context, float noteCutoff, const float* t,
               int count, float duration, float start, FilterCoefficients* out) const;

    // The second half: the recursions of up to MaxLanes lanes of one form over
    // count samples, in registers side by side, each on samples of its own.
    // Each lane's samples are those it would give alone.
    static void recurse(FilterForm form, const FilterLane* lanes, int laneCount, int count);
};
