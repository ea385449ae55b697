#include "synth/ModChain.h"

#include "synth/Block.h"

int ModChain::addLfo(const Lfo* lfo, float depth, float offset) {
    if (used == MaxModulators) {
        return -1;
    }
    entries[used] = Modulator{Modulator::LfoSource, lfo, nullptr, depth, offset};
    return used++;
}

int ModChain::addEnvelope(const Envelope* envelope, float depth, float offset) {
    if (used == MaxModulators) {
        return -1;
    }
    entries[used] = Modulator{Modulator::EnvelopeSource, nullptr, envelope, depth, offset};
    return used++;
}

void ModChain::apply(float* values, const float* t, int count, float duration, float start) const {
    // One modulator at a time over the block: every value still sees its
    // products in chain order.
    float source[MaxBlockSamples];
    for (int i = 0; i < used; ++i) {
        const Modulator& m = entries[i];
        if (m.kind == Modulator::EnvelopeSource) {
            m.envelope->levels(t, count, duration, source);
        } else {
            m.lfo->values(t, count, start, source);
        }
        for (int n = 0; n < count; ++n) {
            values[n] = values[n] * (1.0f + (source[n] + m.offset) * m.depth);
        }
    }
}
