// An ordered chain of modulators acting multiplicatively on a frequency or a
// cutoff. Entries past `used` are kept for reuse and never freed.
#pragma once

#include "synth/Modulator.h"

#include <vector>

class ModChain {
public:
    std::vector<Modulator> entries;
    int used = 0;

    // Append a modulator, reusing a kept entry when there is one; returns its index.
    int addLfo(const Lfo* lfo, float depth, float offset);
    int addEnvelope(const Envelope* envelope, float depth, float offset);

    // value * (1 + m) for each modulator m in order, rounded after every step.
    float apply(float value, float e, float t, float duration, float start) const {
        const Modulator* m = entries.data();
        for (int i = 0; i < used; ++i) {
            value = value * (1.0f + m[i].value(e, t, duration, start));
        }
        return value;
    }

    // Take over the source's modulators in use; the sources stay shared.
    void copyFrom(const ModChain& source);

private:
    Modulator& nextEntry();
};
