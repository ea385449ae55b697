// An ordered chain of modulators acting multiplicatively on a frequency or a
// cutoff. A chain is part of an instrument's patch: built with the bank,
// read-only while notes play, and small enough to live inside its unit.
#pragma once

#include "synth/FixedList.h"
#include "synth/Modulator.h"

class RenderContext;

class ModChain {
public:
    FixedList<Modulator, 8> modulators;

    // Append a modulator; returns its index, or -1 when the chain is full.
    int addLfo(const Lfo* lfo, float depth, float offset);
    int addEnvelope(const Envelope* envelope, float depth, float offset);

    // Each of count values, taken at the note times t, becomes value * (1 + m)
    // for each modulator m = (source + offset) * depth in order, rounded after
    // every step.
    void apply(RenderContext& context, float* values, const float* t, int count, float duration,
               float start) const;
};
