// One entry of a modulation chain: an LFO or envelope value, offset and scaled.
// The source is shared with every instrument that uses it, never owned.
#pragma once

#include "synth/Envelope.h"
#include "synth/Lfo.h"

struct Modulator {
    enum Kind : int { LfoSource = 0, EnvelopeSource = 1 };

    int kind = LfoSource;
    const Lfo* lfo = nullptr;           // the source when kind is LfoSource
    const Envelope* envelope = nullptr; // the source when kind is EnvelopeSource
    float depth = 1.0f;
    float offset = 0.0f;
};
