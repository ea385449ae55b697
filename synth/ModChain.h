// An ordered chain of modulators acting multiplicatively on a frequency or a
// cutoff. A chain is part of an instrument's settings: built with the bank,
// read-only while notes play, and small enough to live inside its unit.
#pragma once

#include "synth/Modulator.h"

#include <array>

class ModChain {
public:
    static constexpr int MaxModulators = 8;

    std::array<Modulator, MaxModulators> entries{};
    int used = 0;

    // Append a modulator; returns its index, or -1 when the chain is full.
    int addLfo(const Lfo* lfo, float depth, float offset);
    int addEnvelope(const Envelope* envelope, float depth, float offset);

    // Each of count values, taken at the note times t, becomes value * (1 + m)
    // for each modulator m in order, rounded after every step.
    void apply(float* values, const float* t, int count, float duration, float start) const;
};
