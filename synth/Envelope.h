// Linear attack-decay-sustain-release envelope, a pure function of the time
// since note start and the note's duration.
#pragma once

#include "synth/Lanes.h"

struct Envelope {
    float attack = 0.0f;  // seconds
    float decay = 0.0f;   // seconds
    float sustain = 0.0f; // level
    float release = 0.0f; // seconds

    // Level at t seconds after the note start. The attack and decay stop at the
    // duration, so an early release fades from the level reached, and segments
    // of length 0 are jumps rather than divisions by zero: a quotient is only
    // taken where its segment is under way. T is a float or FourFloats.
    template <typename T> T level(T t, float duration) const {
        const T u = Select(t < duration, t, Splat(t, duration));
        const T zero = Splat(t, 0.0f);
        const T one = Splat(t, 1.0f);
        const T rise = Select(u < 0.0f, zero, Select(u < attack, u / attack, one));
        const T fall =
            Select(u < attack, zero, Select(u - attack < decay, (u - attack) / decay, one));
        const T held = rise - (1.0f - sustain) * fall;
        const T r = t - duration;
        const T fade = Select(r < release, 1.0f - r / release, zero);
        return Select(t < duration, held, held * fade);
    }

    // level() at count increasing note times t, into out.
    void levels(const float* t, int count, float duration, float* out) const {
        // Held at the sustain level or faded out for the whole block, every
        // sample takes the same branches to the same value.
        const float first = t[0];
        const bool sustaining =
            first >= 0.0f && first >= attack && first - attack >= decay && t[count - 1] < duration;
        const bool faded = first >= duration && first - duration >= release;
        if (sustaining || faded) {
            const float steady = level(first, duration);
            for (int n = 0; n < count; ++n) {
                out[n] = steady;
            }
            return;
        }
        InFours(count,
                [&](auto lanes, int n) { Store(out + n, level(Load(lanes, t + n), duration)); });
    }
};
