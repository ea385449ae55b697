#include "synth/ModChain.h"

#include <cstddef>

Modulator& ModChain::nextEntry() {
    if (static_cast<std::size_t>(used) >= entries.size()) {
        entries.emplace_back();
    }
    return entries[used];
}

int ModChain::addLfo(const Lfo* lfo, float depth, float offset) {
    Modulator& m = nextEntry();
    m.kind = Modulator::LfoSource;
    m.lfo = lfo;
    m.envelope = nullptr;
    m.depth = depth;
    m.offset = offset;
    return used++;
}

int ModChain::addEnvelope(const Envelope* envelope, float depth, float offset) {
    Modulator& m = nextEntry();
    m.kind = Modulator::EnvelopeSource;
    m.lfo = nullptr;
    m.envelope = envelope;
    m.depth = depth;
    m.offset = offset;
    return used++;
}

void ModChain::copyFrom(const ModChain& source) {
    if (entries.size() < static_cast<std::size_t>(source.used)) {
        entries.resize(source.used);
    }
    for (int i = 0; i < source.used; ++i) {
        entries[i] = source.entries[i];
    }
    used = source.used;
}
