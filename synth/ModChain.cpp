#include "synth/ModChain.h"

#include "synth/Block.h"
#include "synth/Lanes.h"

namespace {

int append(FixedList<Modulator, 8>& modulators, const Modulator& modulator) {
    return modulators.add(modulator) != nullptr ? modulators.size() - 1 : -1;
}

} // namespace

int ModChain::addLfo(const Lfo* lfo, float depth, float offset) {
    return append(modulators, Modulator{Modulator::LfoSource, lfo, nullptr, depth, offset});
}

int ModChain::addEnvelope(const Envelope* envelope, float depth, float offset) {
    return append(modulators,
                  Modulator{Modulator::EnvelopeSource, nullptr, envelope, depth, offset});
}

void ModChain::apply(RenderContext& context, float* values, const float* t, int count,
                     float duration, float start) const {
    // One modulator at a time over the block: every value still sees its
    // products in chain order.
    float source[MaxBlockSamples];
    for (const Modulator& m : modulators) {
        if (m.kind == Modulator::EnvelopeSource) {
            m.envelope->levels(t, count, duration, source);
        } else {
            m.lfo->values(context, t, count, start, source);
        }
        InFours(count, [&](auto lanes, int n) {
            Store(values + n, Load(lanes, values + n) *
                                  (1.0f + (Load(lanes, source + n) + m.offset) * m.depth));
        });
    }
}
